#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"
#include "DeskmapAppSupport/Credentials/KeychainCredentialStore.hpp"
#include "DeskmapAppSupport/Providers/UserDefaultsSettings.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "Support/FailingUserDefaults.hpp"
#include "Support/RunLoop.hpp"
#include "Support/ScriptedCoordination.hpp"
#include "Support/ViewModelFakes.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/thread_pool.hpp>
#include <thread>

namespace deskmap::test {

using namespace std::chrono_literals;

// Two displays: the first with Spaces 1 to 4 (2 current), the second with 9.
inline nlohmann::json twoDisplays() {
    return nlohmann::json::parse(R"({
      "managedDisplaySpaces": [
        {"Display Identifier": "AAAA-1111", "Current Space": {"ManagedSpaceID": 2},
         "Spaces": [{"ManagedSpaceID": 1}, {"ManagedSpaceID": 2}, {"ManagedSpaceID": 3},
                    {"ManagedSpaceID": 4}]},
        {"Display Identifier": "BBBB-2222", "Current Space": {"ManagedSpaceID": 9},
         "Spaces": [{"ManagedSpaceID": 9}]}],
      "windows": [{"kCGWindowLayer": 0, "kCGWindowNumber": 7, "kCGWindowOwnerName": "Terminal",
                   "kCGWindowName": "build", "kCGWindowAlpha": 1.0,
                   "kCGWindowBounds": {"X": 0, "Y": 0, "Width": 800, "Height": 600}}],
      "windowSpaces": {"7": [2]},
      "gestureDelayMs": 5})");
}

// A view model over the simulated desktop and scripted services, with the
// main executor on the test's thread (`MainLoop`: an io_context, or the Qt
// event loop) and the worker and background on threads of their own, as in
// the app.
template <class MainLoop> class BasicViewModelTest : public testing::Test {
protected:
    BasicViewModelTest() {
        workerThread = std::thread([this] { worker.run(); });
        forbidden->forbid(workerThread.get_id());
    }

    ~BasicViewModelTest() override {
        shutDown();
        work.reset();
        worker.stop();
        workerThread.join();
        background.join();
        EXPECT_EQ(forbidden->violations(), std::vector<std::string>())
            << "keychain or window server used on the main or the worker thread";
    }

    void make(ViewModelTiming timing = {{1h, 1h}, {1ms, 500ms, 2ms, 20ms}}) {
        ViewModelServices services;
        services.windowServer = windowServer;
        services.keychain = keychain;
        services.defaults = defaults;
        services.summaryProviderSettings = providerSettings;
        services.installedClientSettings = clientSettings;
        services.firstTimeSetupSettings = setupSettings;
        services.installedClientVerifier = std::make_shared<InstalledClientVerifier>(
            InstalledClientExecutableLocator({{"PATH", "/stand-in/bin"}}, "/nonexistent",
                                             [](const std::string&) { return true; }),
            runner, 15s);
        services.windowTitleAccess = titleAccess;
        services.spaceSwitchAccessibility = accessibility;
        services.launchAtLoginService = launchAtLogin;
        services.systemSettings = pages;
        services.http = http;
        services.summarizers = customSummarizers ? customSummarizers
                                                 : std::shared_ptr<SummarizerBuilding>(summarizers);
        viewModel = DeskmapViewModel::make(
            {mainLoop.executor(), worker.get_executor(), background.get_executor()}, services,
            timing);
        viewModel->addObserver([this](ViewModelProperty property) { changes.push_back(property); });
    }

    void saveKeyBeforeStart(SummaryProvider provider, const std::string& key) {
        KeychainCredentialStore(provider, keychain->unwatched()).save(key);
    }

    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
        return mainLoop.runUntil(done, limit);
    }

    // Lets everything already started run for a while.
    void settle(std::chrono::milliseconds duration = 60ms) {
        runUntil([] { return false; }, duration);
    }

    bool summarized() const {
        return viewModel->snapshot().status == RefreshSnapshot::Status::ready &&
               viewModel->snapshot().summaries.has_value();
    }

    void shutDown() {
        if (!viewModel) {
            return;
        }
        auto stopping = runtime::Task<void>::spawn(mainLoop.executor(), viewModel->shutdown());
        EXPECT_TRUE(runUntil([&] { return stopping.isFinished(); }));
        viewModel.reset();
    }

    std::shared_ptr<ForbiddenThread> forbidden =
        std::make_shared<ForbiddenThread>(std::this_thread::get_id());
    MainLoop mainLoop;
    asio::io_context worker;
    asio::executor_work_guard<asio::io_context::executor_type> work{worker.get_executor()};
    std::thread workerThread;
    // Two, as in the app: a keychain waiting on its prompt never holds up
    // the window-server reads.
    asio::thread_pool background{2};

    std::shared_ptr<platform::SimulatedWindowServer> simulated =
        std::make_shared<platform::SimulatedWindowServer>(twoDisplays());
    std::shared_ptr<WatchedWindowServer> windowServer =
        std::make_shared<WatchedWindowServer>(simulated, forbidden);
    std::shared_ptr<WatchedKeychain> keychain = std::make_shared<WatchedKeychain>(forbidden);
    std::shared_ptr<FailingUserDefaults> defaults = std::make_shared<FailingUserDefaults>();
    std::shared_ptr<UserDefaultsSummaryProviderSettings> providerSettings =
        std::make_shared<UserDefaultsSummaryProviderSettings>(defaults);
    std::shared_ptr<UserDefaultsInstalledClientSettings> clientSettings =
        std::make_shared<UserDefaultsInstalledClientSettings>(defaults);
    std::shared_ptr<UserDefaultsFirstTimeSetupSettings> setupSettings =
        std::make_shared<UserDefaultsFirstTimeSetupSettings>(defaults);
    std::shared_ptr<ScriptedClientRunner> runner = std::make_shared<ScriptedClientRunner>();
    std::shared_ptr<ScriptedTitleAccess> titleAccess = std::make_shared<ScriptedTitleAccess>();
    std::shared_ptr<ScriptedAccessibility> accessibility =
        std::make_shared<ScriptedAccessibility>();
    std::shared_ptr<ScriptedLaunchAtLogin> launchAtLogin =
        std::make_shared<ScriptedLaunchAtLogin>();
    std::shared_ptr<RecordingSettingsPages> pages = std::make_shared<RecordingSettingsPages>();
    std::shared_ptr<ScriptedSummarizers> summarizers = std::make_shared<ScriptedSummarizers>();
    // Used instead of `summarizers` when set.
    std::shared_ptr<SummarizerBuilding> customSummarizers;
    std::shared_ptr<HTTPDataLoading> http; // the local server's model list

    std::shared_ptr<DeskmapViewModel> viewModel;
    std::vector<ViewModelProperty> changes;
};

using ViewModelTest = BasicViewModelTest<IoContextMainLoop>;

} // namespace deskmap::test
