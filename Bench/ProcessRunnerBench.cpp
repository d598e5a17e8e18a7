// The process runner: capturing 1 MiB of output, and how long a child that
// ignores SIGTERM takes from its time-out to being reaped.
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"

#include <benchmark/benchmark.h>

#include <asio/io_context.hpp>
#include <chrono>

namespace deskmap {
namespace {

using namespace std::chrono_literals;

template <class T> T runToEnd(asio::awaitable<T> work) {
    asio::io_context io;
    auto task = runtime::Task<T>::spawn(io.get_executor(), std::move(work));
    io.run();
    return task.get();
}

InstalledClientProcessRequest shell(const std::string& script,
                                    std::chrono::duration<double> timeout) {
    return {"/bin/sh", {"-c", script}, std::nullopt, std::nullopt, timeout};
}

void captureOneMebibyte(benchmark::State& state) {
    FoundationInstalledClientProcessRunner runner;
    for (auto _ : state) {
        const auto result = runToEnd(runner.run(shell("head -c 1048576 /dev/zero", 30s)));
        benchmark::DoNotOptimize(result.standardOutput.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 1'048'576);
}

void timeOutToReaped(benchmark::State& state) {
    FoundationInstalledClientProcessRunner runner;
    constexpr auto timeout = 50ms;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        try {
            runToEnd(runner.run(shell("trap '' TERM; while :; do sleep 1; done", timeout)));
        } catch (const ProcessRunnerError&) {
        }
        const auto elapsed = std::chrono::steady_clock::now() - started - timeout;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
}

BENCHMARK(captureOneMebibyte)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(timeOutToReaped)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace deskmap

BENCHMARK_MAIN();
