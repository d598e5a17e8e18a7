#include "DeskmapAppSupport/Authorization/SummaryAuthorizationGate.hpp"

#include "DeskmapCore/Support/RandomUUID.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"

#include <asio/post.hpp>
#include <asio/use_awaitable.hpp>
#include <vector>

namespace deskmap {

namespace {

asio::awaitable<SummaryResult> summarize(std::shared_ptr<SpaceSummarizing> summarizer,
                                         Inventory inventory) {
    // A task spawned from a thread that already runs the executor starts
    // inline, inside makeSummaryTask and under the gate's lock. Posting first
    // makes the summary's own work begin only after the lock is released.
    co_await asio::post(asio::use_awaitable);
    co_await runtime::checkCancellation();
    auto summarizing = summarizer->summarize(std::move(inventory));
    co_return co_await std::move(summarizing);
}

} // namespace

SummaryAuthorizationGate::SummaryAuthorizationGate(asio::any_io_executor executor, bool authorized)
    : executor_(std::move(executor)), authorized_(authorized) {}

void SummaryAuthorizationGate::authorize() {
    std::lock_guard guard(lock_);
    authorized_ = true;
}

void SummaryAuthorizationGate::revoke() {
    std::map<std::string, runtime::Task<SummaryResult>> revoked;
    {
        std::lock_guard guard(lock_);
        authorized_ = false;
        ++generation_; // unsigned: wraps on overflow
        revoked.swap(tasks_);
    }
    for (const auto& [id, task] : revoked) {
        task.cancel();
    }
}

bool SummaryAuthorizationGate::isAuthorized() const {
    std::lock_guard guard(lock_);
    return authorized_;
}

std::optional<AuthorizationToken> SummaryAuthorizationGate::currentToken() const {
    std::lock_guard guard(lock_);
    return authorized_ ? std::optional<AuthorizationToken>(AuthorizationToken{generation_})
                       : std::nullopt;
}

bool SummaryAuthorizationGate::isCurrentLocked(const AuthorizationToken& token) const {
    return authorized_ && token.generation == generation_;
}

bool SummaryAuthorizationGate::isCurrent(const AuthorizationToken& token) const {
    std::lock_guard guard(lock_);
    return isCurrentLocked(token);
}

std::optional<SummaryTaskHandle>
SummaryAuthorizationGate::makeSummaryTask(std::shared_ptr<SpaceSummarizing> summarizer,
                                          Inventory inventory,
                                          const AuthorizationToken& authorizationToken) {
    std::lock_guard guard(lock_);
    if (!isCurrentLocked(authorizationToken)) {
        return std::nullopt;
    }
    auto id = randomUUID();
    auto task = runtime::Task<SummaryResult>::spawn(
        executor_, summarize(std::move(summarizer), std::move(inventory)));
    tasks_.emplace(id, task);
    return SummaryTaskHandle{std::move(id), std::move(task)};
}

void SummaryAuthorizationGate::finish(const SummaryTaskHandle& handle) {
    std::lock_guard guard(lock_);
    tasks_.erase(handle.id);
}

std::size_t SummaryAuthorizationGate::runningTaskCount() const {
    std::lock_guard guard(lock_);
    return tasks_.size();
}

} // namespace deskmap
