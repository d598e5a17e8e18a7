#pragma once

#include "DeskmapAppSupport/LaunchAtLogin/LaunchAtLoginService.hpp"

#include <memory>
#include <string>

namespace deskmap {

// Decides whether a change needs a call at all, and reports the status read
// afterwards.
class LaunchAtLoginConfiguration {
public:
    struct UpdateResult {
        enum class Kind { updated, failed };
        Kind kind = Kind::updated;
        LaunchAtLoginStatus status = LaunchAtLoginStatus::disabled;
        std::string message; // the failure's description; empty when updated

        static UpdateResult updated(LaunchAtLoginStatus status) {
            return {Kind::updated, status, {}};
        }
        static UpdateResult failed(LaunchAtLoginStatus status, std::string message) {
            return {Kind::failed, status, std::move(message)};
        }
        friend bool operator==(const UpdateResult&, const UpdateResult&) = default;
    };

    explicit LaunchAtLoginConfiguration(std::shared_ptr<LaunchAtLoginServicing> service)
        : service_(std::move(service)) {}

    LaunchAtLoginStatus currentStatus() const { return service_->status(); }
    // Never throws: a failed call is `failed` with the status read after it.
    UpdateResult setEnabled(bool enabled);
    void openSystemSettings() { service_->openSystemSettings(); }

private:
    std::shared_ptr<LaunchAtLoginServicing> service_;
};

} // namespace deskmap
