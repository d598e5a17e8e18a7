#include "WatchCommand.hpp"

#include "CredentialSource.hpp"
#include "DeskmapAppSupport/Credentials/SelectedProviderCredentialStore.hpp"
#include "DeskmapAppSupport/Factories/SelectedProviderSummarizerFactory.hpp"
#include "DeskmapAppSupport/Providers/UserDefaultsSettings.hpp"
#include "DeskmapAppSupport/RefreshCoordinator/RefreshCoordinator.hpp"
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/UserFacingMessage.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientVerifier.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/DesktopSelection.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/UserDefaults/FileUserDefaults.hpp"
#include "DeskmapPlatform/UserDefaults/InMemoryUserDefaults.hpp"
#include "DesktopOption.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"
#include "Interruptible.hpp"
#include "SnapshotFormat.hpp"

#include <asio/experimental/deferred.hpp>
#include <asio/experimental/parallel_group.hpp>
#include <asio/post.hpp>
#include <asio/thread_pool.hpp>
#include <mutex>
#include <ostream>
#include <vector>

namespace deskmap::cli {

namespace {

using Coordinator = std::shared_ptr<RefreshCoordinator>;

// The settings the watch works with: the user's own, or, with --provider,
// a private copy naming that provider (the user's choice is not changed).
std::shared_ptr<platform::UserDefaults> settingsFor(const std::optional<std::string>& provider) {
    if (!provider) {
        return std::make_shared<platform::FileUserDefaults>(
            platform::FileUserDefaults::standardLocation());
    }
    auto defaults = std::make_shared<platform::InMemoryUserDefaults>();
    if (const auto client = installedClientFromRawValue(*provider)) {
        UserDefaultsSummaryProviderSettings(defaults).setSelectedProvider(
            SummaryProvider::installedClient);
        UserDefaultsInstalledClientSettings(defaults).setSelectedInstalledClient(*client);
    } else {
        UserDefaultsSummaryProviderSettings(defaults).setSelectedProvider(
            summaryProviderFromRawValue(*provider).value_or(SummaryProvider::openAI));
    }
    return defaults;
}

// Whether summaries may be made: a usable key, or a client that passes its
// check (the reason it does not is told once on `err`).
asio::awaitable<bool> providerIsUsable(SummaryProvider provider, InstalledClient client,
                                       const CredentialStoring& credentials,
                                       InstalledClientVerifier verifier, std::ostream& err) {
    if (provider != SummaryProvider::installedClient) {
        try {
            const auto token = credentials.token();
            co_return token && !Unicode::trimmedWhitespaceAndNewlines(*token).empty();
        } catch (const std::exception&) {
            co_return false; // the coordinator reports the failure
        }
    }
    std::exception_ptr failure;
    try {
        auto checking = verifier.verify(client);
        co_await std::move(checking);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        if (runtime::isCancellation(failure)) {
            std::rethrow_exception(failure);
        }
        err << "deskmap: summaries are off: "
            << userFacingMessage(failure, "the installed client could not be checked.") << "\n";
        co_return false;
    }
    co_return true;
}

asio::awaitable<void> refreshPeriodically(Coordinator coordinator,
                                          std::chrono::steady_clock::duration interval) {
    for (;;) {
        auto refreshing = coordinator->refresh(false);
        co_await std::move(refreshing);
        auto pausing = runtime::sleepFor(interval);
        co_await std::move(pausing);
    }
}

// Spaces added, removed or moved between displays need a full refresh; the
// window server tells only about active-Space changes.
asio::awaitable<void> watchStructure(Coordinator coordinator,
                                     std::shared_ptr<SpaceTopologyCollecting> topology,
                                     std::chrono::steady_clock::duration interval) {
    std::optional<std::vector<DisplaySpaceStructure>> last;
    for (;;) {
        auto pausing = runtime::sleepFor(interval);
        co_await std::move(pausing);
        std::optional<std::vector<DisplaySpaceStructure>> structure;
        try {
            structure = topology->collectTopology().displayStructure();
        } catch (const std::exception&) {
            continue; // the next refresh reports what is wrong
        }
        if (last && *last != *structure) {
            auto refreshing = coordinator->refresh(false);
            co_await std::move(refreshing);
        }
        last = std::move(structure);
    }
}

asio::awaitable<void> followActiveSpace(Coordinator coordinator,
                                        std::shared_ptr<SpaceTopologyCollecting> topology) {
    std::optional<SpaceTopology> current;
    try {
        current = topology->collectTopology();
    } catch (const std::exception&) {
    }
    bool accepted = false;
    if (current) {
        auto accepting = coordinator->activeSpaceChanged(*current);
        accepted = co_await std::move(accepting);
    }
    if (!accepted) {
        auto refreshing = coordinator->refresh(false);
        co_await std::move(refreshing);
    }
}

// Lets the window server's notifications in while it lives; each one runs
// as a task of its own, and the tasks still running when it goes are
// cancelled (a refresh they started restores its state and ends).
class ActiveSpaceFollower {
public:
    ActiveSpaceFollower(std::shared_ptr<platform::WindowServer> windowServer,
                        asio::any_io_executor executor, Coordinator coordinator,
                        std::shared_ptr<SpaceTopologyCollecting> topology)
        : windowServer_(std::move(windowServer)), state_(std::make_shared<State>()) {
        windowServer_->setActiveSpaceObserver([executor, coordinator, topology, state = state_] {
            // Called on the window server's thread: hand over to the loop.
            std::lock_guard lock(state->mutex);
            if (state->stopped) {
                return;
            }
            std::erase_if(state->running, [](const auto& task) { return task.isFinished(); });
            state->running.push_back(
                runtime::Task<void>::spawn(executor, followActiveSpace(coordinator, topology)));
        });
    }
    ~ActiveSpaceFollower() {
        windowServer_->setActiveSpaceObserver({});
        std::lock_guard lock(state_->mutex);
        state_->stopped = true;
        for (const auto& task : state_->running) {
            task.cancel();
        }
    }
    ActiveSpaceFollower(const ActiveSpaceFollower&) = delete;
    ActiveSpaceFollower& operator=(const ActiveSpaceFollower&) = delete;

private:
    struct State {
        std::mutex mutex;
        bool stopped = false;
        std::vector<runtime::Task<void>> running;
    };

