// The process runner with real child processes.
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "Support/RunAsync.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace deskmap {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

InstalledClientProcessRequest shell(const std::string& script,
                                    std::chrono::duration<double> timeout = 30s) {
    return InstalledClientProcessRequest{
        "/bin/sh", {"-c", script}, std::nullopt, std::nullopt, timeout};
}

InstalledClientProcessResult run(InstalledClientProcessRequest request,
                                 std::optional<Clock::duration> cancelAfter = std::nullopt,
                                 std::ptrdiff_t limit = 1'048'576) {
    FoundationInstalledClientProcessRunner runner(limit);
    return test::runAsync(runner.run(std::move(request)), cancelAfter);
}

std::optional<ProcessRunnerError::Case> runnerFailure(InstalledClientProcessRequest request,
                                                      std::ptrdiff_t limit = 1'048'576) {
    try {
        run(std::move(request), std::nullopt, limit);
    } catch (const ProcessRunnerError& error) {
        return error.failure();
    }
    return std::nullopt;
}

// Alive and not a zombie (an orphan may wait a while for its reaper).
bool processRuns(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidField, name, state;
    return stat >> pidField >> name >> state && state != "Z";
}

TEST(ProcessRunner, CapturesBothStreamsAndReturnsAnyStatus) {
    const auto result = run(shell("printf out; printf err >&2; exit 3"));
    EXPECT_EQ(result, (InstalledClientProcessResult{3, "out", "err"}));
    EXPECT_EQ(run(shell("kill -9 $$")).status, -9);
}

TEST(ProcessRunner, TheProvidersKeysStayOutOfAClientsEnvironment) {
    ::setenv("OPENAI_ACCESS_TOKEN", "sk-secret", 1);
    ::setenv("OPENROUTER_API_KEY", "sk-or-secret", 1);
    ::setenv("DESKMAP_LOCAL_API_KEY", "local-secret", 1);
    ::setenv("DESKMAP_TEST_KEPT", "kept", 1);
    const auto result = run(shell("env"));
    ::unsetenv("OPENAI_ACCESS_TOKEN");
    ::unsetenv("OPENROUTER_API_KEY");
    ::unsetenv("DESKMAP_LOCAL_API_KEY");
    ::unsetenv("DESKMAP_TEST_KEPT");
    EXPECT_EQ(result.standardOutput.find("secret"), std::string::npos) << result.standardOutput;
    EXPECT_NE(result.standardOutput.find("DESKMAP_TEST_KEPT=kept"), std::string::npos);
}

TEST(ProcessRunner, AChildThatIgnoresItsInputDoesNotFailTheRun) {
    auto request = shell("exit 0");
    request.standardInput = std::string(4 * 1024 * 1024, 'x');
    EXPECT_EQ(run(request).status, 0);
}

TEST(ProcessRunner, CapturesExactlyTheLimitOnEachStream) {
    EXPECT_EQ(run(shell("head -c 1048576 /dev/zero")).standardOutput.size(), 1'048'576u);
    EXPECT_EQ(run(shell("head -c 1048576 /dev/zero >&2")).standardError.size(), 1'048'576u);
    EXPECT_EQ(runnerFailure(shell("head -c 1048577 /dev/zero")),
              ProcessRunnerError::Case::outputLimitExceeded);
    EXPECT_EQ(runnerFailure(shell("head -c 1048577 /dev/zero >&2")),
              ProcessRunnerError::Case::outputLimitExceeded);
    // A flood is stopped, not waited out.
    EXPECT_EQ(runnerFailure(shell("yes")), ProcessRunnerError::Case::outputLimitExceeded);
    // A limit below one byte counts as one.
    EXPECT_EQ(runnerFailure(shell("printf ab"), 0), ProcessRunnerError::Case::outputLimitExceeded);
    EXPECT_EQ(run(shell("printf a"), std::nullopt, -5).standardOutput, "a");
}

