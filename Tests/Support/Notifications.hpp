#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace deskmap::test {

// Counts the notifications of a window server's active-Space observer.
class Notifications {
public:
    std::function<void()> observer() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++count_;
            changed_.notify_all();
        };
    }
    bool waitFor(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return count_ >= count; });
    }
    int count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

} // namespace deskmap::test
