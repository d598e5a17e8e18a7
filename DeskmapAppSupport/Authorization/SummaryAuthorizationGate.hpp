#pragma once

#include "DeskmapCore/Inventory/SpaceSummarizing.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"

#include <asio/any_io_executor.hpp>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace deskmap {

// Proof that summaries were authorized when it was taken; valid only until
// the next revocation.
struct AuthorizationToken {
    std::uint64_t generation = 0;

    friend bool operator==(const AuthorizationToken&, const AuthorizationToken&) = default;
};

// A summary run started through the gate.
struct SummaryTaskHandle {
    std::string id;
    runtime::Task<SummaryResult> task;

    // Waits for the run: its result, or its failure (CancellationError when
    // it was revoked).
    asio::awaitable<SummaryResult> value() const { return task.value(); }
    void cancel() const { task.cancel(); }
};

// Whether summaries may be made at all, and every summary run in flight, so
// that withdrawing permission stops them at once. Safe to use from any
// thread: one lock guards the state, and cancellation is requested only
// after it is released.
class SummaryAuthorizationGate {
public:
    // Summary runs are started on `executor`.
    SummaryAuthorizationGate(asio::any_io_executor executor, bool authorized);

    void authorize();
    // Ends the authorization period (also when already unauthorized) and
    // cancels every registered run.
    void revoke();

    bool isAuthorized() const;
    std::optional<AuthorizationToken> currentToken() const;
    bool isCurrent(const AuthorizationToken& token) const;

    // Starts `summarizer` on `inventory` when the token is still current;
    // nothing otherwise. The check and the registration are one step, so a
    // concurrent revoke either cancels the run or makes the check fail.
    std::optional<SummaryTaskHandle> makeSummaryTask(std::shared_ptr<SpaceSummarizing> summarizer,
                                                     Inventory inventory,
                                                     const AuthorizationToken& authorizationToken);

    // Forgets a run without cancelling it.
    void finish(const SummaryTaskHandle& handle);

    std::size_t runningTaskCount() const;

private:
    bool isCurrentLocked(const AuthorizationToken& token) const;

    asio::any_io_executor executor_;
    mutable std::mutex lock_;
    bool authorized_;
    std::uint64_t generation_ = 0;
    std::map<std::string, runtime::Task<SummaryResult>> tasks_;
};

} // namespace deskmap
