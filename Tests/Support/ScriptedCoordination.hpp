#pragma once

#include "DeskmapAppSupport/Credentials/CredentialStoring.hpp"
#include "DeskmapAppSupport/Factories/SummarizerBuilding.hpp"
#include "DeskmapAppSupport/Permissions/WindowTitleAccessChecking.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/Inventory/SpaceCollecting.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

// Scripted collaborators for driving the refresh coordinator in tests.
namespace deskmap::test {

// A door a thread waits at until the test opens it.
class Door {
public:
    void close() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void passThrough() {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.wait(lock, [this] { return open_; });
        --waiting_;
    }
    int waiting() const {
        std::lock_guard lock(mutex_);
        return waiting_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
    int waiting_ = 0;
};

// Returns `inventory` (or throws `failure`) after passing `door`.
class ScriptedCollector final : public SpaceCollecting {
public:
    Inventory collect() override {
        ++calls;
        door.passThrough();
        std::lock_guard lock(mutex);
        if (failure) {
            throw *failure;
        }
        return inventory;
    }
    NamedInventory collectNamed() override {
        auto collected = collect();
        std::lock_guard lock(mutex);
        return {std::move(collected), names};
    }
    void set(Inventory next, DesktopNames nextNames = {}) {
        std::lock_guard lock(mutex);
        inventory = std::move(next);
        names = std::move(nextNames);
    }

    Door door;
    std::atomic<int> calls{0};
    std::mutex mutex;
    Inventory inventory;
    DesktopNames names;
    std::optional<DeskmapError> failure;
};

class ScriptedCredentials final : public CredentialStoring {
public:
    // Runs on the reading thread, before the read answers (as a user may
    // act while a secret store waits on its prompt).
    std::function<void()> whileReading;

    std::optional<std::string> token() const override {
        if (whileReading) {
            whileReading();
        }
        std::lock_guard lock(mutex);
        if (readFailure) {
            throw *readFailure;
        }
        return stored;
    }
    void save(const std::string& token) override {
        std::lock_guard lock(mutex);
        stored = token;
    }
    void remove() override {
        std::lock_guard lock(mutex);
        stored.reset();
    }
    void failReads(std::optional<DeskmapError> error) {
        std::lock_guard lock(mutex);
        readFailure = std::move(error);
    }

private:
    mutable std::mutex mutex;
    std::optional<std::string> stored = "sk-test";
    std::optional<DeskmapError> readFailure;
};

// Builds summarizers that label every Space "Work <n>" with the run number,
// optionally holding each run until released, or failing it.
class ScriptedSummarizers final : public SummarizerBuilding {
public:
    std::shared_ptr<SpaceSummarizing> makeSummarizer(const std::string& token) const override;

    std::atomic<bool> hold{false};
    // A held run that keeps waiting when cancelled, as a blocking client would.
    std::atomic<bool> ignoreCancellation{false};
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    mutable std::atomic<int> built{0};
    mutable std::string lastToken;
    std::optional<DeskmapError> failure;
    std::optional<DeskmapError> buildFailure;
    // Runs as a run ends, given its number; throwing fails that run.
    std::function<void(int run)> beforeReturning;
};

class ScriptedWindowTitleAccess final : public WindowTitleAccessChecking {
public:
    bool isGranted() const override { return granted; }
    std::atomic<bool> granted{true};
};

} // namespace deskmap::test
