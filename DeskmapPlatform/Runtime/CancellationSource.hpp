#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace deskmap::runtime {

// A cancellation request that work checks at points of its own choosing,
// with handlers run when it is requested (at once for a handler added after
// the request). Safe to use from any thread.
class CancellationSource {
public:
    // Keeps a handler registered while it lives.
    class Registration {
    public:
        Registration() = default;
        Registration(Registration&& other) noexcept;
        Registration& operator=(Registration&& other) noexcept;
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;
        ~Registration() { reset(); }
        void reset();

    private:
        friend class CancellationSource;
        Registration(std::weak_ptr<CancellationSource> source, std::uint64_t id)
            : source_(std::move(source)), id_(id) {}
        std::weak_ptr<CancellationSource> source_;
        std::uint64_t id_ = 0;
    };

    static std::shared_ptr<CancellationSource> make();

    // Requests cancellation; handlers run on this thread, once.
    void cancel();
    bool isCancelled() const;
    [[nodiscard]] Registration onCancel(std::function<void()> handler);

private:
    CancellationSource() = default;

    std::weak_ptr<CancellationSource> self_;
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    std::uint64_t nextID_ = 1;
    std::map<std::uint64_t, std::function<void()>> handlers_;
};

} // namespace deskmap::runtime