TEST(ProcessRunner, KillsAChildThatIgnoresTerminationAfterTheGracePeriod) {
    // The time-out leaves the shell ample time to set its trap first.
    const auto started = Clock::now();
    EXPECT_EQ(runnerFailure(shell("trap '' TERM; while :; do sleep 1; done", 1s)),
              ProcessRunnerError::Case::timedOut);
    const auto elapsed = Clock::now() - started;
    EXPECT_GE(elapsed, 2s); // the time-out, then the grace period before SIGKILL
    EXPECT_LT(elapsed, 30s);
}

TEST(ProcessRunner, WhatAClientLeavesInItsGroupEndsWithIt) {
    // Holding the pipes, it cannot hold the run open either.
    const auto started = Clock::now();
    EXPECT_EQ(run(shell("sleep 60 & exit 0", 30s)).status, 0);
    EXPECT_LT(Clock::now() - started, 10s);

    const auto result = run(shell("sleep 60 >/dev/null 2>&1 & echo $!"));
    ASSERT_EQ(result.status, 0);
    const auto leftover = static_cast<pid_t>(std::stol(result.standardOutput));
    const auto deadline = Clock::now() + 5s;
    while (processRuns(leftover) && Clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(processRuns(leftover));
}

TEST(ProcessRunner, AMissingExecutableCouldNotStart) {
    EXPECT_EQ(runnerFailure({"/nonexistent/codex", {}, std::nullopt, std::nullopt, 30s}),
              ProcessRunnerError::Case::couldNotStart);
    auto badDirectory = shell("true");
    badDirectory.workingDirectory = "/nonexistent/workspace";
    EXPECT_EQ(runnerFailure(badDirectory), ProcessRunnerError::Case::couldNotStart);
}

TEST(ProcessRunner, CancellationBeforeLaunchStartsNothing) {
    const auto marker =
        std::filesystem::temp_directory_path() / ("deskmap-runner-" + std::to_string(::getpid()));
    std::filesystem::remove(marker);
    asio::io_context io;
    FoundationInstalledClientProcessRunner runner;
    auto task = runtime::Task<InstalledClientProcessResult>::spawn(
        io.get_executor(), runner.run(shell("touch " + marker.string())));
    task.cancel();
    io.run();
    EXPECT_THROW(task.get(), runtime::CancellationError);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(ProcessRunner, CancellationWhileRunningStopsTheChildAndItsGroup) {
    const auto pidFile = std::filesystem::temp_directory_path() /
                         ("deskmap-runner-pids-" + std::to_string(::getpid()));
    const auto started = Clock::now();
    // A whole second, so even a loaded machine has started the grandchild.
    EXPECT_THROW(run(shell("sleep 60 & echo $! > " + pidFile.string() + "; wait"), 1s),
                 runtime::CancellationError);
    EXPECT_LT(Clock::now() - started, 30s);
    std::ifstream pids(pidFile);
    pid_t grandchild = 0;
    pids >> grandchild;
    ASSERT_GT(grandchild, 0);
    for (int attempt = 0; attempt < 100 && processRuns(grandchild); ++attempt) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(processRuns(grandchild));
    std::filesystem::remove(pidFile);
}

TEST(ProcessRunner, AGrandchildOutsideTheGroupCannotHoldARunOpen) {
    // The grandchild leaves the process group, so no stop signal reaches it,
    // and keeps the output pipes open for 25 s.
    const auto pidFile = std::filesystem::temp_directory_path() /
                         ("deskmap-runner-escapee-" + std::to_string(::getpid()));
    const auto script = "setsid sleep 25 & echo $! > " + pidFile.string() + "; sleep 30";
    const auto killEscapee = [&] {
        std::ifstream pids(pidFile);
        pid_t escapee = 0;
        if (pids >> escapee && escapee > 0) {
            ::kill(escapee, SIGKILL);
        }
        std::filesystem::remove(pidFile);
    };

    auto started = Clock::now();
    EXPECT_EQ(runnerFailure(shell(script, 1s)), ProcessRunnerError::Case::timedOut);
    EXPECT_LT(Clock::now() - started, 15s);
    killEscapee();

    started = Clock::now();
    EXPECT_THROW(run(shell(script), 1s), runtime::CancellationError);
    EXPECT_LT(Clock::now() - started, 15s);
    killEscapee();
}

} // namespace
} // namespace deskmap
