#include "WatchCommand.hpp"

#include "CredentialSource.hpp"
#include "Deskmap/ViewModel/DeskmapViewModel.hpp"
#include "Deskmap/ViewModel/StandardServices.hpp"
#include "DeskmapAppSupport/Credentials/SelectedProviderCredentialStore.hpp"
#include "DeskmapAppSupport/Providers/ModelSettings.hpp"
#include "DeskmapAppSupport/Providers/PrivacySettings.hpp"
#include "DeskmapAppSupport/Providers/UserDefaultsSettings.hpp"
#include "DeskmapCore/Errors/UserFacingMessage.hpp"
#include "DeskmapPlatform/DesktopSelection.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "DeskmapPlatform/UserDefaults/FileUserDefaults.hpp"
#include "DeskmapPlatform/UserDefaults/InMemoryUserDefaults.hpp"
#include "DesktopOption.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"
#include "Interruptible.hpp"
#include "LocalServerOptions.hpp"
#include "RunningAppFollower.hpp"
#include "SnapshotFormat.hpp"

#include <asio/executor_work_guard.hpp>
#include <asio/experimental/as_tuple.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <asio/thread_pool.hpp>
#include <asio/use_awaitable.hpp>
#include <csignal>
#include <ostream>
#include <thread>

namespace deskmap::cli {

namespace {

using Status = RefreshSnapshot::Status;
using Verification = InstalledClientVerificationState::Kind;

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

ViewModelServices servicesFor(std::shared_ptr<platform::WindowServer> windowServer,
                              const std::optional<std::string>& provider,
                              const std::optional<std::string>& model) {
    auto services = standardServices(std::move(windowServer), settingsFor(provider));
    // Keys from the environment first, as every command takes them.
    services.credentials = std::make_shared<SelectedProviderCredentialStore>(
        services.summaryProviderSettings, commandLineCredentials(SummaryProvider::openAI),
        commandLineCredentials(SummaryProvider::openRouter),
        commandLineCredentials(SummaryProvider::local));
    services.localCredentials = commandLineCredentials(SummaryProvider::local);
    // The user's privacy rules and models hold whichever provider is named;
    // --model stands for the choice in a private copy.
    const auto userSettings = std::make_shared<platform::FileUserDefaults>(
        platform::FileUserDefaults::standardLocation());
    services.privacy = std::make_shared<UserDefaultsPrivacyRules>(userSettings);
    services.models = std::make_shared<UserDefaultsSummaryModelSettings>(userSettings);
    if (model) {
        auto chosen = std::make_shared<UserDefaultsSummaryModelSettings>(
            std::make_shared<platform::InMemoryUserDefaults>());
        chosen->setModel(SummaryProvider::openAI, *model);
        chosen->setModel(SummaryProvider::openRouter, *model);
        chosen->setModel(SummaryProvider::local, *model);
        if (const auto address = services.models->localServerAddress()) {
            chosen->setLocalServerAddress(*address);
        }
        services.models = chosen;
    }
    return services;
}

bool watchesLocalServerWithoutModel(const std::optional<std::string>& provider) {
    const auto settings = std::make_shared<platform::FileUserDefaults>(
        platform::FileUserDefaults::standardLocation());
    const auto chosen = provider ? summaryProviderFromRawValue(*provider)
                                 : UserDefaultsSummaryProviderSettings(settings).selectedProvider();
    return chosen == SummaryProvider::local &&
           UserDefaultsSummaryModelSettings(settings).model(SummaryProvider::local).empty();
}

// Decides when `--once` is done: at the first end state of a refresh that
// could summarize, so an installed client is checked first.
class FirstRefresh {
public:
    explicit FirstRefresh(const DeskmapViewModel& viewModel) : viewModel_(viewModel) {}

