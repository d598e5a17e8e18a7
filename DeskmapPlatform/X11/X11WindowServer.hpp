#pragma once

#include "DeskmapPlatform/Gestures/SwipeGestureEncoding.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace deskmap::platform {

class X11Connection;

// The window server of an X11 desktop with an EWMH window manager. Its one
// display is the X screen; workspace n (from 0) is the Space n + 1; the
// windows are the window manager's clients. A swipe gesture switches to the
// neighbouring workspace. Reading titles and switching need no permission.
//
// A lost connection fails the call that noticed it (WindowServerError); the
// next call connects again.
class X11WindowServer final : public WindowServer {
public:
    // Test seams.
    struct Hooks {
        // Runs after the client list was read and before the windows'
        // properties are asked for.
        std::function<void()> afterClientList;
        // The process whose windows are left out (they are not the user's
        // work); empty: this one.
        std::optional<std::uint32_t> ownProcess;
    };

    // `display`: an X display name; empty means $DISPLAY. Connects at once
    // and throws WindowServerError when no X server answers.
    explicit X11WindowServer(std::string display = {}, Hooks hooks = {});
    ~X11WindowServer() override;

    // Whether `display` reaches an X server whose window manager announces
    // itself (the default desktop test).
    static bool isAvailable(const std::string& display = {});

    std::int32_t mainConnectionID() override { return 1; }
    nlohmann::json copyManagedDisplaySpaces(std::int32_t connection) override;
    nlohmann::json copySpacesForWindows(std::int32_t connection, std::int32_t spaceMask,
                                        const nlohmann::json& windowNumbers) override;
    nlohmann::json copyWindowListInfo(std::uint32_t option,
                                      std::uint32_t relativeToWindow) override;
    std::optional<InputEvent> createEvent() override;
    std::vector<std::uint32_t> displaysWithPoint(DisplayPoint point,
                                                 std::uint32_t maximum) override;
    std::optional<std::string> displayUUID(std::uint32_t display) override;
    std::uint32_t mainDisplayID() override { return displayNumber; }
    void postEvent(std::int32_t tap, const InputEvent& event) override;
    bool isAccessibilityTrusted() override { return true; }
    void requestAccessibilityTrust() override {}
    // X clients may read each other's titles and send each other events.
    bool isScreenCaptureAccessGranted() override { return true; }
    void requestScreenCaptureAccess() override {}
    // Not to be called from the observer itself.
    void setActiveSpaceObserver(std::function<void()> observer) override;
    // The root window announces the number of workspaces as it changes.
    bool announcesStructureChanges() const override { return true; }

    static constexpr std::uint32_t displayNumber = 1;

private:
    // The live connection, made again after a loss; call with mutex_ held.
    X11Connection& connection();
    // Runs `read` on the connection; a lost connection is dropped so the
    // next call reconnects.
    template <class Read> auto withConnection(Read read);
    struct Desktops {
        std::uint32_t count = 0;
        std::optional<std::uint32_t> current;
        std::vector<std::string> names; // as many as the window manager set
    };
    Desktops readDesktops(X11Connection& connection);
    nlohmann::json spacesOf(std::uint32_t desktop, std::uint32_t count) const;
    void watchActiveSpace();
    void notifyObserver();

    std::string display_;
    Hooks hooks_;
    std::mutex mutex_;
    std::unique_ptr<X11Connection> connection_;
    // Each window's desktop as the last window list read it, so the
    // per-window assignment calls need no round trip.
    std::map<std::uint32_t, std::optional<std::uint32_t>> windowDesktops_;
    std::uint32_t desktopCount_ = 0;
    SwipeGestureEncoding::Decoder swipes_;

    std::mutex watcherMutex_;
    std::mutex observerMutex_;
    std::function<void()> observer_;
    std::thread watcher_;
    int wakePipe_[2] = {-1, -1};
};

} // namespace deskmap::platform
