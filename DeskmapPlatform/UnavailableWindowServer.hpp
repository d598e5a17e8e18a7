#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace deskmap::platform {

// A desktop that runs but cannot be read (yet): every read throws
// WindowServerError with `reason`, so the app's list says why instead of
// showing a map, and a click switches nothing. Each read first asks
// `retry` again (a window manager that starts after the app at login
// becomes readable); once it gives a window server, every call goes there.
class UnavailableWindowServer final : public WindowServer {
public:
    using Retry = std::function<std::shared_ptr<WindowServer>()>;

    explicit UnavailableWindowServer(
        std::string reason, Retry retry = {},
        std::chrono::milliseconds retryInterval = std::chrono::seconds(2));

    std::int32_t mainConnectionID() override;
    nlohmann::json copyManagedDisplaySpaces(std::int32_t connection) override;
    nlohmann::json copySpacesForWindows(std::int32_t connection, std::int32_t spaceMask,
                                        const nlohmann::json& windowNumbers) override;
    nlohmann::json copyWindowListInfo(std::uint32_t option,
                                      std::uint32_t relativeToWindow) override;
    std::optional<InputEvent> createEvent() override;
    std::vector<std::uint32_t> displaysWithPoint(DisplayPoint point,
                                                 std::uint32_t maximum) override;
    std::optional<std::string> displayUUID(std::uint32_t display) override;
    std::uint32_t mainDisplayID() override;
    void postEvent(std::int32_t tap, const InputEvent& event) override;
    // Nothing is refused: there is simply nothing to read yet.
    bool isAccessibilityTrusted() override;
    void requestAccessibilityTrust() override;
    bool isScreenCaptureAccessGranted() override;
    void requestScreenCaptureAccess() override;
    void setActiveSpaceObserver(std::function<void()> observer) override;

private:
    // The readable desktop, once there is one; asks `retry` when there is
    // not (outside the lock, at most once every retryInterval).
    std::shared_ptr<WindowServer> readable();
    std::shared_ptr<WindowServer> current();
    std::shared_ptr<WindowServer> readableOrThrow();

    std::string reason_;
    Retry retry_;
    std::chrono::milliseconds retryInterval_;
    std::mutex mutex_;
    bool looking_ = false;
    std::optional<std::chrono::steady_clock::time_point> lastLook_;
    std::shared_ptr<WindowServer> inner_;
    std::function<void()> observer_;
};

} // namespace deskmap::platform
