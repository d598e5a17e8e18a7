#pragma once

#include "DeskmapAppSupport/LaunchAtLogin/LaunchAtLoginService.hpp"
#include "DeskmapAppSupport/Permissions/WindowTitleAccessChecking.hpp"
#include "DeskmapAppSupport/SpaceSwitcher/SpaceSwitchAccessibility.hpp"
#include "DeskmapCore/Process/InstalledClientProcessRunning.hpp"
#include "DeskmapPlatform/Keychain/InMemoryKeychain.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/SystemSettings/SystemSettingsOpening.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

// Collaborators of the view model that tell which thread called them.
namespace deskmap::test {

// Notes every call made on a thread that must never make it: the one that
// paints, and the one whose timers and notifications a blocking call holds up.
class ForbiddenThread {
public:
    explicit ForbiddenThread(std::thread::id thread) : threads_{thread} {}
    // Before any call is made.
    void forbid(std::thread::id thread) { threads_.push_back(thread); }
    void check(const char* call) {
        if (std::find(threads_.begin(), threads_.end(), std::this_thread::get_id()) !=
            threads_.end()) {
            std::lock_guard lock(mutex_);
            violations_.emplace_back(call);
        }
    }
    std::vector<std::string> violations() const {
        std::lock_guard lock(mutex_);
        return violations_;
    }

private:
    std::vector<std::thread::id> threads_;
    mutable std::mutex mutex_;
    std::vector<std::string> violations_;
};

// An in-memory keychain that counts its calls and can fail them all.
class WatchedKeychain final : public platform::Keychain {
public:
    explicit WatchedKeychain(std::shared_ptr<ForbiddenThread> forbidden)
        : forbidden_(std::move(forbidden)) {}

    std::int32_t copyMatching(const platform::KeychainItemQuery& query,
                              std::optional<std::vector<std::uint8_t>>& data) override {
        return call("copyMatching", [&] { return items_->copyMatching(query, data); });
    }
    std::int32_t add(const platform::KeychainItemQuery& query,
                     const platform::KeychainItemAttributes& attributes) override {
        return call("add", [&] { return items_->add(query, attributes); });
    }
    std::int32_t update(const platform::KeychainItemQuery& query,
                        const platform::KeychainItemAttributes& attributes) override {
        return call("update", [&] { return items_->update(query, attributes); });
    }
    std::int32_t remove(const platform::KeychainItemQuery& query) override {
        return call("remove", [&] { return items_->remove(query); });
    }

    // The same items, for a test's own setup and checks.
    std::shared_ptr<platform::Keychain> unwatched() const { return items_; }

    std::atomic<int> calls{0};
    // Runs first in every call, on the caller's thread (set before use).
    std::function<void()> beforeCall;
    std::atomic<std::int32_t> failure{platform::KeychainStatus::success}; // success: no failure

private:
    template <class Call> std::int32_t call(const char* name, Call call) {
        forbidden_->check(name);
        ++calls;
        if (beforeCall) {
            beforeCall();
        }
        return failure != platform::KeychainStatus::success ? failure.load() : call();
    }

    std::shared_ptr<ForbiddenThread> forbidden_;
    std::shared_ptr<platform::InMemoryKeychain> items_ =
        std::make_shared<platform::InMemoryKeychain>();
};

// A window server whose queries are watched; everything else is passed on.
// Reads can be held, and window titles changed on the way.
class WatchedWindowServer final : public platform::WindowServer {
public:
    WatchedWindowServer(std::shared_ptr<platform::WindowServer> inner,
                        std::shared_ptr<ForbiddenThread> forbidden)
        : inner_(std::move(inner)), forbidden_(std::move(forbidden)) {}

