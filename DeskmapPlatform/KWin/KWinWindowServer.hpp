#pragma once

#include "DeskmapPlatform/DBus/DBusConnection.hpp"
#include "DeskmapPlatform/Gestures/SwipeGestureEncoding.hpp"
#include "DeskmapPlatform/KWin/DesktopEntryNames.hpp"
#include "DeskmapPlatform/KWin/KWinState.hpp"
#include "DeskmapPlatform/Mapping/LastMap.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace deskmap::platform {

namespace KWin {

inline constexpr const char* objectPath = "/com/quillary/deskmap/KWin";
inline constexpr const char* interfaceName = "com.quillary.deskmap.KWin";
// Every Deskmap process's script is loaded under this prefix and the
// process's unique bus name (":1.42" gives "deskmap-1.42").
inline constexpr const char* pluginPrefix = "deskmap-";

// The script's text (built into the program, so a program always runs the
// script made for it).
extern const char* const scriptText;

} // namespace KWin

// KWin's virtual desktops and windows, sent by a KWin script that this
// process loads into KWin at run time over D-Bus and unloads when it ends.
// The script calls back into an object this process serves on its own bus
// connection, so nothing polls: its messages keep the state and drive the
// observer. Each process has a script of its own, named after its unique
// bus name; a script whose process is gone is unloaded by the next one to
// start. Switching sets KWin's current desktop, one step per gesture.
class KWinWindowServer final : public WindowServer {
public:
    struct Options {
        std::function<std::unique_ptr<DBus::Connection>()> connect = DBus::connectSessionBus;
        // The deadline of every call, and of the first state.
        std::chrono::milliseconds callTimeout{2000};
        // How often the bus is tried again after losing it.
        std::chrono::milliseconds retryDelay{1000};
        // The process whose windows are this program's own (this one's where unset).
        std::optional<std::int64_t> ownProcess;
        // Where the scripts' files are written (empty: a private folder in
        // XDG_RUNTIME_DIR, else in /tmp, with files only this user can read;
        // a folder given is the caller's to keep private, and its files are
        // readable by KWin's user where that is another).
        std::filesystem::path scriptFolder;
        // Where desktop entries are looked for (empty: the XDG data folders).
        std::vector<std::filesystem::path> dataFolders;
    };

    // Starts loading the script; throws WindowServerError when there is no
    // session bus.
    explicit KWinWindowServer(Options options);
    // Unloads the script.
    ~KWinWindowServer() override;

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
    // Titles are readable while the script runs.
    bool isScreenCaptureAccessGranted() override;
    void requestScreenCaptureAccess() override {}
    std::optional<std::string> screenCaptureAccessAdvice() override;
    void setActiveSpaceObserver(std::function<void()> observer) override;
    bool announcesStructureChanges() const override { return true; }

private:
    class ScriptHost;

    // The latest state; waits for the first one up to the call deadline.
    KWin::State state();
    std::string appName(const KWin::Window& window);
    void received(std::optional<KWin::State> state, std::string problem, bool keep);

    Options options_;
    KWin::DesktopEntryNames entryNames_;

    std::mutex stateMutex_;
    std::condition_variable stateArrived_;
    std::optional<KWin::State> state_;
    std::string problem_; // why there is no state, for the user

    std::mutex mutex_; // the numbering and the switching connection
    KWin::Numbering desktopNumbers_;
    KWin::Numbering windowNumbers_;
    Mapping::LastMap lastMap_;
    SwipeGestureEncoding::Decoder swipes_;
    std::unique_ptr<DBus::Connection> switching_;

    std::mutex observerMutex_;
    std::function<void()> observer_;

    std::unique_ptr<ScriptHost> host_;
};

} // namespace deskmap::platform
