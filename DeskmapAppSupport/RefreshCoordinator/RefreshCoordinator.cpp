#include "RefreshCoordinator.hpp"

#include "DeskmapCore/Errors/UserFacingMessage.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/RunOn.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <asio/this_coro.hpp>

namespace deskmap {

namespace {

using Status = RefreshSnapshot::Status;
using Association = RefreshSnapshot::SummaryAssociation;

asio::awaitable<NamedInventory> collectFrom(std::shared_ptr<SpaceCollecting> collector) {
    co_return collector->collectNamed();
}

asio::awaitable<void> deliver(RefreshCoordinator::UpdateHandler onUpdate,
                              RefreshSnapshot snapshot) {
    try {
        onUpdate(snapshot);
    } catch (...) {
        // A receiver that fails must not stop the coordinator.
    }
    co_return;
}

} // namespace

std::shared_ptr<RefreshCoordinator>
RefreshCoordinator::make(Executors executors, std::shared_ptr<SpaceCollecting> collector,
                         std::shared_ptr<const CredentialStoring> credentials,
                         std::shared_ptr<SummaryAuthorizationGate> authorization,
                         std::shared_ptr<const SummarizerBuilding> summarizers,
                         std::shared_ptr<const WindowTitleAccessChecking> windowTitleAccess,
                         Clock now, UpdateHandler onUpdate,
                         std::shared_ptr<const PrivacyRulesProviding> privacy) {
    return std::shared_ptr<RefreshCoordinator>(new RefreshCoordinator(
        std::move(executors), std::move(collector), std::move(credentials),
        std::move(authorization), std::move(summarizers), std::move(windowTitleAccess),
        std::move(now), std::move(onUpdate), std::move(privacy)));
}

RefreshCoordinator::RefreshCoordinator(
    Executors executors, std::shared_ptr<SpaceCollecting> collector,
    std::shared_ptr<const CredentialStoring> credentials,
    std::shared_ptr<SummaryAuthorizationGate> authorization,
    std::shared_ptr<const SummarizerBuilding> summarizers,
    std::shared_ptr<const WindowTitleAccessChecking> windowTitleAccess, Clock now,
    UpdateHandler onUpdate, std::shared_ptr<const PrivacyRulesProviding> privacy)
    : strand_(asio::make_strand(executors.actor)), main_(std::move(executors.main)),
      background_(std::move(executors.background)),
      credentialReads_(executors.credentials ? std::move(executors.credentials) : background_),
      collector_(std::move(collector)), credentials_(std::move(credentials)),
      authorization_(std::move(authorization)), summarizers_(std::move(summarizers)),
      windowTitleAccess_(std::move(windowTitleAccess)), now_(std::move(now)),
      onUpdate_(std::move(onUpdate)), privacy_(std::move(privacy)) {}

template <class T>
asio::awaitable<T>
RefreshCoordinator::onActor(asio::awaitable<T> work,
                            std::shared_ptr<runtime::CancellationSource> cancellation) {
    auto task = runtime::Task<T>::spawn(strand_, std::move(work));
    try {
        auto waiting = task.value();
        if constexpr (std::is_void_v<T>) {
            co_await std::move(waiting);
            co_return;
        } else {
            co_return co_await std::move(waiting);
        }
    } catch (const runtime::CancellationError&) {
        // Handled below: no waiting inside a handler.
    }
    // The caller was cancelled: pass that on, wait for the operation to end
    // in a fresh state, then let the caller see its cancellation.
    if (cancellation) {
        cancellation->cancel();
    }
    co_await asio::this_coro::reset_cancellation_state();
    co_await asio::this_coro::throw_if_cancelled(false);
    auto waiting = task.value();
    co_await std::move(waiting);
    throw runtime::CancellationError();
}

asio::awaitable<void> RefreshCoordinator::refresh(bool manual) {
    auto cancellation = runtime::CancellationSource::make();
    auto work = refreshLoop(manual, cancellation);
    auto running = onActor(std::move(work), cancellation);
    co_await std::move(running);
}

asio::awaitable<RefreshSnapshot> RefreshCoordinator::currentSnapshot() {
    auto self = shared_from_this();
    auto work =
        [](std::shared_ptr<RefreshCoordinator> coordinator) -> asio::awaitable<RefreshSnapshot> {
        co_return coordinator->snapshot(coordinator->currentStatus_,
                                        coordinator->currentErrorMessage_);
    }(self);
    auto running = onActor(std::move(work), nullptr);
    co_return co_await std::move(running);
}

asio::awaitable<bool> RefreshCoordinator::activeSpaceChanged(SpaceTopology topology) {
    auto work = acceptActiveSpaceChange(std::move(topology));
    auto running = onActor(std::move(work), nullptr);
    co_return co_await std::move(running);
}

asio::awaitable<void> RefreshCoordinator::summaryConfigurationChanged() {
    auto cancellation = runtime::CancellationSource::make();
    auto work = invalidateConfiguration(cancellation);
    auto running = onActor(std::move(work), cancellation);
    co_await std::move(running);
}

asio::awaitable<void>
RefreshCoordinator::refreshLoop(bool manual,
                                std::shared_ptr<runtime::CancellationSource> cancellation) {
    auto self = shared_from_this(); // alive until the loop ends
    if (refreshing_) {
        pendingRefresh_ = pendingRefresh_ ? (*pendingRefresh_ || manual) : manual;
        co_return;
    }
    refreshing_ = true;
    loopCancellation_ = cancellation;
    bool force = manual;
    for (;;) {
        pendingRefresh_.reset();
        const StoredState stored{inventory_,
                                 sent_,
                                 names_,
                                 summaries_,
                                 summarizedSignature_,
                                 summaryAssociation_,
                                 lastSuccessfulSummaryAt_,
                                 currentStatus_,
                                 currentErrorMessage_};
        {
            auto publishing = publish(Status::refreshing);
            co_await std::move(publishing);
        }
        auto pass = performRefresh(force);
        const auto outcome = co_await std::move(pass);
        if (outcome == RefreshOutcome::cancelled) {
            if (pendingRefresh_ && !cancellation->isCancelled()) {
                // The pass was stopped from outside (its summary run was
                // revoked) and another one is due: its summaries are void.
                summaries_.reset();
                summarizedSignature_.reset();
                summaryAssociation_ = Association::none;
                lastSuccessfulSummaryAt_.reset();
                force = *pendingRefresh_;
                continue;
            }
            restore(stored);
            rebindStoredStateToCurrentSpaces();
            pendingRefresh_.reset();
            {
                auto publishing = publish(stored.status, stored.errorMessage);
                co_await std::move(publishing);
            }
            break;
        }
        if (pendingRefresh_ && !cancellation->isCancelled()) {
            force = *pendingRefresh_;
            continue;
        }
        break;
    }
    refreshing_ = false;
    loopCancellation_.reset();
}

bool RefreshCoordinator::isRunningLoopCancelled() const {
    return loopCancellation_ && loopCancellation_->isCancelled();
}

asio::awaitable<RefreshCoordinator::RefreshOutcome>
RefreshCoordinator::performRefresh(bool forceSummary) {
    const auto startGeneration = configurationGeneration_;
    const auto startRevision = currentSpaceRevision_;

    // The window-server read runs off the strand, so active-Space changes
    // are handled while it is in progress.
    std::optional<Inventory> collected;
    DesktopNames names;
    std::exception_ptr collectionFailure;
    {
        auto collection =
            runtime::Task<NamedInventory>::spawn(background_, collectFrom(collector_));
        try {
            auto waiting = collection.value();
            auto named = co_await std::move(waiting);
            collected = std::move(named.inventory);
            names = std::move(named.names);
        } catch (...) {
            collectionFailure = std::current_exception();
        }
    }
    if (collectionFailure) {
        if (runtime::isCancellation(collectionFailure)) {
            co_return RefreshOutcome::cancelled;
        }
        auto publishing = publish(Status::collectionFailed,
                                  userFacingMessage(collectionFailure, texts::couldNotCollect));
        co_await std::move(publishing);
        co_return RefreshOutcome::completed;
    }
    if (isRunningLoopCancelled()) {
        co_return RefreshOutcome::cancelled;
    }
    if (configurationGeneration_ != startGeneration) {
        co_return RefreshOutcome::completed; // the change asked for another pass
    }
    if (currentSpaceRevision_ != startRevision) {
        collected = rebindingCurrentSpaces(std::move(*collected), currentSpaceIDs_);
    } else {
        currentSpaceIDs_.clear();
        for (const auto& space : collected->spaces) {
            if (space.isCurrent) {
                currentSpaceIDs_.insert(space.id);
            }
        }
    }
    const Inventory storedInventory = *collected;
    inventory_ = storedInventory;
    names_ = std::move(names);
    // Summaries are made from, and judged against, only what may be sent.
    sent_ = Privacy::sendable(storedInventory,
                              privacy_ ? privacy_->currentRules() : PrivacyRules::defaults());
    const Inventory sentInventory = sent_->inventory;
    const InventorySignature signature(sentInventory);
    {
        auto publishing = publish(Status::refreshing);
        co_await std::move(publishing);
    }

    // A secret store may wait on an unlock prompt: the read runs where
    // blocking is allowed, so timers and notifications go on meanwhile. The
    // key read is the selected provider's at that moment: authorization
    // revoked meanwhile (another provider chosen) voids it.
    const auto authorizationAtRead = authorization_->currentToken();
    std::optional<std::string> token;
    std::exception_ptr credentialFailure;
    try {
        auto reading = runtime::callOn(
            credentialReads_, [credentials = credentials_] { return credentials->token(); });
        token = co_await std::move(reading);
    } catch (...) {
        credentialFailure = std::current_exception();
    }
    if (runtime::isCancellation(credentialFailure) || isRunningLoopCancelled()) {
        co_return RefreshOutcome::cancelled;
    }
    if (configurationGeneration_ != startGeneration) {
        co_return RefreshOutcome::completed; // the change asked for another pass
    }
    if (credentialFailure) {
        summaryAssociation_ =
            summaryAssociation(summaries_.has_value(), summarizedSignature_, signature);
        {
            auto publishing =
                publish(Status::credentialFailed,
                        userFacingMessage(credentialFailure, texts::couldNotReadCredential));
            co_await std::move(publishing);
        }
        co_return RefreshOutcome::completed;
    }
    const auto trimmedToken = token ? Unicode::trimmedWhitespaceAndNewlines(*token) : "";
    if (trimmedToken.empty()) {
        auto ending = endClearingSummaries(Status::needsSetup);
        co_return co_await std::move(ending);
    }
    if (!windowTitleAccess_->isGranted()) {
        auto ending = endClearingSummaries(Status::needsWindowTitleAccess);
        co_return co_await std::move(ending);
    }
    const auto authorizationToken = authorization_->currentToken();
    if (!authorizationToken || configurationGeneration_ != startGeneration ||
        (authorizationAtRead && *authorizationAtRead != *authorizationToken) ||
        !authorization_->isCurrent(*authorizationToken)) {
        auto ending = endClearingSummaries(Status::ready);
        co_return co_await std::move(ending);
    }
    if (!forceSummary && summarizedSignature_ && *summarizedSignature_ == signature) {
        if (summaries_) {
            summaries_ = rebinding(*summaries_, summarizedView());
        }
        summaryAssociation_ = summaries_ ? Association::current : Association::none;
        {
            auto publishing = publish(Status::ready);
            co_await std::move(publishing);
        }
        co_return RefreshOutcome::completed;
    }
    if (!windowTitleAccess_->isGranted()) {
        auto ending = endClearingSummaries(Status::needsWindowTitleAccess);
        co_return co_await std::move(ending);
    }

    std::shared_ptr<SpaceSummarizing> summarizer;
    std::exception_ptr buildFailure;
    try {
        summarizer = summarizers_->makeSummarizer(trimmedToken);
    } catch (...) {
        buildFailure = std::current_exception();
    }
    if (buildFailure) {
        auto handling =
            handleSummaryFailure(buildFailure, startGeneration, *authorizationToken, signature);
        co_return co_await std::move(handling);
    }
    std::optional<SummaryTaskHandle> handle;
    if (windowTitleAccess_->isGranted()) {
        handle = authorization_->makeSummaryTask(summarizer, sentInventory, *authorizationToken);
    }
    if (!handle) {
        auto ending = endClearingSummaries(Status::ready);
        co_return co_await std::move(ending);
    }

    // Cancelling the loop cancels the summary run; the wait itself always
    // lasts until the run has ended.
    std::optional<SummaryResult> result;
    std::exception_ptr summaryFailure;
    {
        auto registration = loopCancellation_
                                ? loopCancellation_->onCancel([run = *handle] { run.cancel(); })
                                : runtime::CancellationSource::Registration();
        try {
            auto waiting = handle->value();
            result = co_await std::move(waiting);
        } catch (...) {
            summaryFailure = std::current_exception();
        }
    }
    if (!summaryFailure && isRunningLoopCancelled()) {
        summaryFailure = std::make_exception_ptr(runtime::CancellationError());
    }
    if (summaryFailure) {
        authorization_->finish(*handle);
        auto handling =
            handleSummaryFailure(summaryFailure, startGeneration, *authorizationToken, signature);
        co_return co_await std::move(handling);
    }

    if (configurationGeneration_ == startGeneration &&
        authorization_->isCurrent(*authorizationToken)) {
        inventory_ = rebindingCurrentSpaces(storedInventory, currentSpaceIDs_);
        summaries_ = rebinding(*result, summarizedView());
        summarizedSignature_ = signature;
        summaryAssociation_ = Association::current;
        lastSuccessfulSummaryAt_ = now_();
    } else {
        clearSummaries();
    }
    {
        auto publishing = publish(Status::ready);
        co_await std::move(publishing);
    }
    authorization_->finish(*handle);
    co_return RefreshOutcome::completed;
}

asio::awaitable<RefreshCoordinator::RefreshOutcome>
RefreshCoordinator::handleSummaryFailure(std::exception_ptr failure, std::uint64_t startGeneration,
                                         const AuthorizationToken& authorizationToken,
                                         const InventorySignature& signature) {
    if (runtime::isCancellation(failure)) {
        co_return RefreshOutcome::cancelled;
    }
    if (configurationGeneration_ != startGeneration ||
        !authorization_->isCurrent(authorizationToken)) {
        clearSummaries(); // the change that caused this asked for another pass
        co_return RefreshOutcome::completed;
    }
    if (!windowTitleAccess_->isGranted()) {
        auto ending = endClearingSummaries(Status::needsWindowTitleAccess);
        co_return co_await std::move(ending);
    }
    summaryAssociation_ =
        summaryAssociation(summaries_.has_value(), summarizedSignature_, signature);
    {
        auto publishing =
            publish(Status::summaryFailed, userFacingMessage(failure, texts::couldNotSummarize));
        co_await std::move(publishing);
    }
    co_return RefreshOutcome::completed;
}

asio::awaitable<bool> RefreshCoordinator::acceptActiveSpaceChange(SpaceTopology topology) {
    auto self = shared_from_this();
    if (!inventory_) {
        co_return false;
    }
    std::vector<std::string> inventoryIDs;
    for (const auto& space : inventory_->spaces) {
        inventoryIDs.push_back(space.id);
    }
    if (inventoryIDs != topology.spaceIDs) {
        co_return false;
    }
    currentSpaceIDs_ = topology.currentSpaceIDs;
    ++currentSpaceRevision_;
    inventory_ = rebindingCurrentSpaces(std::move(*inventory_), currentSpaceIDs_);
    if (summaries_) {
        summaries_ = rebinding(*summaries_, summarizedView());
    }
    {
        auto publishing = publish(currentStatus_, currentErrorMessage_);
        co_await std::move(publishing);
    }
    co_return true;
}

asio::awaitable<void> RefreshCoordinator::invalidateConfiguration(
    std::shared_ptr<runtime::CancellationSource> cancellation) {
    auto self = shared_from_this();
    ++configurationGeneration_; // unsigned: wraps on overflow
    clearSummaries();
    {
        auto publishing = publish(Status::refreshing);
        co_await std::move(publishing);
    }
    auto looping = refreshLoop(false, std::move(cancellation));
    co_await std::move(looping);
}

asio::awaitable<void> RefreshCoordinator::publish(Status status,
                                                  std::optional<std::string> errorMessage) {
    currentStatus_ = status;
    currentErrorMessage_ = errorMessage;
    auto delivery =
        runtime::Task<void>::spawn(main_, deliver(onUpdate_, snapshot(status, errorMessage)));
    auto waiting = delivery.value();
    co_await std::move(waiting);
}

Inventory RefreshCoordinator::summarizedView() const {
    // Summaries follow what they were made from: the windows that may be
    // sent, on the Spaces as they are now.
    return sent_ ? rebindingCurrentSpaces(sent_->inventory, currentSpaceIDs_) : *inventory_;
}

RefreshSnapshot RefreshCoordinator::snapshot(Status status,
                                             std::optional<std::string> errorMessage) const {
    return {inventory_,
            summaries_,
            status,
            summaryAssociation_,
            lastSuccessfulSummaryAt_,
            std::move(errorMessage),
            sent_,
            names_};
}

asio::awaitable<RefreshCoordinator::RefreshOutcome>
RefreshCoordinator::endClearingSummaries(Status status) {
    clearSummaries();
    auto publishing = publish(status);
    co_await std::move(publishing);
    co_return RefreshOutcome::completed;
}

void RefreshCoordinator::clearSummaries() {
    summaries_.reset();
    summarizedSignature_.reset();
    summaryAssociation_ = Association::none;
    lastSuccessfulSummaryAt_.reset();
}

void RefreshCoordinator::restore(const StoredState& state) {
    inventory_ = state.inventory;
    sent_ = state.sent;
    names_ = state.names;
    summaries_ = state.summaries;
    summarizedSignature_ = state.summarizedSignature;
    summaryAssociation_ = state.summaryAssociation;
    lastSuccessfulSummaryAt_ = state.lastSuccessfulSummaryAt;
    currentErrorMessage_ = state.errorMessage;
}

void RefreshCoordinator::rebindStoredStateToCurrentSpaces() {
    if (!inventory_) {
        return;
    }
    inventory_ = rebindingCurrentSpaces(std::move(*inventory_), currentSpaceIDs_);
    if (summaries_) {
        summaries_ = rebinding(*summaries_, summarizedView());
    }
}

} // namespace deskmap
