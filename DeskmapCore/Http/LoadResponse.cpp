#include "DeskmapCore/Http/LoadResponse.hpp"

#include "DeskmapCore/Text/DisplayText.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Runtime/Deadline.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <nlohmann/json.hpp>

#include <asio/this_coro.hpp>

namespace deskmap {

namespace {

std::string describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const LocalizedError& localized) {
        return localized.errorDescription().value_or(localized.what());
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return "unknown error";
    }
}

bool isDeadline(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const runtime::DeadlineExceeded&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

std::optional<std::string> modelRefusal(int status, const std::string& body,
                                        const std::string& model) {
    if ((status != 400 && status != 404) || model.empty()) {
        return std::nullopt;
    }
    // Both APIs answer {"error": {"message": "…"}}; anything else says nothing.
    const auto parsed = nlohmann::json::parse(body, nullptr, false);
    if (!parsed.is_object() || !parsed.contains("error") || !parsed["error"].is_object()) {
        return std::nullopt;
    }
    const auto& message = parsed["error"].value("message", nlohmann::json());
    if (!message.is_string()) {
        return std::nullopt;
    }
    const auto text = message.get<std::string>();
    if (Unicode::caseFolded(text).find(Unicode::caseFolded(model)) == std::string::npos) {
        return std::nullopt;
    }
    return DisplayText::shown(text, 199); // with its "…", 200 characters at most
}

asio::awaitable<std::string> loadResponse(platform::UrlRequest request,
                                          std::shared_ptr<HTTPDataLoading> loader,
                                          APIProvider provider,
                                          std::chrono::steady_clock::duration deadline,
                                          std::optional<std::string> model) {
    HTTPDataLoad load;
    std::exception_ptr failure;
    try {
        co_await runtime::checkCancellation();
        auto bounded = runtime::withDeadline(loader->data(std::move(request)), deadline);
        load = co_await std::move(bounded);
        // A cancellation that arrived while the load finished still wins.
        co_await runtime::checkCancellation();
    } catch (...) {
        failure = std::current_exception();
    }

    if (failure) {
        if (runtime::isCancellation(failure)) {
            throw runtime::CancellationError();
        }
        if (isDeadline(failure)) {
            throw provider.transportFailure("request timed out");
        }
        const auto state = co_await asio::this_coro::cancellation_state;
        if (state.cancelled() != asio::cancellation_type::none) {
            throw runtime::CancellationError();
        }
        throw provider.transportFailure(describe(failure));
    }

    if (!load.response.statusCode) {
        throw provider.invalidResponse("the response was not HTTP");
    }
    const auto status = *load.response.statusCode;
    if (status < 200 || status > 299) {
        if (model) {
            if (const auto refusal = modelRefusal(static_cast<int>(status), load.data, *model)) {
                throw provider.serviceFailure(status, texts::modelRefused(*model, *refusal));
            }
        }
        throw provider.serviceFailure(status, "request was rejected");
    }
    co_return std::move(load.data);
}

} // namespace deskmap
