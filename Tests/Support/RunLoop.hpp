#pragma once

#include <asio/any_io_executor.hpp>
#include <asio/io_context.hpp>
#include <chrono>
#include <functional>

namespace deskmap::test {

// Runs `io` on this thread until `done`, for at most `limit`; false when
// `done` never came.
inline bool runUntil(asio::io_context& io, const std::function<bool()>& done,
                     std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        io.restart();
        io.run_one_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The test's thread as the main loop: an io_context it runs while it waits.
struct IoContextMainLoop {
    asio::any_io_executor executor() { return io.get_executor(); }
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        return test::runUntil(io, done, limit);
    }
    asio::io_context io;
};

} // namespace deskmap::test