    std::int32_t mainConnectionID() override { return inner_->mainConnectionID(); }
    nlohmann::json copyManagedDisplaySpaces(std::int32_t connection) override {
        forbidden_->check("copyManagedDisplaySpaces");
        while (holdReads) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return inner_->copyManagedDisplaySpaces(connection);
    }
    nlohmann::json copySpacesForWindows(std::int32_t connection, std::int32_t mask,
                                        const nlohmann::json& windows) override {
        forbidden_->check("copySpacesForWindows");
        return inner_->copySpacesForWindows(connection, mask, windows);
    }
    nlohmann::json copyWindowListInfo(std::uint32_t option, std::uint32_t relative) override {
        forbidden_->check("copyWindowListInfo");
        auto windows = inner_->copyWindowListInfo(option, relative);
        std::lock_guard lock(retitlingMutex_);
        for (auto& window : windows.is_array() ? windows : nothing_) {
            const auto title =
                window.is_object() ? window.value("kCGWindowName", std::string()) : std::string();
            if (const auto found = retitled_.find(title); found != retitled_.end()) {
                window["kCGWindowName"] = found->second;
            }
        }
        return windows;
    }
    // From now on the window titled `from` is titled `to`.
    void retitle(const std::string& from, const std::string& to) {
        std::lock_guard lock(retitlingMutex_);
        retitled_[from] = to;
    }
    std::atomic<bool> holdReads{false};
    std::optional<platform::InputEvent> createEvent() override {
        forbidden_->check("createEvent");
        return inner_->createEvent();
    }
    std::vector<std::uint32_t> displaysWithPoint(platform::DisplayPoint point,
                                                 std::uint32_t maximum) override {
        forbidden_->check("displaysWithPoint");
        return inner_->displaysWithPoint(point, maximum);
    }
    std::optional<std::string> displayUUID(std::uint32_t display) override {
        forbidden_->check("displayUUID");
        return inner_->displayUUID(display);
    }
    std::uint32_t mainDisplayID() override {
        forbidden_->check("mainDisplayID");
        return inner_->mainDisplayID();
    }
    void postEvent(std::int32_t tap, const platform::InputEvent& event) override {
        forbidden_->check("postEvent");
        inner_->postEvent(tap, event);
    }
    bool isAccessibilityTrusted() override { return inner_->isAccessibilityTrusted(); }
    void requestAccessibilityTrust() override { inner_->requestAccessibilityTrust(); }
    bool isScreenCaptureAccessGranted() override { return inner_->isScreenCaptureAccessGranted(); }
    void requestScreenCaptureAccess() override { inner_->requestScreenCaptureAccess(); }
    void setActiveSpaceObserver(std::function<void()> observer) override {
        inner_->setActiveSpaceObserver(std::move(observer));
    }

private:
    std::shared_ptr<platform::WindowServer> inner_;
    std::shared_ptr<ForbiddenThread> forbidden_;
    std::mutex retitlingMutex_;
    std::map<std::string, std::string> retitled_;
    nlohmann::json nothing_ = nlohmann::json::array();
};

class ScriptedTitleAccess final : public WindowTitleAccessRequesting {
public:
    bool isGranted() const override { return granted; }
    void request() override {
        ++requests;
        if (grantOnRequest) {
            granted = true;
        }
    }
    std::optional<std::string> advice() const override { return adviceText; }
    std::atomic<bool> granted{true};
    std::atomic<bool> grantOnRequest{false};
    std::atomic<int> requests{0};
    std::optional<std::string> adviceText; // set before the view model asks
};

class ScriptedAccessibility final : public SpaceSwitchAccessibilityChecking {
public:
    bool isGranted() override { return granted; }
    void request() override {
        ++requests;
        if (grantOnRequest) {
            granted = true;
        }
    }
    std::atomic<bool> granted{true};
    std::atomic<bool> grantOnRequest{false};
    std::atomic<int> requests{0};
};

class ScriptedLaunchAtLogin final : public LaunchAtLoginServicing {
public:
    LaunchAtLoginStatus status() const override { return current; }
    void registerApp() override {
        if (failure) {
            throw std::runtime_error(*failure);
        }
        calls.push_back("register");
        current = afterRegister;
    }
    void unregisterApp() override {
        if (failure) {
            throw std::runtime_error(*failure);
        }
        calls.push_back("unregister");
        current = LaunchAtLoginStatus::disabled;
    }
    void openSystemSettings() override { ++settingsOpened; }

    LaunchAtLoginStatus current = LaunchAtLoginStatus::disabled;
    LaunchAtLoginStatus afterRegister = LaunchAtLoginStatus::enabled;
    std::vector<std::string> calls;
    int settingsOpened = 0;
    std::optional<std::string> failure;
};

class RecordingSettingsPages final : public platform::SystemSettingsOpening {
public:
    bool open(platform::PermissionSettingsPage page) override {
        opened.push_back(page);
        return hasPages;
    }
    std::vector<platform::PermissionSettingsPage> opened;
    bool hasPages = false;
};

// Answers the installed clients' status commands: signed in unless told
// otherwise; a held run waits until released (or cancelled).
class ScriptedClientRunner final : public InstalledClientProcessRunning {
public:
    asio::awaitable<InstalledClientProcessResult>
    run(InstalledClientProcessRequest request) override {
        ++runs;
        while (hold) {
            auto pausing = runtime::sleepFor(std::chrono::milliseconds(2));
            co_await std::move(pausing);
        }
        const bool cursor = request.executable.ends_with("agent");
        if (!signedIn) {
            co_return InstalledClientProcessResult{
                0, cursor ? R"({"isAuthenticated":false})" : "Not logged in\n", ""};
        }
        co_return InstalledClientProcessResult{
            0, cursor ? R"({"isAuthenticated":true})" : "Logged in using ChatGPT\n", ""};
    }
    std::atomic<int> runs{0};
    std::atomic<bool> hold{false};
    std::atomic<bool> signedIn{true};
};

} // namespace deskmap::test
