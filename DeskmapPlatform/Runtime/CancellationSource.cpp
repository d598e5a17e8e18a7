#include "CancellationSource.hpp"

#include <vector>

namespace deskmap::runtime {

std::shared_ptr<CancellationSource> CancellationSource::make() {
    std::shared_ptr<CancellationSource> source(new CancellationSource());
    source->self_ = source;
    return source;
}

void CancellationSource::cancel() {
    std::map<std::uint64_t, std::function<void()>> handlers;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) {
            return;
        }
        cancelled_ = true;
        handlers.swap(handlers_);
    }
    // Outside the lock: a handler may use this source.
    for (auto& [id, handler] : handlers) {
        handler();
    }
}

bool CancellationSource::isCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

CancellationSource::Registration CancellationSource::onCancel(std::function<void()> handler) {
    {
        std::lock_guard lock(mutex_);
        if (!cancelled_) {
            const auto id = nextID_++;
            handlers_.emplace(id, std::move(handler));
            return Registration(self_, id);
        }
    }
    handler();
    return {};
}

CancellationSource::Registration::Registration(Registration&& other) noexcept
    : source_(std::move(other.source_)), id_(other.id_) {
    other.id_ = 0;
}

CancellationSource::Registration&
CancellationSource::Registration::operator=(Registration&& other) noexcept {
    if (this != &other) {
        reset();
        source_ = std::move(other.source_);
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

void CancellationSource::Registration::reset() {
    if (id_ == 0) {
        return;
    }
    if (const auto source = source_.lock()) {
        std::lock_guard lock(source->mutex_);
        source->handlers_.erase(id_);
    }
    id_ = 0;
}

} // namespace deskmap::runtime
