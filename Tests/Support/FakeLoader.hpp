#pragma once

#include "DeskmapCore/Http/HTTPDataLoading.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"

#include <atomic>
#include <chrono>
#include <functional>

namespace deskmap::test {

// A loader whose answer is scripted: after `delay`, `answer` is called and
// its load returned (or its exception thrown). Counts calls and how many
// loads were cancelled while waiting.
class FakeLoader final : public HTTPDataLoading {
public:
    std::chrono::steady_clock::duration delay{};
    std::function<HTTPDataLoad()> answer = [] { return HTTPDataLoad{"{}", {200}}; };
    std::atomic<int> calls{0};
    std::atomic<int> cancelled{0};

    asio::awaitable<HTTPDataLoad> data(platform::UrlRequest) override {
        ++calls;
        try {
            co_await runtime::sleepFor(delay);
        } catch (...) {
            ++cancelled;
            throw;
        }
        co_return answer();
    }
};

} // namespace deskmap::test
