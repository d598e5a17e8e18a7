#pragma once

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

} // namespace deskmap::test
