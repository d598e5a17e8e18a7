#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace deskmap::app {

// Bounds a teardown: unless destroyed within `limit`, calls `endProcess`
// with `exitCode` from a thread of its own (the teardown's thread is the one
// that waits).
class ExitWatchdog {
public:
    ExitWatchdog(std::chrono::milliseconds limit, int exitCode,
                 std::function<void(int)> endProcess);
    ~ExitWatchdog();
    ExitWatchdog(const ExitWatchdog&) = delete;
    ExitWatchdog& operator=(const ExitWatchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable dismissed_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace deskmap::app
