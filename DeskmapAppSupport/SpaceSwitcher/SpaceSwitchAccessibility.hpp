#pragma once

#include "DeskmapPlatform/WindowServer.hpp"

#include <memory>

namespace deskmap {

// Whether this process may post the switch gesture, and asking for it.
class SpaceSwitchAccessibilityChecking {
public:
    virtual ~SpaceSwitchAccessibilityChecking() = default;
    virtual bool isGranted() = 0;
    virtual void request() = 0;

protected:
    SpaceSwitchAccessibilityChecking() = default;
    SpaceSwitchAccessibilityChecking(const SpaceSwitchAccessibilityChecking&) = default;
    SpaceSwitchAccessibilityChecking& operator=(const SpaceSwitchAccessibilityChecking&) = default;
};

// The window server's own accessibility trust.
class MacOSSpaceSwitchAccessibility final : public SpaceSwitchAccessibilityChecking {
public:
    explicit MacOSSpaceSwitchAccessibility(std::shared_ptr<platform::WindowServer> windowServer)
        : windowServer_(std::move(windowServer)) {}

    bool isGranted() override { return windowServer_->isAccessibilityTrusted(); }
    void request() override { windowServer_->requestAccessibilityTrust(); }

private:
    std::shared_ptr<platform::WindowServer> windowServer_;
};

} // namespace deskmap
