// A scenario file is a recording of the window server's answers, so this
// reaches every reader of window-server values: managed Spaces, the window
// list and the window-to-Space assignments, through collection and then the
// two renderings a user sees.
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DeskmapPlatform/Simulated/ScenarioError.hpp"
#include "DeskmapPlatform/Simulated/ScenarioFile.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "FuzzContract.hpp"

#include <nlohmann/json.hpp>

using namespace deskmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::expectOnly<platform::ScenarioError, DeskmapError>([&] {
        auto scenario = platform::parseScenario(fuzz::text(data, size), "fuzz input");
        // Gestures would start the notifier thread; collection never posts.
        scenario["acceptGestures"] = false;
        auto windowServer = std::make_shared<platform::SimulatedWindowServer>(std::move(scenario));
        MacOSSpaceCollector collector(windowServer);
        const auto inventory = collector.collect();
        const auto topology = collector.collectTopology();
        if (topology.spaceIDs.size() != inventory.spaces.size()) {
            fuzz::violated();
        }
        for (std::size_t position = 0; position < inventory.spaces.size(); ++position) {
            if (inventory.spaces[position].index != static_cast<std::int64_t>(position) + 1) {
                fuzz::violated();
            }
        }
        // Both renderings must be valid UTF-8 whatever the titles hold.
        const auto json = OutputFormatter::inventoryJSON(inventory);
        const auto human = OutputFormatter::inventoryHuman(inventory);
        if (!nlohmann::json::accept(json)) {
            fuzz::violated();
        }
        (void)nlohmann::json(human).dump();
    });
    return 0;
}
