#include "ExitWatchdog.hpp"

namespace deskmap::app {

ExitWatchdog::ExitWatchdog(std::chrono::milliseconds limit, int exitCode,
                           std::function<void(int)> endProcess)
    : thread_([this, limit, exitCode, end = std::move(endProcess)] {
          std::unique_lock lock(mutex_);
          if (!dismissed_.wait_for(lock, limit, [this] { return done_; })) {
              lock.unlock();
              end(exitCode);
          }
      }) {}

ExitWatchdog::~ExitWatchdog() {
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    dismissed_.notify_all();
    thread_.join();
}

} // namespace deskmap::app
