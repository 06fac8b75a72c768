// Number text is written for every answer and every stored variable, and read back for every
// variable reference; these are the hot conversions.
#include "engine/DorvSub.h"

#include <benchmark/benchmark.h>

namespace {

void BM_GeneralNumberText(benchmark::State& state) {
    long double x = 1.0L / 3.0L;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vexmo::GeneralNumberText(x, 15));
        x += 1.25L;
    }
}
BENCHMARK(BM_GeneralNumberText);

void BM_DComplexToStr(benchmark::State& state) {
    const vexmo::DComplex z{-123.456789012345, 0.000123456789};
    for (auto _ : state)
        benchmark::DoNotOptimize(vexmo::DComplexToStr(z));
}
BENCHMARK(BM_DComplexToStr);

void BM_StrToDComplex(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(vexmo::StrToDComplex("-123.456789012345 -_I 1.23456789E-4"));
}
BENCHMARK(BM_StrToDComplex);

void BM_DorvStrToFloat(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(vexmo::DorvStrToFloat("4.7U"));
}
BENCHMARK(BM_DorvStrToFloat);

void BM_ComplexPower(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(vexmo::ComplexPower({-8, 1}, {1.0 / 3.0, 0.5}));
}
BENCHMARK(BM_ComplexPower);

} // namespace

BENCHMARK_MAIN();
