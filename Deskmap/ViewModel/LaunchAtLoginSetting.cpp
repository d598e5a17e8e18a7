#include "Deskmap/ViewModel/LaunchAtLoginSetting.hpp"

#include "DeskmapPlatform/Text/UserTexts.hpp"

namespace deskmap {

namespace {

std::string launchAtLoginText(const LaunchAtLoginConfiguration::UpdateResult& result,
                              bool requested) {
    if (result.kind == LaunchAtLoginConfiguration::UpdateResult::Kind::failed) {
        return texts::launchAtLoginFailed(requested, result.message);
    }
    switch (result.status) {
    case LaunchAtLoginStatus::disabled:
        return texts::launchAtLoginDisabled;
    case LaunchAtLoginStatus::enabled:
        return texts::launchAtLoginEnabled;
    case LaunchAtLoginStatus::requiresApproval:
        return texts::launchAtLoginRequiresApproval;
    case LaunchAtLoginStatus::notFound:
        break;
    }
    return texts::launchAtLoginNotFound;
}

} // namespace

LaunchAtLoginSetting::LaunchAtLoginSetting(ViewModelContext& context,
                                           std::shared_ptr<LaunchAtLoginServicing> service)
    : context_(context), service_(service), configuration_(std::move(service)) {}

void LaunchAtLoginSetting::load() {
    context_.publish(&ViewModelState::launchAtLoginStatus, configuration_.currentStatus(),
                     ViewModelProperty::launchAtLoginStatus);
}

void LaunchAtLoginSetting::setEnabled(bool enabled) {
    const auto result = configuration_.setEnabled(enabled);
    context_.publish(&ViewModelState::launchAtLoginStatus, result.status,
                     ViewModelProperty::launchAtLoginStatus);
    context_.publish(&ViewModelState::launchAtLoginMessage,
                     std::optional(launchAtLoginText(result, enabled)),
                     ViewModelProperty::launchAtLoginMessage);
}

void LaunchAtLoginSetting::refreshStatus() {
    const auto status = configuration_.currentStatus();
    if (status == context_.state().launchAtLoginStatus) {
        return;
    }
    context_.publish(&ViewModelState::launchAtLoginStatus, status,
                     ViewModelProperty::launchAtLoginStatus);
    context_.publish(&ViewModelState::launchAtLoginMessage, std::optional<std::string>(),
                     ViewModelProperty::launchAtLoginMessage);
}

void LaunchAtLoginSetting::openSettings() {
    service_->openSystemSettings();
}

} // namespace deskmap
