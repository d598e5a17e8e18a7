#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <nlohmann/json.hpp>

#include <mutex>

namespace deskmap::platform {

// A window server that answers from a recorded scenario: a JSON object whose
// "managedDisplaySpaces" and "windows" are what the two copy calls return
// (missing or null: the call returns null) and whose "windowSpaces" maps a
// window number, as decimal text, to what the assignment call returns for it
// (missing: an empty array; null: null). The recorded answers are handed out
// untouched, malformed ones included, so callers see exactly what a real
// window server could send.
class SimulatedWindowServer final : public WindowServer {
public:
    // Throws ScenarioError when `scenario` is not usable as a scenario.
    explicit SimulatedWindowServer(nlohmann::json scenario);

    std::int32_t mainConnectionID() override;
    nlohmann::json copyManagedDisplaySpaces(std::int32_t connection) override;
    nlohmann::json copySpacesForWindows(std::int32_t connection, std::int32_t spaceMask,
                                        const nlohmann::json& windowNumbers) override;
    nlohmann::json copyWindowListInfo(std::uint32_t option,
                                      std::uint32_t relativeToWindow) override;

private:
    nlohmann::json recorded(const char* key) const;

    mutable std::mutex mutex_;
    nlohmann::json scenario_;
};

} // namespace deskmap::platform
