#include "LaunchAtLoginConfiguration.hpp"

#include <exception>

namespace deskmap {

LaunchAtLoginConfiguration::UpdateResult LaunchAtLoginConfiguration::setEnabled(bool enabled) {
    const auto current = service_->status();
    // Registering again while approval is pending would not help; only a
    // real change of the request makes a call.
    if (isRequested(current) == enabled) {
        return UpdateResult::updated(current);
    }
    try {
        if (enabled) {
            service_->registerApp();
        } else {
            service_->unregisterApp();
        }
    } catch (const std::exception& error) {
        return UpdateResult::failed(service_->status(), error.what());
    }
    return UpdateResult::updated(service_->status());
}

} // namespace deskmap
