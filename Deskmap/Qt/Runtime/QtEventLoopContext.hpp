#pragma once

#include <asio/execution_context.hpp>
#include <exception>
#include <memory>

namespace deskmap::qt {

class QtExecutor;

// The execution context behind QtExecutor: the Qt event loop of the thread
// that made it (the GUI thread). Work posted from any thread runs there, in
// the order it was posted, as the loop gets to it.
//
// Make it after the QCoreApplication and destroy it before; no other thread
// may still post to it when it is destroyed. Work still queued then is
// dropped without running, as an io_context drops unrun handlers.
class QtEventLoopContext : public asio::execution_context {
public:
    // A unit of posted work.
    class Work {
    public:
        virtual ~Work() = default;
        virtual void run() = 0;
    };

    QtEventLoopContext();
    ~QtEventLoopContext();
    QtEventLoopContext(const QtEventLoopContext&) = delete;
    QtEventLoopContext& operator=(const QtEventLoopContext&) = delete;

    QtExecutor get_executor() noexcept;

    // Queues `work` for the event loop; callable from any thread.
    void post(std::unique_ptr<Work> work);

    // Whether the caller is on the loop's thread.
    bool runningInThisThread() const noexcept;

    // An exception that escaped posted work. The event loop cannot carry it
    // (Qt does not let exceptions pass through its loop), so the first one is
    // kept here and the loop is asked to exit with a failure code; the caller
    // of exec() rethrows it. Empty when none escaped.
    std::exception_ptr takeFailure();

private:
    class Receiver;
    std::unique_ptr<Receiver> receiver_;
};

} // namespace deskmap::qt