    std::shared_ptr<platform::WindowServer> windowServer_;
    std::shared_ptr<State> state_;
};

asio::awaitable<void> watch(Coordinator coordinator,
                            std::shared_ptr<platform::WindowServer> windowServer,
                            std::shared_ptr<SpaceTopologyCollecting> topology, bool once,
                            WatchTiming timing) {
    if (once) {
        auto refreshing = coordinator->refresh(false);
        co_await std::move(refreshing);
        co_return;
    }
    auto executor = co_await asio::this_coro::executor;
    const ActiveSpaceFollower follower(windowServer, executor, coordinator, topology);
    auto [order, periodic, structural] =
        co_await asio::experimental::make_parallel_group(
            asio::co_spawn(executor, refreshPeriodically(coordinator, timing.refreshInterval),
                           asio::experimental::deferred),
            asio::co_spawn(executor,
                           watchStructure(coordinator, topology, timing.structurePollInterval),
                           asio::experimental::deferred))
            .async_wait(asio::experimental::wait_for_one(), asio::use_awaitable);
    (void)order;
    // Both run until cancelled; whichever failed first explains why.
    for (const std::exception_ptr& failure : {periodic, structural}) {
        if (failure && !runtime::isCancellation(failure)) {
            std::rethrow_exception(failure);
        }
    }
    throw runtime::CancellationError();
}

} // namespace

int runWatch(const WatchOptions& options, std::ostream& out, std::ostream& err,
             WatchTiming timing) {
    std::shared_ptr<platform::WindowServer> windowServer;
    try {
        windowServer = openChosenDesktop(options.desktop);
    } catch (const platform::DesktopSelectionError& error) {
        err << "deskmap: " << error.what() << "\n";
        return ExitCode::usage;
    }
    try {
        const auto defaults = settingsFor(options.provider);
        const auto providerSettings =
            std::make_shared<UserDefaultsSummaryProviderSettings>(defaults);
        const auto clientSettings = std::make_shared<UserDefaultsInstalledClientSettings>(defaults);
        const auto credentials = std::make_shared<SelectedProviderCredentialStore>(
            providerSettings, commandLineCredentials(SummaryProvider::openAI),
            commandLineCredentials(SummaryProvider::openRouter));
        const auto locator = InstalledClientExecutableLocator::forCurrentProcess();
        const auto runner = std::make_shared<FoundationInstalledClientProcessRunner>();
        const auto summarizers = std::make_shared<SelectedProviderSummarizerFactory>(
            providerSettings, clientSettings, locator, runner,
            std::make_shared<platform::UrlSession>());
        const auto collector = std::make_shared<MacOSSpaceCollector>(windowServer);

        asio::io_context io;
        asio::thread_pool background(1);
        const auto usable = runInterruptible(
            io, providerIsUsable(providerSettings->selectedProvider(),
                                 clientSettings->selectedInstalledClient(), *credentials,
                                 InstalledClientVerifier(locator, runner), err));
        io.restart();
        const auto gate = std::make_shared<SummaryAuthorizationGate>(io.get_executor(), usable);
        const bool json = options.json;
        const auto coordinator = RefreshCoordinator::make(
            {io.get_executor(), io.get_executor(), background.get_executor()}, collector,
            credentials, gate, summarizers, std::make_shared<UnrestrictedWindowTitleAccess>(),
            [] { return std::chrono::system_clock::now(); },
            [&out, json](const RefreshSnapshot& snapshot) {
                out << (json ? snapshotJSONLine(snapshot) : snapshotText(snapshot)) << std::flush;
            });
        runInterruptible(io, watch(coordinator, windowServer, collector, options.once, timing));
        return ExitCode::success;
    } catch (...) {
        return reportFailure(std::current_exception(), err);
    }
}

} // namespace deskmap::cli
