// vexmo-calc on a 10,000-line document: the whole process (start-up included) and the
// calculation alone. `bench_calc --document` prints the document instead.

#include "make_document.h"

#include "document/core/AnswerFormat.h"
#include "document/core/CalcLine.h"
#include "document/core/DocumentText.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::size_t kLines = 10000;

void RunProcess(const std::string& document)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(document.c_str(), O_RDONLY);
        const int out = ::open("/dev/null", O_WRONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::execl(VEXMO_CALC_PATH, VEXMO_CALC_PATH, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("vexmo-calc failed on the benchmark document");
}

void BM_VexmoCalcProcess(benchmark::State& state)
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("vexmo-bench-" + std::to_string(::getpid()) + ".vxm");
    std::ofstream(path, std::ios::binary) << vexmo::bench::MakeTypicalDocument(kLines);
    for (auto _ : state)
        RunProcess(path.string());
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_VexmoCalcProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CalculateDocument(benchmark::State& state)
{
    const std::string text = vexmo::bench::MakeTypicalDocument(kLines);
    for (auto _ : state) {
        vexmo::NumberFormatSettings settings;
        vexmo::TCompTinyParser engine;
        vexmo::Variables store;
        engine.SetVariables(&store);
        vexmo::LineCalculator calc(engine, store, settings);
        vexmo::DocumentLines doc = vexmo::SplitDocument(text);
        benchmark::DoNotOptimize(vexmo::CalculateDocument(doc.Lines, calc));
        benchmark::DoNotOptimize(vexmo::JoinDocument(doc.Lines, vexmo::LineBreak::CrLf));
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_CalculateDocument)->Unit(benchmark::kMillisecond);

void BM_AnswerText(benchmark::State& state)
{
    vexmo::NumberFormatSettings settings;
    settings.OptNumFormat = static_cast<int>(state.range(0));
    double x = 0.1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vexmo::AnswerText({x, -x / 3}, settings));
        x += 1.37;
    }
}
BENCHMARK(BM_AnswerText)->DenseRange(0, 4);

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--document") == 0) {
        const std::string text = vexmo::bench::MakeTypicalDocument(kLines);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
