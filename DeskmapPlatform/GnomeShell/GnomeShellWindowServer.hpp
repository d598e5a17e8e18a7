#pragma once

#include "DeskmapPlatform/DBus/DBusConnection.hpp"
#include "DeskmapPlatform/Gestures/SwipeGestureEncoding.hpp"
#include "DeskmapPlatform/GnomeShell/GnomeShellState.hpp"
#include "DeskmapPlatform/Mapping/LastMap.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace deskmap::platform {

namespace GnomeShell {

inline constexpr const char* extensionUUID = "deskmap@quillary.com";
inline constexpr const char* busName = "com.quillary.deskmap.GnomeShell";
inline constexpr const char* objectPath = "/com/quillary/deskmap/GnomeShell";
inline constexpr const char* interfaceName = "com.quillary.deskmap.GnomeShell";

} // namespace GnomeShell

// GNOME Shell's workspaces and windows, read through Deskmap's own Shell
// extension on the session bus (see GnomeShellState.hpp for the map). The
// extension's change signal drives the observer, so nothing polls. Titles
// are readable, and switching possible, while the extension runs: where it
// is missing, disabled or of another version every read fails with a
// sentence that says what to do.
class GnomeShellWindowServer final : public WindowServer {
public:
    struct Options {
        std::function<std::unique_ptr<DBus::Connection>()> connect = DBus::connectSessionBus;
        // The deadline of every call.
        std::chrono::milliseconds callTimeout{2000};
        // How often the change watch tries the bus again after losing it.
        std::chrono::milliseconds retryDelay{1000};
        // The process whose windows are this program's own (this one's where unset).
        std::optional<std::int64_t> ownProcess;
    };

    // Connects to the session bus; throws WindowServerError when there is none.
    explicit GnomeShellWindowServer(Options options);
    ~GnomeShellWindowServer() override;

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
    // The extension is what lets Deskmap read titles on GNOME.
    bool isScreenCaptureAccessGranted() override;
    // Enables the extension where it is installed.
    void requestScreenCaptureAccess() override;
    std::optional<std::string> screenCaptureAccessAdvice() override;
    void setActiveSpaceObserver(std::function<void()> observer) override;
    bool announcesStructureChanges() const override { return true; }

private:
    class ChangeWatch;

    // Call with mutex_ held.
    DBus::Connection& connection();
    nlohmann::json call(const DBus::MethodCall& call);
    GnomeShell::State readState();
    // The state read with the Spaces, for the window list that follows.
    GnomeShell::State stateForWindowList();
    // The unique name of GNOME Shell's connection; throws WindowServerError
    // when it is not running.
    std::string shellOwner();
    // Why the extension does not answer, as a sentence for the user.
    std::string diagnoseMissingExtension(const std::string& shell);
    // Throws VersionError when the extension says it is of another version.
    void refuseOtherVersion(const std::string& shell);
    void notifyObserver();

    Options options_;
    std::mutex mutex_;
    std::unique_ptr<DBus::Connection> connection_;
    Mapping::LastMap lastMap_;
    struct PendingState {
        GnomeShell::State state;
        std::chrono::steady_clock::time_point read;
    };
    std::optional<PendingState> pendingState_;
    SwipeGestureEncoding::Decoder swipes_;

    std::mutex watchMutex_;
    std::mutex observerMutex_;
    std::function<void()> observer_;
    std::unique_ptr<ChangeWatch> watch_;
};

} // namespace deskmap::platform
