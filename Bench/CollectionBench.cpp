// Collection and rendering over a generated desktop of 16 Spaces and 800
// windows, through the simulated window server.
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "GeneratedDesktop.hpp"

#include <benchmark/benchmark.h>

namespace deskmap {
namespace {

MacOSSpaceCollector makeCollector() {
    return MacOSSpaceCollector(
        std::make_shared<platform::SimulatedWindowServer>(bench::generatedDesktop(2, 8, 800)));
}

void collect(benchmark::State& state) {
    auto collector = makeCollector();
    for (auto _ : state) {
        benchmark::DoNotOptimize(collector.collect());
    }
}

void inventoryJSON(benchmark::State& state) {
    const auto inventory = makeCollector().collect();
    for (auto _ : state) {
        benchmark::DoNotOptimize(OutputFormatter::inventoryJSON(inventory));
    }
}

void inventoryHuman(benchmark::State& state) {
    const auto inventory = makeCollector().collect();
    for (auto _ : state) {
        benchmark::DoNotOptimize(OutputFormatter::inventoryHuman(inventory));
    }
}

BENCHMARK(collect)->Unit(benchmark::kMicrosecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(inventoryJSON)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
BENCHMARK(inventoryHuman)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace deskmap

BENCHMARK_MAIN();
