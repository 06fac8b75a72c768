// Scanning and evaluating typical lines, and calling a one-line user function.
#include "engine/CompTinyParseEngine.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using vexmo::TCompTinyParser;
using vexmo::Variables;

const std::string kTypicalLines[] = {"1+2*3", "SIN(X)^2+COS(X)^2", "R1*R2/(R1+R2)",
                                     "(1+2)*(3+4)/5-6^2"};

void Prepare(Variables& vars, TCompTinyParser& engine) {
    vars.Write("X", "0.7 +_I 0");
    vars.Write("R1", "1000 +_I 0");
    vars.Write("R2", "2200 +_I 0");
    vars.Write("F(X)", "X^(2 +_I 0)"); // as F(X) := X^2 stores it
    engine.SetVariables(&vars);
}

void Evaluate(benchmark::State& state, const std::string& line) {
    Variables vars;
    TCompTinyParser engine;
    Prepare(vars, engine);
    for (auto _ : state) {
        engine.SetExpression(line);
        benchmark::DoNotOptimize(engine.ResultValue());
    }
}

void BM_TypicalLine(benchmark::State& state) {
    Evaluate(state, kTypicalLines[state.range(0)]);
    state.SetLabel(kTypicalLines[state.range(0)]);
}
BENCHMARK(BM_TypicalLine)->DenseRange(0, 3)->Repetitions(5)->ReportAggregatesOnly(true);

// The four lines in turn; the time reported is per line.
void BM_TypicalLineMix(benchmark::State& state) {
    Variables vars;
    TCompTinyParser engine;
    Prepare(vars, engine);
    for (auto _ : state) {
        for (const std::string& line : kTypicalLines) {
            engine.SetExpression(line);
            benchmark::DoNotOptimize(engine.ResultValue());
        }
    }
    state.counters["per_line"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 4, benchmark::Counter::kIsRate |
                                                         benchmark::Counter::kInvert);
}
BENCHMARK(BM_TypicalLineMix)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_UserFunctionCall(benchmark::State& state) { Evaluate(state, "F(3)"); }
BENCHMARK(BM_UserFunctionCall)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_LongSum100KiB(benchmark::State& state) {
    std::string line = "1";
    while (line.size() < 100 * 1024)
        line += "+1";
    Evaluate(state, line);
}
BENCHMARK(BM_LongSum100KiB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
