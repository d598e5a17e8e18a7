#include "DeskmapPlatform/Http/UrlSession.hpp"

#include "DeskmapPlatform/Http/HttpTransport.hpp"
#include "DeskmapPlatform/Modules/ModuleLoader.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"

#include <algorithm>
#include <asio/experimental/as_tuple.hpp>
#include <asio/experimental/concurrent_channel.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

namespace deskmap::platform {

namespace {

using Outcome = HttpOutcome;
using OutcomeChannel = asio::experimental::concurrent_channel<void(asio::error_code, Outcome)>;

// A header line is "Name: value\r\n"; a line break inside either part would
// end it early and let the rest pass as further headers.
void requireSafeHeaders(const UrlRequest& request) {
    for (const auto& [name, value] : request.headers) {
        const auto unsafe = [](const std::string& text) {
            return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
        };
        if (unsafe(name) || unsafe(value)) {
            throw UrlError("the request header \"" +
                           (unsafe(name) ? std::string("(unnamed)") : name) +
                           "\" contains a line break");
        }
    }
}

// Where the worker thread delivers a transfer's outcome. The waiting
// coroutine attaches its channel for as long as it waits; after that the
// worker finds nothing attached, so it never touches a channel (or the
// io_context behind it) that may already be gone.
class Mailbox {
public:
    void attach(OutcomeChannel* channel) {
        std::lock_guard lock(mutex_);
        channel_ = channel;
    }

    void deliver(Outcome outcome) {
        std::lock_guard lock(mutex_);
        if (channel_ != nullptr) {
            channel_->try_send(asio::error_code(), std::move(outcome));
        }
    }

private:
    std::mutex mutex_;
    OutcomeChannel* channel_ = nullptr;
};

} // namespace

UrlSession::UrlSession(std::size_t maximumBodyBytes)
    : worker_(makeHttpTransport(maximumBodyBytes)) {}

UrlSession::~UrlSession() = default;

// Detaches the mailbox and drops an unfinished transfer however the waiting
// coroutine ends, also when its frame is destroyed without resuming.
class UrlSession::TransferGuard {
public:
    TransferGuard(HttpTransport& worker, std::shared_ptr<Mailbox> mailbox, OutcomeChannel& channel)
        : worker_(worker), mailbox_(std::move(mailbox)) {
        mailbox_->attach(&channel);
    }
    ~TransferGuard() {
        mailbox_->attach(nullptr);
        if (id_ && !finished_) {
            worker_.cancel(*id_);
        }
    }
    TransferGuard(const TransferGuard&) = delete;
    TransferGuard& operator=(const TransferGuard&) = delete;

    void started(std::uint64_t id) { id_ = id; }
    void finished() { finished_ = true; }

private:
    HttpTransport& worker_;
    std::shared_ptr<Mailbox> mailbox_;
    std::optional<std::uint64_t> id_;
    bool finished_ = false;
};

asio::awaitable<UrlLoad> UrlSession::data(UrlRequest request) {
    requireSafeHeaders(request);
    co_await runtime::checkCancellation();
    OutcomeChannel channel(co_await asio::this_coro::executor, 1);
    auto mailbox = std::make_shared<Mailbox>();
    TransferGuard guard(*worker_, mailbox, channel); // declared after the channel: detaches first
    guard.started(worker_->submit(
        std::move(request), [mailbox](Outcome outcome) { mailbox->deliver(std::move(outcome)); }));
    auto receiving = channel.async_receive(asio::experimental::as_tuple(asio::use_awaitable));
    auto [error, outcome] = co_await std::move(receiving);
    if (error) {
        throw runtime::CancellationError(); // the guard drops the transfer
    }
    guard.finished();
    if (auto* failure = std::get_if<UrlError>(&outcome)) {
        throw *failure;
    }
    co_return std::get<UrlLoad>(std::move(outcome));
}

} // namespace deskmap::platform

namespace deskmap::platform {

std::unique_ptr<HttpTransport> makeHttpTransport(std::size_t maximumBodyBytes) {
    using Create = HttpTransport* (*)(std::size_t);
    try {
        const auto create = reinterpret_cast<Create>(
            moduleSymbol("libdeskmap-curl.so", "deskmap_create_http_transport"));
        std::unique_ptr<HttpTransport> transport(create(maximumBodyBytes));
        if (!transport) {
            throw UrlError("the HTTP client could not be created");
        }
        return transport;
    } catch (const ModuleError& error) {
        throw UrlError(std::string("the HTTP client is missing (") + error.what() + ")");
    }
}

} // namespace deskmap::platform
