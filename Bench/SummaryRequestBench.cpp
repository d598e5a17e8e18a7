// The summary contract's two hot paths: validating a 16-Space answer and
// minimizing an 800-window inventory.
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "GeneratedDesktop.hpp"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

namespace deskmap {
namespace {

Inventory generatedInventory() {
    return MacOSSpaceCollector(std::make_shared<platform::SimulatedWindowServer>(
                                   bench::generatedDesktop(2, 8, 800)))
        .collect();
}

std::string answerFor(const Inventory& inventory) {
    auto spaces = nlohmann::json::array();
    for (const auto& space : inventory.spaces) {
        spaces.push_back(
            {{"index", space.index},
             {"label", "PR-482 review " + std::to_string(space.index)},
             {"summary", "Reviewing the window-list cache pull request and its tests"}});
    }
    return nlohmann::json{{"spaces", spaces}}.dump();
}

void parsedResult(benchmark::State& state) {
    const auto inventory = generatedInventory();
    const auto answer = answerFor(inventory);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SummaryRequest::parsedResult(answer, "model", inventory));
    }
}

void minimizedInput(benchmark::State& state) {
    const auto inventory = generatedInventory();
    for (auto _ : state) {
        benchmark::DoNotOptimize(SummaryRequest::minimizedInput(inventory, APIProvider::openAI()));
    }
}

BENCHMARK(parsedResult)->Unit(benchmark::kMicrosecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(minimizedInput)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace deskmap

BENCHMARK_MAIN();
