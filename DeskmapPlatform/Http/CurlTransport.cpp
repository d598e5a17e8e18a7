// The HTTP transport over libcurl, built as a module the program loads on
// first use: libcurl and the libraries behind it (TLS, Kerberos, LDAP, …) cost
// every command several milliseconds at start, and most commands never make
// a request.
#include "DeskmapPlatform/Http/HttpTransport.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <curl/curl.h>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

namespace deskmap::platform {

namespace {

void initializeCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Owns the curl multi handle and the thread that drives it. Requests and
// cancellations reach it through a locked inbox and curl_multi_wakeup.
class CurlTransport final : public HttpTransport {
public:
    explicit CurlTransport(std::size_t maximumBodyBytes) : maximumBodyBytes_(maximumBodyBytes) {
        initializeCurlOnce();
        multi_ = curl_multi_init();
        if (multi_ == nullptr) {
            throw UrlError("the HTTP client could not be created");
        }
        thread_ = std::thread([this] { run(); });
    }

    ~CurlTransport() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        curl_multi_wakeup(multi_);
        thread_.join();
        curl_multi_cleanup(multi_);
    }

    std::uint64_t submit(UrlRequest request, std::function<void(HttpOutcome)> complete) override {
        std::lock_guard lock(mutex_);
        const auto id = nextID_++;
        inbox_.push_back(Submission{id, std::move(request), std::move(complete)});
        curl_multi_wakeup(multi_);
        return id;
    }

    void cancel(std::uint64_t id) override {
        std::lock_guard lock(mutex_);
        cancellations_.push_back(id);
        curl_multi_wakeup(multi_);
    }

private:
    struct Submission {
        std::uint64_t id;
        UrlRequest request;
        std::function<void(HttpOutcome)> complete;
    };

    struct Transfer {
        std::uint64_t id = 0;
        UrlRequest request;
        std::function<void(HttpOutcome)> complete;
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
        if (request.direct) {
            curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
        }
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(request.timeoutInterval.count()));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, idleSeconds);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransport::write);
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

    static constexpr int idleWait = 24 * 60 * 60 * 1000; // woken long before

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
            // Idle, it sleeps until woken (a submission, a cancellation, the
            // end): a periodic wake-up would cost an idle app its sleep.
            // While transfers run, curl's own timeouts need a second at most.
            curl_multi_poll(multi_, nullptr, 0, transfers_.empty() ? idleWait : 1000, nullptr);
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

} // namespace

} // namespace deskmap::platform

extern "C" __attribute__((visibility("default"))) deskmap::platform::HttpTransport*
deskmap_create_http_transport(std::size_t maximumBodyBytes);

extern "C" __attribute__((visibility("default"))) deskmap::platform::HttpTransport*
deskmap_create_http_transport(std::size_t maximumBodyBytes) {
    try {
        return new deskmap::platform::CurlTransport(maximumBodyBytes);
    } catch (...) {
        return nullptr;
    }
}
