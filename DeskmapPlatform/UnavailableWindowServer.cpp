#include "DeskmapPlatform/UnavailableWindowServer.hpp"

#include <nlohmann/json.hpp>

namespace deskmap::platform {

UnavailableWindowServer::UnavailableWindowServer(std::string reason, Retry retry)
    : reason_(std::move(reason)), retry_(std::move(retry)) {}

std::shared_ptr<WindowServer> UnavailableWindowServer::readable() {
    std::lock_guard lock(mutex_);
    if (!inner_ && retry_) {
        try {
            inner_ = retry_();
        } catch (const std::exception&) {
            // Still not readable; the reason stays the first one.
        }
        if (inner_ && observer_) {
            inner_->setActiveSpaceObserver(observer_);
        }
    }
    return inner_;
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
    const auto inner = readable();
    return inner ? inner->isAccessibilityTrusted() : true;
}

void UnavailableWindowServer::requestAccessibilityTrust() {
    if (const auto inner = readable()) {
        inner->requestAccessibilityTrust();
    }
}

bool UnavailableWindowServer::isScreenCaptureAccessGranted() {
    const auto inner = readable();
    return inner ? inner->isScreenCaptureAccessGranted() : true;
}

void UnavailableWindowServer::requestScreenCaptureAccess() {
    if (const auto inner = readable()) {
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
