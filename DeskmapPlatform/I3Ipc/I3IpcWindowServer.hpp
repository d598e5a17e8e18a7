#pragma once

#include "DeskmapPlatform/Gestures/SwipeGestureEncoding.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcConnection.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcLayout.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace deskmap::platform {

namespace I3Ipc {
class EventWatch;
}

// The window server of a tiling window manager that speaks the i3 IPC
// protocol (i3 on X11, sway on Wayland). Every active output is a display;
// its workspaces, in the order the window manager cycles through them, are
// its Spaces, the visible one current; the windows are the leaves of each
// workspace's tiled and floating trees. The cursor display is the focused
// output, and a swipe shows the neighbouring workspace on it. Reading
// titles and switching need no permission.
//
// A lost or refused socket fails the call that noticed it
// (WindowServerError); the next call connects again.
class I3IpcWindowServer final : public WindowServer {
public:
    struct Options {
        // Finds the socket; asked again at every reconnect, since a
        // restarted window manager may listen elsewhere.
        std::function<std::optional<std::string>()> locateSocket;
        // The sentence when locateSocket finds none.
        std::string noSocketMessage = "No window manager IPC socket was found.";
        I3Ipc::Connection::Limits limits;
        // How often the event subscription tries to connect again.
        std::chrono::milliseconds retryDelay{500};
        // The process whose windows are this program's own, not the user's
        // work (this one's where unset).
        std::optional<std::int64_t> ownProcess;
    };

    // Connects at once and throws WindowServerError when nothing answers.
    explicit I3IpcWindowServer(Options options);
    ~I3IpcWindowServer() override;

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
    std::uint32_t mainDisplayID() override;
    void postEvent(std::int32_t tap, const InputEvent& event) override;
    bool isAccessibilityTrusted() override { return true; }
    void requestAccessibilityTrust() override {}
    bool isScreenCaptureAccessGranted() override { return true; }
    void requestScreenCaptureAccess() override {}
    // Not to be called from the observer itself.
    void setActiveSpaceObserver(std::function<void()> observer) override;
    // Workspace and output events cover every workspace that comes, goes or
    // moves.
    bool announcesStructureChanges() const override { return true; }

private:
    // The live connection, made again after a loss; call with mutex_ held.
    I3Ipc::Connection& connection();
    std::vector<std::string>
    exchange(const std::vector<std::pair<I3Ipc::MessageType, std::string>>& requests);
    // The outputs and workspaces now, and the tree's reply kept for the
    // next window list when `withTree`; call with mutex_ held.
    I3Ipc::Layout readCurrentLayout(bool withTree = false);
    // A display number for an output, the same for as long as this object
    // lives; call with mutex_ held.
    std::uint32_t displayNumber(const I3Ipc::Output& output);
    void notifyObserver();

    Options options_;
    std::mutex mutex_;
    std::unique_ptr<I3Ipc::Connection> connection_;
    std::map<std::string, std::uint32_t> displayNumbers_; // identifier → number
    std::optional<std::uint32_t> mainDisplay_;
    // Container ids are 64-bit; window numbers are 32-bit and handed out
    // here, kept for as long as the window is seen.
    std::unordered_map<std::uint64_t, std::uint32_t> windowNumbers_;
    std::uint32_t nextWindowNumber_ = 1;
    // Each window's workspace as the last window list read it.
    std::unordered_map<std::uint32_t, std::uint64_t> windowWorkspaces_;
    struct PendingTree {
        std::string reply;
        std::chrono::steady_clock::time_point read;
    };
    std::optional<PendingTree> pendingTree_;
    SwipeGestureEncoding::Decoder swipes_;

    std::mutex watchMutex_;
    std::mutex observerMutex_;
    std::function<void()> observer_;
    std::unique_ptr<I3Ipc::EventWatch> watch_;
};

} // namespace deskmap::platform
