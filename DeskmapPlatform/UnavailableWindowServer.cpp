#include "DeskmapPlatform/UnavailableWindowServer.hpp"

#include <nlohmann/json.hpp>

#include <chrono>

namespace deskmap::platform {

UnavailableWindowServer::UnavailableWindowServer(std::string reason, Retry retry,
                                                 std::chrono::milliseconds retryInterval)
    : reason_(std::move(reason)), retry_(std::move(retry)), retryInterval_(retryInterval) {}

std::shared_ptr<WindowServer> UnavailableWindowServer::current() {
    std::lock_guard lock(mutex_);
    return inner_;
}

std::shared_ptr<WindowServer> UnavailableWindowServer::readable() {
    if (auto inner = current(); inner || !retry_) {
        return inner;
    }
    {
        // At most one look every retryInterval: a look connects to servers.
        std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (looking_ || (lastLook_ && now - *lastLook_ < retryInterval_)) {
            return nullptr;
        }
        looking_ = true;
        lastLook_ = now;
    }
    std::shared_ptr<WindowServer> found; // looked for without the lock held
    try {
        found = retry_();
    } catch (const std::exception&) {
        // Still not readable; the reason stays the first one.
    }
    std::function<void()> observer;
    {
        std::lock_guard lock(mutex_);
        looking_ = false;
        if (!found || inner_) {
            return inner_;
        }
        inner_ = found;
        observer = observer_;
    }
    if (observer) {
        try {
            found->setActiveSpaceObserver(std::move(observer));
        } catch (const std::exception&) {
            // Changes are then found by the next refresh.
        }
    }
    return found;
}

std::shared_ptr<WindowServer> UnavailableWindowServer::readableOrThrow() {
    if (auto inner = readable()) {
        return inner;
    }
    throw WindowServerError(reason_);
}

std::int32_t UnavailableWindowServer::mainConnectionID() {
    const auto inner = readable();
    return inner ? inner->mainConnectionID() : 0;
}

nlohmann::json UnavailableWindowServer::copyManagedDisplaySpaces(std::int32_t connection) {
    return readableOrThrow()->copyManagedDisplaySpaces(connection);
}

nlohmann::json UnavailableWindowServer::copySpacesForWindows(std::int32_t connection,
                                                             std::int32_t spaceMask,
                                                             const nlohmann::json& windowNumbers) {
    return readableOrThrow()->copySpacesForWindows(connection, spaceMask, windowNumbers);
}

nlohmann::json UnavailableWindowServer::copyWindowListInfo(std::uint32_t option,
                                                           std::uint32_t relativeToWindow) {
    return readableOrThrow()->copyWindowListInfo(option, relativeToWindow);
}

std::optional<InputEvent> UnavailableWindowServer::createEvent() {
    const auto inner = readable();
    return inner ? inner->createEvent() : std::nullopt;
}

std::vector<std::uint32_t> UnavailableWindowServer::displaysWithPoint(DisplayPoint point,
                                                                      std::uint32_t maximum) {
    const auto inner = readable();
    return inner ? inner->displaysWithPoint(point, maximum) : std::vector<std::uint32_t>{};
}

std::optional<std::string> UnavailableWindowServer::displayUUID(std::uint32_t display) {
    const auto inner = readable();
    return inner ? inner->displayUUID(display) : std::nullopt;
}

std::uint32_t UnavailableWindowServer::mainDisplayID() {
    const auto inner = readable();
    return inner ? inner->mainDisplayID() : 0;
}

void UnavailableWindowServer::postEvent(std::int32_t tap, const InputEvent& event) {
    readableOrThrow()->postEvent(tap, event);
}

bool UnavailableWindowServer::isAccessibilityTrusted() {
    const auto inner = current();
    return inner ? inner->isAccessibilityTrusted() : true;
}

void UnavailableWindowServer::requestAccessibilityTrust() {
    if (const auto inner = current()) {
        inner->requestAccessibilityTrust();
    }
}

bool UnavailableWindowServer::isScreenCaptureAccessGranted() {
    const auto inner = current();
    return inner ? inner->isScreenCaptureAccessGranted() : true;
}

void UnavailableWindowServer::requestScreenCaptureAccess() {
    if (const auto inner = current()) {
        inner->requestScreenCaptureAccess();
    }
}

void UnavailableWindowServer::setActiveSpaceObserver(std::function<void()> observer) {
    std::shared_ptr<WindowServer> inner;
    {
        std::lock_guard lock(mutex_);
        observer_ = observer;
        inner = inner_;
    }
    if (inner) {
        inner->setActiveSpaceObserver(std::move(observer));
    }
}

} // namespace deskmap::platform
