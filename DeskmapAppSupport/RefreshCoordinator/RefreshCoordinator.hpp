#pragma once

#include "DeskmapAppSupport/Authorization/SummaryAuthorizationGate.hpp"
#include "DeskmapAppSupport/Credentials/CredentialStoring.hpp"
#include "DeskmapAppSupport/Factories/SummarizerBuilding.hpp"
#include "DeskmapAppSupport/Permissions/WindowTitleAccessChecking.hpp"
#include "DeskmapAppSupport/Providers/PrivacySettings.hpp"
#include "DeskmapAppSupport/RefreshCoordinator/InventorySignature.hpp"
#include "DeskmapAppSupport/RefreshCoordinator/RefreshSnapshot.hpp"
#include "DeskmapCore/Collection/SpaceTopology.hpp"
#include "DeskmapCore/Inventory/SpaceCollecting.hpp"
#include "DeskmapPlatform/Runtime/CancellationSource.hpp"

#include <asio/any_io_executor.hpp>
#include <asio/awaitable.hpp>
#include <asio/strand.hpp>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace deskmap {

// Keeps the inventory of Spaces and their summaries current: collects on
// request, decides whether the evidence needs a new summary, runs it through
// the authorization gate, keeps summaries on the right Spaces, and hands
// every visible change to the main thread.
//
// An actor: its operations run one at a time on a strand of its own and
// interleave only where one waits (for a collection, a publish or a summary
// run). Each operation may be awaited from any executor. Create it with
// make(); it must outlive the operations in flight.
class RefreshCoordinator : public std::enable_shared_from_this<RefreshCoordinator> {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    using UpdateHandler = std::function<void(const RefreshSnapshot&)>;

    struct Executors {
        asio::any_io_executor actor;      // the coordinator's own strand is made on it
        asio::any_io_executor main;       // where onUpdate runs
        asio::any_io_executor background; // where collections run
        // Where the key is read (it may wait on an unlock prompt); empty:
        // `background`. The app passes the strand its other keychain calls
        // take, so prompts queue instead of taking every thread.
        asio::any_io_executor credentials = {};
    };

    static std::shared_ptr<RefreshCoordinator>
    make(Executors executors, std::shared_ptr<SpaceCollecting> collector,
         std::shared_ptr<const CredentialStoring> credentials,
         std::shared_ptr<SummaryAuthorizationGate> authorization,
         std::shared_ptr<const SummarizerBuilding> summarizers,
         std::shared_ptr<const WindowTitleAccessChecking> windowTitleAccess, Clock now,
         UpdateHandler onUpdate, std::shared_ptr<const PrivacyRulesProviding> privacy = nullptr);

    // Runs refresh passes until none is pending, or records the request when
    // a loop is already running (requests during a loop become one follow-up
    // pass, forced when any of them was manual). A manual refresh forces a new
    // summary. Fails only with CancellationError: cancelling the awaiting
    // coroutine cancels the loop it started, which restores the state from
    // before the pass and publishes it before the caller sees its
    // cancellation.
    asio::awaitable<void> refresh(bool manual);

    // The state as it is, without publishing.
    asio::awaitable<RefreshSnapshot> currentSnapshot();

    // Accepts a new active-Space state without collecting; false (and nothing
    // changed) when the topology's Spaces are not the inventory's.
    asio::awaitable<bool> activeSpaceChanged(SpaceTopology topology);

    // The provider, credential, client or authorization changed: summaries
    // are invalidated and a refresh follows.
    asio::awaitable<void> summaryConfigurationChanged();

private:
    enum class RefreshOutcome { completed, cancelled };

    struct StoredState {
        std::optional<Inventory> inventory;
        std::optional<SendableInventory> sent;
        DesktopNames names;
        std::optional<SummaryResult> summaries;
        std::optional<InventorySignature> summarizedSignature;
        RefreshSnapshot::SummaryAssociation summaryAssociation;
        std::optional<std::chrono::system_clock::time_point> lastSuccessfulSummaryAt;
        RefreshSnapshot::Status status;
        std::optional<std::string> errorMessage;
    };