    // Called on every change; true once the watch may end.
    bool observe(ViewModelProperty property) {
        if (property == ViewModelProperty::installedClientVerification &&
            viewModel_.installedClientVerification().kind() == Verification::available) {
            awaitingPassAfterCheck_ = true;
            sawPassAfterCheck_ = false;
        }
        const auto status = viewModel_.snapshot().status;
        if (status == Status::refreshing) {
            sawPassAfterCheck_ = awaitingPassAfterCheck_;
            return false;
        }
        if (viewModel_.selectedSummaryProvider() != SummaryProvider::installedClient) {
            return true;
        }
        switch (viewModel_.installedClientVerification().kind()) {
        case Verification::unavailable:
            return true;
        case Verification::available:
        case Verification::rechecking:
            return sawPassAfterCheck_;
        case Verification::unchecked:
        case Verification::checking:
            break;
        }
        return false;
    }

private:
    const DeskmapViewModel& viewModel_;
    bool awaitingPassAfterCheck_ = false;
    bool sawPassAfterCheck_ = false;
};

// Waits until `done` is cancelled by the observer, or the watch is
// interrupted.
asio::awaitable<void> waitFor(std::shared_ptr<asio::steady_timer> done,
                              std::shared_ptr<bool> finished) {
    auto waiting = done->async_wait(asio::experimental::as_tuple(asio::use_awaitable));
    co_await std::move(waiting);
    if (!*finished) {
        throw runtime::CancellationError();
    }
}

void runToEnd(asio::io_context& io, asio::awaitable<void> work) {
    auto task = runtime::Task<void>::spawn(io.get_executor(), std::move(work));
    io.restart();
    while (!task.isFinished() && io.run_one() > 0) {
    }
}

asio::awaitable<void> letGo(std::shared_ptr<DeskmapViewModel> viewModel) {
    co_await viewModel->shutdown();
}

} // namespace

int runWatch(const WatchOptions& options, std::ostream& out, std::ostream& err,
             WatchTiming timing) {
    // A closed output is a write error to notice, not a signal that kills.
    std::signal(SIGPIPE, SIG_IGN);
    if (options.model && options.provider && installedClientFromRawValue(*options.provider)) {
        err << "deskmap: " << texts::modelNeedsHTTPProvider << "\n" << texts::seeHelp << "\n";
        return ExitCode::usage;
    }
    if (options.model && !SummaryModelSettings::isUsableName(*options.model)) {
        err << "deskmap: " << texts::unusableModelName << "\n" << texts::seeHelp << "\n";
        return ExitCode::usage;
    }
    int exitCode = ExitCode::success;
    const auto windowServer = openChosenDesktop(options.desktop, err, exitCode);
    if (!windowServer) {
        return exitCode;
    }

    // As in the app: this thread is the main one; the coordinator, the
    // summaries and every timer run on a worker; blocking calls on another.
    asio::io_context io;
    asio::io_context worker;
    auto work = asio::make_work_guard(worker);
    std::thread workerThread([&worker] { worker.run(); });
    // Two threads: a keychain waiting on its prompt never holds up a read.
    asio::thread_pool background(2);
    const auto stopThreads = [&] {
        work.reset();
        worker.stop();
        workerThread.join();
        background.join();
    };

    const auto format = options.json ? std::string("json") : options.format;
    const bool bar = format == "waybar" || format == "polybar";
    // A bar follows the app of this session, which summarizes anyway, unless
    // told to watch otherwise than the app does.
    const bool mayFollow = bar && !options.provider && !options.model && !options.desktop;

    auto done = std::make_shared<asio::steady_timer>(io, asio::steady_timer::time_point::max());
    auto finished = std::make_shared<bool>(false);
    const auto finish = [done, finished] {
        *finished = true;
        // Also before the wait has begun: it then ends at once.
        done->expires_at(asio::steady_timer::time_point::min());
        done->cancel();
    };
    const auto write = [&out, &finish](const std::string& line) {
        out << line << std::flush;
        // The reader has gone (a bar restarted): nothing more to say.
        if (!out) {
            finish();
        }
    };
    std::optional<BarFace> shownFace;
    const auto showFace = [&](const BarFace& face) {
        // Nothing known yet (the app or this watch just started): the map
        // shown stays until the new one is read.
        const bool blank = face.status == "refreshing" && face.tooltip.empty();
        if (face != shownFace && !(blank && shownFace)) {
            shownFace = face;
            write(format == "waybar" ? waybarLine(face) : polybarLine(face));
        }
    };
    const auto show = [&](const RefreshSnapshot& snapshot) {
        if (bar) {
            showFace(barFace(snapshot));
        } else {
            write(format == "json" ? snapshotJSONLine(snapshot) : snapshotText(snapshot));
        }
    };

    // The watch's own map, while no app is followed.
    std::shared_ptr<DeskmapViewModel> viewModel;
    std::size_t printing = 0;
    std::unique_ptr<FirstRefresh> firstRefresh;
    std::vector<runtime::Task<void>> lettingGo;
    auto model = options.model;
    int status = ExitCode::success;
    const auto startOwn = [&] {
        // One refresh with a local server and no model chosen: the model it
        // offers first, asked now so that the refresh can summarize (and
        // kept for this run only).
        if (options.once && !model && watchesLocalServerWithoutModel(options.provider)) {
            try {
                model = LocalServerOptions::listed(err).front();
            } catch (const runtime::CancellationError&) {
                throw;
            } catch (...) {
                const auto failure = std::current_exception();
                status = reportFailure(failure, err);
                if (bar) { // a bar always says why
                    RefreshSnapshot failed;
                    failed.status = Status::summaryFailed;
                    failed.errorMessage = userFacingMessage(failure, texts::unknownError);
                    show(failed);
                }
                finish();
                return;
            }
        }
        viewModel = DeskmapViewModel::make(
            {io.get_executor(), worker.get_executor(), background.get_executor()},
            servicesFor(windowServer, options.provider, model),
            {{timing.refreshInterval, timing.structurePollInterval}, {}});
        show(viewModel->snapshot());
        // A local server with no model chosen offers its first one.
        if (viewModel->selectedSummaryProvider() == SummaryProvider::local &&
            viewModel->summaryModel(SummaryProvider::local).empty()) {
            viewModel->listLocalModels(
                [&err](const std::vector<std::string>&, std::optional<std::string> failure) {
                    if (failure) {
                        err << "deskmap: " << *failure << "\n";
                    }
                });
        }
        firstRefresh = std::make_unique<FirstRefresh>(*viewModel);
        printing = viewModel->addObserver([&](ViewModelProperty property) {
            if (*finished) {
                return; // --once has shown its refresh; the passes that follow are not asked for
            }
            if (property == ViewModelProperty::snapshot) {
                show(viewModel->snapshot());
            }
            const auto& verification = viewModel->installedClientVerification();
            if (property == ViewModelProperty::installedClientVerification &&
                verification.kind() == Verification::unavailable) {
                err << "deskmap: " << texts::summariesOff(verification.message()) << "\n";
            }
            if (options.once && firstRefresh->observe(property)) {
                finish();
            }
        });
    };
    // The app is back: its map is shown and this one ends.
    const auto stopOwn = [&] {
        viewModel->removeObserver(printing);
        firstRefresh.reset();
        std::erase_if(lettingGo, [](const auto& task) { return task.isFinished(); });
        lettingGo.push_back(
            runtime::Task<void>::spawn(io.get_executor(), letGo(std::move(viewModel))));
    };

    bool ending = false;
    bool toldUnreadable = false;
    std::unique_ptr<RunningAppFollower> follower;
    try {
        if (mayFollow) {
            // Its word comes on its own thread; it is acted on here.
            RunningAppFollower::Options following;
            following.desktopKey = platform::sessionDesktopKey(std::nullopt);
            follower = std::make_unique<RunningAppFollower>(
                std::move(following),
                [&](std::optional<BarFace> face) {
                    asio::post(io, [&, face = std::move(face)] {
                        if (ending || *finished) {
                            return;
                        }
                        if (!face) {
                            if (!viewModel) {
                                startOwn();
                            }
                            return;
                        }
                        if (viewModel) {
                            stopOwn();
                        }
                        showFace(*face);
                        // As on its own: done once a refresh has ended.
                        if (options.once && face->status != "refreshing") {
                            finish();
                        }
                    });
                },
                [&] {
                    asio::post(io, [&] {
                        if (!ending && !*finished && !std::exchange(toldUnreadable, true)) {
                            err << "deskmap: " << texts::runningAppStateUnreadable << "\n";
                        }
                    });
                });
        } else {
            startOwn();
        }
        try {
            runInterruptible(io, waitFor(done, finished));
        } catch (...) {
            status = reportFailure(std::current_exception(), err);
        }
        ending = true;
        follower.reset();
        // An interrupted refresh restores the state from before it: shown too.
        if (viewModel) {
            runToEnd(io, viewModel->shutdown());
            viewModel->removeObserver(printing);
        }
        io.restart(); // run() ended when the wait did
        for (const auto& task : lettingGo) {
            while (!task.isFinished() && io.run_one() > 0) {
            }
        }
    } catch (...) {
        status = reportFailure(std::current_exception(), err);
    }
    ending = true;
    follower.reset();
    viewModel.reset();
    stopThreads();
    return status;
}

} // namespace deskmap::cli
