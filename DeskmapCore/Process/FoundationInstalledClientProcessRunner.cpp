#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"

#include "DeskmapPlatform/Process/SpawnedProcess.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"

#include <array>
#include <asio/buffer.hpp>
#include <asio/co_spawn.hpp>
#include <asio/detached.hpp>
#include <asio/experimental/as_tuple.hpp>
#include <asio/experimental/deferred.hpp>
#include <asio/experimental/parallel_group.hpp>
#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>
#include <asio/strand.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>
#include <asio/write.hpp>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace deskmap {

namespace {

using Strand = asio::strand<asio::any_io_executor>;

constexpr std::size_t readChunkBytes = 65'536;

enum class ForcedOutcome { cancelled, timedOut, outputLimitExceeded };

void ignoreBrokenPipes() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

// One run of one child. Everything but the cancellation flag is touched only
// on the strand; the flag and the launch share one lock, so a cancel is
// either seen before the launch or acted on right after it.
class ProcessExecution : public std::enable_shared_from_this<ProcessExecution> {
public:
    ProcessExecution(Strand strand, InstalledClientProcessRequest request, std::size_t limit,
                     std::chrono::milliseconds killGrace)
        : strand_(strand), request_(std::move(request)), limit_(limit), killGrace_(killGrace),
          timeoutTimer_(strand), killTimer_(strand), input_(strand), output_(strand),
          error_(strand), exit_(strand) {}

    // Any thread, any time: before the launch, while running, or after.
    void cancel() {
        {
            std::lock_guard lock(cancellationLock_);
            cancellationRequested_ = true;
        }
        asio::post(strand_, [self = shared_from_this()] { self->stop(ForcedOutcome::cancelled); });
    }

    static asio::awaitable<InstalledClientProcessResult>
    run(std::shared_ptr<ProcessExecution> self) {
        self->launch();
        self->startInput();
        self->armTimeout();
        {
            std::lock_guard lock(self->cancellationLock_);
            if (self->cancellationRequested_) {
                self->stop(ForcedOutcome::cancelled);
            }
        }

        auto group = asio::experimental::make_parallel_group(
            asio::co_spawn(self->strand_, readStream(self, self->output_),
                           asio::experimental::deferred),
            asio::co_spawn(self->strand_, readStream(self, self->error_),
                           asio::experimental::deferred),
            asio::co_spawn(self->strand_, waitForExit(self), asio::experimental::deferred));
        auto waiting =
            std::move(group).async_wait(asio::experimental::wait_for_all(), asio::use_awaitable);
        auto [order, outputError, output, errorError, error, exitError, status] =
            co_await std::move(waiting);
        self->complete();

        for (const auto& failure : {outputError, errorError, exitError}) {
            if (failure) {
                std::rethrow_exception(failure);
            }
        }
        if (self->forcedOutcome_) {
            switch (*self->forcedOutcome_) {
            case ForcedOutcome::cancelled:
                throw runtime::CancellationError();
            case ForcedOutcome::timedOut:
                throw ProcessRunnerError(ProcessRunnerError::Case::timedOut);
            case ForcedOutcome::outputLimitExceeded:
                throw ProcessRunnerError(ProcessRunnerError::Case::outputLimitExceeded);
            }
        }
        co_return InstalledClientProcessResult{status, std::move(output), std::move(error)};
    }

private:
    void launch() {
        std::lock_guard lock(cancellationLock_);
        if (cancellationRequested_) {
            throw runtime::CancellationError();
        }
        try {
            // The clients sign in their own way: the keys of the HTTP
            // providers are none of their business.
            process_.emplace(platform::SpawnedProcess::spawn(platform::SpawnRequest{
                request_.executable,
                request_.arguments,
                request_.workingDirectory,
                request_.standardInput.has_value(),
                {"OPENAI_ACCESS_TOKEN", "OPENROUTER_API_KEY", "DESKMAP_LOCAL_API_KEY"}}));
        } catch (const platform::SpawnError&) {
            throw ProcessRunnerError(ProcessRunnerError::Case::couldNotStart);
        }
        output_.assign(process_->takeStandardOutput());
        error_.assign(process_->takeStandardError());
        exit_.assign(process_->takeExitDescriptor());
    }

    // Write errors are ignored: a child may exit without reading its input.
    void startInput() {
        if (!request_.standardInput) {
            return;
        }
        input_.assign(process_->takeStandardInput());
        asio::async_write(input_, asio::buffer(*request_.standardInput),
                          [self = shared_from_this()](const asio::error_code&, std::size_t) {
                              asio::error_code ignored;
                              self->input_.close(ignored);
                          });
    }

    void armTimeout() {
        timeoutTimer_.expires_after(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(request_.timeout));
        timeoutTimer_.async_wait([weak = weak_from_this()](const asio::error_code& error) {
            if (auto self = weak.lock(); self && !error) {
                self->stop(ForcedOutcome::timedOut);
            }
        });
    }

