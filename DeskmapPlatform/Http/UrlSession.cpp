#include "DeskmapPlatform/Http/UrlSession.hpp"

#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"

#include <algorithm>
#include <asio/experimental/as_tuple.hpp>
#include <asio/experimental/concurrent_channel.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>
#include <condition_variable>
#include <cstdint>
#include <curl/curl.h>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

namespace deskmap::platform {

namespace {

using Outcome = std::variant<UrlLoad, UrlError>;
using OutcomeChannel = asio::experimental::concurrent_channel<void(asio::error_code, Outcome)>;

void initializeCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

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

// Owns the curl multi handle and the thread that drives it. Requests and
// cancellations reach it through a locked inbox and curl_multi_wakeup.
class UrlSession::Worker {
public:
    explicit Worker(std::size_t maximumBodyBytes) : maximumBodyBytes_(maximumBodyBytes) {
        initializeCurlOnce();
        multi_ = curl_multi_init();
        if (multi_ == nullptr) {
            throw UrlError("the HTTP client could not be created");
        }
        thread_ = std::thread([this] { run(); });
    }

    ~Worker() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        curl_multi_wakeup(multi_);
        thread_.join();
        curl_multi_cleanup(multi_);
    }

    std::uint64_t submit(UrlRequest request, std::function<void(Outcome)> complete) {
        std::lock_guard lock(mutex_);
        const auto id = nextID_++;
        inbox_.push_back(Submission{id, std::move(request), std::move(complete)});
        curl_multi_wakeup(multi_);
        return id;
    }

    void cancel(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        cancellations_.push_back(id);
        curl_multi_wakeup(multi_);
    }

private:
    struct Submission {
        std::uint64_t id;
        UrlRequest request;
        std::function<void(Outcome)> complete;
    };

    struct Transfer {
        std::uint64_t id = 0;
        UrlRequest request;
        std::function<void(Outcome)> complete;
        CURL* easy = nullptr;
        curl_slist* headers = nullptr;
        std::string body;
        std::size_t maximumBodyBytes = 0;
        bool tooLarge = false;
        char errorBuffer[CURL_ERROR_SIZE] = {};

        ~Transfer() {
            if (easy != nullptr) {
                curl_easy_cleanup(easy);
            }
            curl_slist_free_all(headers);
        }
    };

    static std::size_t write(char* data, std::size_t size, std::size_t count, void* user) {
        auto* transfer = static_cast<Transfer*>(user);
        const auto bytes = size * count;
        if (transfer->body.size() + bytes > transfer->maximumBodyBytes) {
            transfer->tooLarge = true;
            return 0; // makes curl fail the transfer with a write error
        }
        transfer->body.append(data, bytes);
        return bytes;
    }

    void start(Submission submission) {
        auto transfer = std::make_unique<Transfer>();
        transfer->id = submission.id;
        transfer->request = std::move(submission.request);
        transfer->complete = std::move(submission.complete);
        transfer->maximumBodyBytes = maximumBodyBytes_;
        transfer->easy = curl_easy_init();
        if (transfer->easy == nullptr) {
            transfer->complete(UrlError("the HTTP request could not be created"));
            return;
        }
        auto* easy = transfer->easy;
        const auto& request = transfer->request;
        for (const auto& [name, value] : request.headers) {
            transfer->headers = curl_slist_append(transfer->headers, (name + ": " + value).c_str());
        }
        const auto idleSeconds = std::max<long>(
            1, static_cast<long>(
                   std::chrono::ceil<std::chrono::seconds>(request.timeoutInterval).count()));
        curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        if (!request.body.empty() || request.method == "POST") {
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.body.size()));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
        }
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headers);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(request.timeoutInterval.count()));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, idleSeconds);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Worker::write);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->errorBuffer);
        curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
        if (curl_multi_add_handle(multi_, easy) != CURLM_OK) {
            transfer->complete(UrlError("the HTTP request could not be started"));
            return;
        }
        transfers_.emplace(transfer->id, std::move(transfer));
    }

    void finish(CURL* easy, CURLcode result) {
        Transfer* raw = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
        curl_multi_remove_handle(multi_, easy);
        const auto found = transfers_.find(raw->id);
        auto transfer = std::move(found->second);
        transfers_.erase(found);

        if (transfer->tooLarge) {
            transfer->complete(UrlError("the response body exceeded " +
                                        std::to_string(maximumBodyBytes_) + " bytes"));
        } else if (result != CURLE_OK) {
            const std::string detail = transfer->errorBuffer;
            transfer->complete(UrlError(detail.empty() ? curl_easy_strerror(result) : detail));
        } else {
            long status = 0;
            curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
            transfer->complete(
                UrlLoad{std::move(transfer->body), UrlResponse{static_cast<int>(status)}});
        }
    }

    void drop(std::uint64_t id) {
        const auto found = transfers_.find(id);
        if (found != transfers_.end()) {
            curl_multi_remove_handle(multi_, found->second->easy);
            transfers_.erase(found);
        }
    }

    void run() {
        for (;;) {
            std::vector<Submission> submissions;
            std::vector<std::uint64_t> cancellations;
            {
                std::lock_guard lock(mutex_);
                if (stopping_) {
                    break;
                }
                submissions.swap(inbox_);
                cancellations.swap(cancellations_);
            }
            for (auto& submission : submissions) {
                start(std::move(submission));
            }
            for (const auto id : cancellations) {
                drop(id);
            }
            int running = 0;
            curl_multi_perform(multi_, &running);
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
                if (message->msg == CURLMSG_DONE) {
                    finish(message->easy_handle, message->data.result);
                }
            }
            curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
        }
        // Whoever still waits learns that the session is gone.
        for (auto& [id, transfer] : transfers_) {
            curl_multi_remove_handle(multi_, transfer->easy);
            transfer->complete(UrlError("the HTTP session was closed"));
        }
        transfers_.clear();
        for (auto& submission : inbox_) {
            submission.complete(UrlError("the HTTP session was closed"));
        }
        inbox_.clear();
    }

    std::size_t maximumBodyBytes_;
    CURLM* multi_ = nullptr;
    std::thread thread_;

    std::mutex mutex_; // guards the inbox, the cancellations and stopping_
    std::vector<Submission> inbox_;
    std::vector<std::uint64_t> cancellations_;
    bool stopping_ = false;
    std::uint64_t nextID_ = 1;

    std::map<std::uint64_t, std::unique_ptr<Transfer>> transfers_; // worker thread only
};

UrlSession::UrlSession(std::size_t maximumBodyBytes)
    : worker_(std::make_unique<Worker>(maximumBodyBytes)) {}

UrlSession::~UrlSession() = default;

// Detaches the mailbox and drops an unfinished transfer however the waiting
// coroutine ends, also when its frame is destroyed without resuming.
class UrlSession::TransferGuard {
public:
    TransferGuard(Worker& worker, std::shared_ptr<Mailbox> mailbox, OutcomeChannel& channel)
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
    Worker& worker_;
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
