#pragma once

#include "DeskmapAppSupport/Permissions/WindowTitleAccessChecking.hpp"
#include "DeskmapPlatform/WindowServer.hpp"

#include <memory>

namespace deskmap {

// Window titles are readable when the window server grants screen capture;
// nothing is ever captured.
class ScreenRecordingWindowTitleAccess final : public WindowTitleAccessRequesting {
public:
    explicit ScreenRecordingWindowTitleAccess(std::shared_ptr<platform::WindowServer> windowServer)
        : windowServer_(std::move(windowServer)) {}

    bool isGranted() const override { return windowServer_->isScreenCaptureAccessGranted(); }
    void request() override { windowServer_->requestScreenCaptureAccess(); }
    std::optional<std::string> advice() const override {
        return windowServer_->screenCaptureAccessAdvice();
    }

private:
    std::shared_ptr<platform::WindowServer> windowServer_;
};

} // namespace deskmap
