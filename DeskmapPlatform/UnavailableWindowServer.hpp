#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <string>

namespace deskmap::platform {

// A desktop that runs but cannot be read: every read throws
// WindowServerError with `reason`, so the app's list shows why instead of a
// map, and a click switches nothing.
class UnavailableWindowServer final : public WindowServer {
public:
    explicit UnavailableWindowServer(std::string reason) : reason_(std::move(reason)) {}

    std::int32_t mainConnectionID() override { return 0; }
    nlohmann::json copyManagedDisplaySpaces(std::int32_t connection) override;
    nlohmann::json copySpacesForWindows(std::int32_t connection, std::int32_t spaceMask,
                                        const nlohmann::json& windowNumbers) override;
    nlohmann::json copyWindowListInfo(std::uint32_t option,
                                      std::uint32_t relativeToWindow) override;
    std::optional<InputEvent> createEvent() override { return std::nullopt; }
    std::vector<std::uint32_t> displaysWithPoint(DisplayPoint, std::uint32_t) override {
        return {};
    }
    std::optional<std::string> displayUUID(std::uint32_t) override { return std::nullopt; }
    std::uint32_t mainDisplayID() override { return 0; }
    void postEvent(std::int32_t, const InputEvent&) override { unavailable(); }
    // Nothing is refused: there is simply nothing to read.
    bool isAccessibilityTrusted() override { return true; }
    void requestAccessibilityTrust() override {}
    bool isScreenCaptureAccessGranted() override { return true; }
    void requestScreenCaptureAccess() override {}
    void setActiveSpaceObserver(std::function<void()>) override {}

private:
    [[noreturn]] void unavailable() const;

    std::string reason_;
};

} // namespace deskmap::platform
