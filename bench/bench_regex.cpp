// Replace-all over clipboard-sized text: numbers separated by blanks, TABs and line breaks.
#include "document/core/ClipText.h"
#include "regex/bmRegExp.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

std::string ClipboardLikeText(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 32);
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    while (text.size() < bytes) {
        text += std::to_string(next() % 100000);
        text += '.';
        text += std::to_string(next() % 1000);
        switch (next() % 6) {
        case 0:
            text += "\r\n";
            break;
        case 1:
            text += '\t';
            break;
        case 2:
            text += " , ";
            break;
        case 3:
            text += "  \t ";
            break;
        default:
            text += ' ';
            break;
        }
    }
    text.resize(bytes);
    return text;
}

void BM_ReplaceAllBlankRuns(benchmark::State& state) {
    const std::string source = ClipboardLikeText(static_cast<std::size_t>(state.range(0)));
    vexmo::TAWKStr awk;
    awk.SetRegExp("[ \\t]+");
    for (auto _ : state) {
        state.PauseTiming();
        std::string text = source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(awk.ReplaceAll(",", text));
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReplaceAllBlankRuns)
    ->RangeMultiplier(2)
    ->Range(1 << 20, 10 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// A run where every start fails the same way: a search that retried each start would grow
// with the square of the run (minutes at 400 000); the fitted complexity must stay O(N).
void BM_ReplaceAllFailedRuns(benchmark::State& state) {
    const std::size_t run = static_cast<std::size_t>(state.range(0));
    const std::string blanks = "1" + std::string(run, ' ') + "2";
    const std::string letters(run, 'a');
    vexmo::TAWKStr blankComma;
    blankComma.SetRegExp("[ \\t]+,[ \\t]+");
    vexmo::TAWKStr evenRuns;
    evenRuns.SetRegExp("(aa)*b");
    for (auto _ : state) {
        std::string a = blanks;
        std::string b = letters;
        benchmark::DoNotOptimize(blankComma.ReplaceAll(",", a));
        benchmark::DoNotOptimize(evenRuns.ReplaceAll("X", b));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReplaceAllFailedRuns)
    ->RangeMultiplier(2)
    ->Range(50000, 400000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_NormaliseClipText(benchmark::State& state) {
    const std::string source = ClipboardLikeText(10 << 20);
    const int setting = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(vexmo::NormaliseClipText(source, setting));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (10 << 20));
}
BENCHMARK(BM_NormaliseClipText)->Arg(0)->Arg(3)->Arg(9)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
