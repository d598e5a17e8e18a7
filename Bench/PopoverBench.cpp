// The Space list built and painted offscreen for 16 Spaces and 800 windows,
// over a view model on the Qt event loop as in the app.
#include "Deskmap/Qt/Popover/SpaceListView.hpp"
#include "Deskmap/Qt/Runtime/QtExecutor.hpp"
#include "Deskmap/ViewModel/StandardServices.hpp"
#include "DeskmapPlatform/Keychain/InMemoryKeychain.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "DeskmapPlatform/UserDefaults/InMemoryUserDefaults.hpp"
#include "GeneratedDesktop.hpp"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/thread_pool.hpp>
#include <chrono>
#include <thread>

namespace deskmap {
namespace {

ViewModelServices benchServices(std::shared_ptr<platform::WindowServer> windowServer) {
    auto services = standardServices(std::move(windowServer),
                                     std::make_shared<platform::InMemoryUserDefaults>());
    services.keychain = std::make_shared<platform::InMemoryKeychain>();
    return services;
}

void popoverBuiltAndPainted(benchmark::State& state) {
    qt::QtEventLoopContext context;
    asio::io_context worker;
    auto work = asio::make_work_guard(worker);
    std::thread workerThread([&worker] { worker.run(); });
    asio::thread_pool background(2);
    auto model = DeskmapViewModel::make(
        {context.get_executor(), worker.get_executor(), background.get_executor()},
        benchServices(
            std::make_shared<platform::SimulatedWindowServer>(bench::generatedDesktop(2, 8, 800))));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!model->snapshot().inventory && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
    }
    if (!model->snapshot().inventory || model->snapshot().inventory->spaces.size() != 16) {
        state.SkipWithError("no inventory of 16 Spaces");
    }

    for (auto _ : state) {
        qt::SpaceListView view(model);
        view.setAvailableScreenHeight(1000);
        view.resize(420, view.sizeHint().height());
        benchmark::DoNotOptimize(view.grab());
    }

    bool stopped = false;
    asio::co_spawn(context.get_executor(), model->shutdown(),
                   [&stopped](std::exception_ptr) { stopped = true; });
    while (!stopped) {
        QCoreApplication::processEvents();
    }
    model.reset();
    work.reset();
    worker.stop();
    workerThread.join();
    background.join();
}

BENCHMARK(popoverBuiltAndPainted)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace deskmap

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
