#include "DeskmapCore/InstalledClients/ClientProcess.hpp"

#include "DeskmapCore/Errors/InstalledClientError.hpp"
#include "DeskmapPlatform/Runtime/Cancellation.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"

namespace deskmap {

namespace {

bool isTimeOut(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ProcessRunnerError& error) {
        return error.failure() == ProcessRunnerError::Case::timedOut;
    } catch (...) {
        return false;
    }
}

} // namespace

asio::awaitable<InstalledClientProcessResult>
runClientProcess(std::shared_ptr<InstalledClientProcessRunning> runner,
                 InstalledClientProcessRequest request, InstalledClient client,
                 std::string couldNotRunReason) {
    std::exception_ptr failure;
    try {
        auto running = runner->run(std::move(request));
        co_return co_await std::move(running);
    } catch (...) {
        failure = std::current_exception();
    }
    if (runtime::isCancellation(failure)) {
        throw runtime::CancellationError();
    }
    if (isTimeOut(failure)) {
        throw InstalledClientError::timedOut(client);
    }
    throw InstalledClientError::verificationFailed(client, std::move(couldNotRunReason));
}

} // namespace deskmap
