// Assigning many distinct variables, as a long document of assignments does: each line
// looks its name up in the store, so the store's lookup decides whether this stays linear.
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using vexmo::TCompTinyParser;
using vexmo::Variables;

void BM_DistinctAssignments(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<std::string> lines;
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        lines.push_back("V" + std::to_string(i) + ":=" + std::to_string(i));
    for (auto _ : state) {
        Variables store;
        TCompTinyParser engine;
        engine.SetVariables(&store);
        for (const std::string& line : lines) {
            engine.SetExpression(line);
            benchmark::DoNotOptimize(engine.ResultValue());
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
}
BENCHMARK(BM_DistinctAssignments)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Reading names back from a large store, mixed case.
void BM_LookupInLargeStore(benchmark::State& state) {
    Variables store;
    for (int i = 0; i < 50000; ++i)
        store.Write("Name" + std::to_string(i), "1 +_I 0");
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.Read("NAME" + std::to_string(i)));
        i = (i + 7919) % 50000;
    }
}
BENCHMARK(BM_LookupInLargeStore);

} // namespace

BENCHMARK_MAIN();