    RefreshCoordinator(Executors executors, std::shared_ptr<SpaceCollecting> collector,
                       std::shared_ptr<const CredentialStoring> credentials,
                       std::shared_ptr<SummaryAuthorizationGate> authorization,
                       std::shared_ptr<const SummarizerBuilding> summarizers,
                       std::shared_ptr<const WindowTitleAccessChecking> windowTitleAccess,
                       Clock now, UpdateHandler onUpdate,
                       std::shared_ptr<const PrivacyRulesProviding> privacy);

    // Bodies of the public operations; they run on the strand.
    asio::awaitable<void> refreshLoop(bool manual,
                                      std::shared_ptr<runtime::CancellationSource> cancellation);
    asio::awaitable<bool> acceptActiveSpaceChange(SpaceTopology topology);
    asio::awaitable<void>
    invalidateConfiguration(std::shared_ptr<runtime::CancellationSource> cancellation);

    asio::awaitable<RefreshOutcome> performRefresh(bool forceSummary);
    asio::awaitable<RefreshOutcome>
    handleSummaryFailure(std::exception_ptr failure, std::uint64_t startGeneration,
                         const AuthorizationToken& authorizationToken,
                         const InventorySignature& signature);
    asio::awaitable<void> publish(RefreshSnapshot::Status status,
                                  std::optional<std::string> errorMessage = std::nullopt);
    RefreshSnapshot snapshot(RefreshSnapshot::Status status,
                             std::optional<std::string> errorMessage) const;
    void clearSummaries();
    // Ends a pass that cannot keep summaries: clears them and publishes.
    asio::awaitable<RefreshOutcome> endClearingSummaries(RefreshSnapshot::Status status);
    void restore(const StoredState& state);
    void rebindStoredStateToCurrentSpaces();
    bool isRunningLoopCancelled() const;
    // The inventory summaries are bound to; needs an inventory.
    Inventory summarizedView() const;

    // Runs `work` on the strand and waits for it; when the caller is cancelled
    // meanwhile, `cancellation` (if any) is requested, the work is still
    // waited for, and then the caller gets CancellationError.
    template <class T>
    asio::awaitable<T> onActor(asio::awaitable<T> work,
                               std::shared_ptr<runtime::CancellationSource> cancellation);

    asio::strand<asio::any_io_executor> strand_;
    asio::any_io_executor main_;
    asio::any_io_executor background_;
    asio::any_io_executor credentialReads_;

    const std::shared_ptr<SpaceCollecting> collector_;
    const std::shared_ptr<const CredentialStoring> credentials_;
    const std::shared_ptr<SummaryAuthorizationGate> authorization_;
    const std::shared_ptr<const SummarizerBuilding> summarizers_;
    const std::shared_ptr<const WindowTitleAccessChecking> windowTitleAccess_;
    const Clock now_;
    const UpdateHandler onUpdate_;
    // Absent: the rules' defaults.
    const std::shared_ptr<const PrivacyRulesProviding> privacy_;

    std::optional<Inventory> inventory_;
    std::optional<SendableInventory> sent_;
    DesktopNames names_;
    std::optional<SummaryResult> summaries_;
    std::optional<InventorySignature> summarizedSignature_;
    RefreshSnapshot::SummaryAssociation summaryAssociation_ =
        RefreshSnapshot::SummaryAssociation::none;
    std::optional<std::chrono::system_clock::time_point> lastSuccessfulSummaryAt_;
    bool refreshing_ = false;
    std::optional<bool> pendingRefresh_;
    RefreshSnapshot::Status currentStatus_ = RefreshSnapshot::Status::ready;
    std::optional<std::string> currentErrorMessage_;
    std::set<std::string> currentSpaceIDs_;
    std::int64_t currentSpaceRevision_ = 0;
    std::uint64_t configurationGeneration_ = 0;
    // Cancellation of the task that runs the current refresh loop.
    std::shared_ptr<runtime::CancellationSource> loopCancellation_;
};

} // namespace deskmap