    // On the strand. The first reason wins; later ones only repeat nothing.
    void stop(ForcedOutcome reason) {
        if (completed_) {
            return;
        }
        if (!forcedOutcome_) {
            forcedOutcome_ = reason;
        }
        if (!process_) {
            return; // never launched: the launch sees the flag
        }
        process_->signalGroup(SIGTERM);
        killTimer_.expires_after(killGrace_);
        killTimer_.async_wait([weak = weak_from_this()](const asio::error_code& error) {
            if (auto self = weak.lock(); self && !error && !self->completed_) {
                self->process_->signalGroup(SIGKILL);
                self->abandonOutput();
            }
        });
    }

    // A grandchild that left the process group can hold the pipes open long
    // after the child is gone. The run already ends in a forced outcome, so
    // its output no longer matters: stop reading, and the readers finish.
    void abandonOutput() {
        asio::error_code ignored;
        output_.close(ignored);
        error_.close(ignored);
    }

    void complete() {
        completed_ = true;
        timeoutTimer_.cancel();
        killTimer_.cancel();
        asio::error_code ignored;
        input_.close(ignored); // ends a write to a grandchild that never reads
    }

    // Drains the stream to its end, keeping at most the limit: a child must
    // never block on a full pipe.
    static asio::awaitable<std::string> readStream(std::shared_ptr<ProcessExecution> self,
                                                   asio::posix::stream_descriptor& stream) {
        std::string captured;
        std::array<char, readChunkBytes> chunk{};
        bool exceeded = false;
        for (;;) {
            auto reading = stream.async_read_some(
                asio::buffer(chunk), asio::experimental::as_tuple(asio::use_awaitable));
            auto [error, count] = co_await std::move(reading);
            if (error || count == 0) {
                break;
            }
            const auto room = self->limit_ - std::min(self->limit_, captured.size());
            captured.append(chunk.data(), std::min(count, room));
            if (count > room && !exceeded) {
                exceeded = true;
                self->stop(ForcedOutcome::outputLimitExceeded);
            }
        }
        co_return captured;
    }

    static asio::awaitable<std::int32_t> waitForExit(std::shared_ptr<ProcessExecution> self) {
        auto waiting = self->exit_.async_wait(asio::posix::descriptor_base::wait_read,
                                              asio::experimental::as_tuple(asio::use_awaitable));
        // Readiness is only a hint (the reactor may report it spuriously): the
        // child has exited only when it can be reaped.
        for (;;) {
            auto [waitError] = co_await std::move(waiting);
            if (const auto status = self->process_->tryReap()) {
                co_return *status;
            }
            if (waitError) {
                asio::steady_timer pause(self->strand_, std::chrono::milliseconds(20));
                auto pausing = pause.async_wait(asio::experimental::as_tuple(asio::use_awaitable));
                co_await std::move(pausing);
            }
            waiting = self->exit_.async_wait(asio::posix::descriptor_base::wait_read,
                                             asio::experimental::as_tuple(asio::use_awaitable));
        }
    }

    Strand strand_;
    InstalledClientProcessRequest request_;
    std::size_t limit_;
    std::chrono::milliseconds killGrace_;

    std::mutex cancellationLock_;
    bool cancellationRequested_ = false; // guarded by cancellationLock_

    std::optional<platform::SpawnedProcess> process_;
    bool completed_ = false;
    std::optional<ForcedOutcome> forcedOutcome_;
    asio::steady_timer timeoutTimer_;
    asio::steady_timer killTimer_;
    asio::posix::stream_descriptor input_;
    asio::posix::stream_descriptor output_;
    asio::posix::stream_descriptor error_;
    asio::posix::stream_descriptor exit_;
};

} // namespace

FoundationInstalledClientProcessRunner::FoundationInstalledClientProcessRunner(
    std::ptrdiff_t maximumCapturedOutputBytes, std::chrono::milliseconds killGrace)
    : maximumCapturedOutputBytes_(
          static_cast<std::size_t>(std::max<std::ptrdiff_t>(1, maximumCapturedOutputBytes))),
      killGrace_(killGrace) {
    ignoreBrokenPipes();
}

asio::awaitable<InstalledClientProcessResult>
FoundationInstalledClientProcessRunner::run(InstalledClientProcessRequest request) {
    co_await runtime::checkCancellation();
    auto strand = asio::make_strand(co_await asio::this_coro::executor);
    auto execution = std::make_shared<ProcessExecution>(strand, std::move(request),
                                                        maximumCapturedOutputBytes_, killGrace_);
    auto task = runtime::Task<InstalledClientProcessResult>::spawn(
        strand, ProcessExecution::run(execution));

    try {
        auto waiting = task.value();
        co_return co_await std::move(waiting);
    } catch (...) {
        if (!runtime::isCancellation(std::current_exception()) || task.isFinished()) {
            throw;
        }
    }
    // Cancelled while the child runs: stop it, and end only once it is gone
    // and its streams are drained.
    execution->cancel();
    co_await asio::this_coro::reset_cancellation_state();
    auto waiting = task.value();
    co_return co_await std::move(waiting);
}

} // namespace deskmap
