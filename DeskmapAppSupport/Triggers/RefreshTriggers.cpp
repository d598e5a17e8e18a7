#include "DeskmapAppSupport/Triggers/RefreshTriggers.hpp"

#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/RunOn.hpp"

#include <asio/experimental/concurrent_channel.hpp>
#include <asio/use_awaitable.hpp>
#include <optional>

namespace deskmap {

namespace {

// Carries "the active Space changed" from the window server's thread. Room
// for one: a notification that finds one waiting adds nothing to it.
using Notifications = asio::experimental::concurrent_channel<void(asio::error_code, bool)>;

} // namespace

struct RefreshTriggers::Shared {
    asio::any_io_executor executor;
    asio::any_io_executor background;
    std::shared_ptr<RefreshCoordinator> coordinator;
    std::shared_ptr<SpaceTopologyCollecting> topology;
    std::shared_ptr<platform::WindowServer> notifications;
    RefreshTriggerTiming timing;
    std::shared_ptr<Notifications> changes;

    // Nothing when the read fails: that is left to the next refresh to
    // report. A cancellation passes through.
    asio::awaitable<std::optional<SpaceTopology>> readTopology() {
        std::exception_ptr failure;
        try {
            auto reading = runtime::callOn(
                background, [topology = topology] { return topology->collectTopology(); });
            co_return co_await std::move(reading);
        } catch (...) {
            failure = std::current_exception();
        }
        if (runtime::isCancellation(failure)) {
            std::rethrow_exception(failure);
        }
        co_return std::nullopt;
    }

    asio::awaitable<void> refresh() {
        auto refreshing = coordinator->refresh(false);
        co_await std::move(refreshing);
    }

    static asio::awaitable<void> poll(std::shared_ptr<Shared> self) {
        for (;;) {
            auto refreshing = self->refresh();
            co_await std::move(refreshing);
            auto pausing = runtime::sleepFor(self->timing.pollInterval);
            co_await std::move(pausing);
        }
    }

    // The display structure last read, by either task (both run on the one
    // executor).
    std::optional<std::vector<DisplaySpaceStructure>> structure;

    // Whether `read` changes the structure; remembers it.
    bool structureChanged(const SpaceTopology& read) {
        auto now = read.displayStructure();
        const bool changed = !structure || *structure != now;
        structure = std::move(now);
        return changed;
    }

    // Spaces added, removed or moved between displays need a full refresh.
    // A window server that announces them is heard by followActiveSpace
    // after the first reading; any other is read every structureInterval.
    static asio::awaitable<void> watchStructure(std::shared_ptr<Shared> self) {
        const bool announced = self->notifications->announcesStructureChanges();
        for (;;) {
            auto reading = self->readTopology();
            const auto read = co_await std::move(reading);
            if (read && self->structureChanged(*read)) {
                auto refreshing = self->refresh();
                co_await std::move(refreshing);
            }
            if (announced && read) {
                co_return; // nothing to poll: the idle app stays asleep
            }
            auto pausing = runtime::sleepFor(self->timing.structureInterval);
            co_await std::move(pausing);
        }
    }

    static asio::awaitable<void> followActiveSpace(std::shared_ptr<Shared> self) {
        for (;;) {
            auto receiving = self->changes->async_receive(asio::use_awaitable);
            co_await std::move(receiving);
            co_await runtime::checkCancellation();
            auto reading = self->readTopology();
            auto read = co_await std::move(reading);
            co_await runtime::checkCancellation();
            bool absorbed = false;
            const bool restructured = read && self->notifications->announcesStructureChanges() &&
                                      self->structureChanged(*read);
            if (read && !restructured) {
                auto accepting = self->coordinator->activeSpaceChanged(std::move(*read));
                absorbed = co_await std::move(accepting);
            }
            if (!absorbed) {
                auto refreshing = self->refresh();
                co_await std::move(refreshing);
            }
        }
    }
};

RefreshTriggers::RefreshTriggers(asio::any_io_executor executor, asio::any_io_executor background,
                                 std::shared_ptr<RefreshCoordinator> coordinator,
                                 std::shared_ptr<SpaceTopologyCollecting> topology,
                                 std::shared_ptr<platform::WindowServer> notifications,
                                 RefreshTriggerTiming timing)
    : shared_(std::make_shared<Shared>()) {
    shared_->executor = std::move(executor);
    shared_->background = std::move(background);
    shared_->coordinator = std::move(coordinator);
    shared_->topology = std::move(topology);
    shared_->notifications = std::move(notifications);
    shared_->timing = timing;
    shared_->changes = std::make_shared<Notifications>(shared_->executor, 1);
}

RefreshTriggers::~RefreshTriggers() {
    if (!tasks_.empty()) {
        shared_->notifications->setActiveSpaceObserver({});
    }
    for (const auto& task : tasks_) {
        task.cancel();
    }
}

void RefreshTriggers::start() {
    if (!tasks_.empty()) {
        return;
    }
    shared_->notifications->setActiveSpaceObserver(
        [changes = shared_->changes] { changes->try_send(asio::error_code(), true); });
    tasks_.push_back(runtime::Task<void>::spawn(shared_->executor, Shared::poll(shared_)));
    tasks_.push_back(
        runtime::Task<void>::spawn(shared_->executor, Shared::watchStructure(shared_)));
    tasks_.push_back(
        runtime::Task<void>::spawn(shared_->executor, Shared::followActiveSpace(shared_)));
}

asio::awaitable<void> RefreshTriggers::stop() {
    if (tasks_.empty()) {
        co_return;
    }
    shared_->notifications->setActiveSpaceObserver({});
    for (const auto& task : tasks_) {
        task.cancel();
    }
    for (const auto& task : tasks_) {
        try {
            auto ending = task.value();
            co_await std::move(ending);
        } catch (...) {
            // Cancelled, as asked; any other end is no longer of interest.
        }
    }
    tasks_.clear();
}

} // namespace deskmap
