#include "UserDefaultsSettings.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

SummaryProvider UserDefaultsSummaryProviderSettings::selectedProvider() const {
    if (unsaved_) {
        return *unsaved_;
    }
    const auto stored = defaults_->string(selectedProviderKey);
    if (stored == "openrouter") {
        return SummaryProvider::openRouter;
    }
    if (stored == "installed-client") {
        return SummaryProvider::installedClient;
    }
    return SummaryProvider::openAI;
}

void UserDefaultsSummaryProviderSettings::setSelectedProvider(SummaryProvider provider) {
    unsaved_ = provider;
    defaults_->set(selectedProviderKey, std::string(rawValue(provider)));
    unsaved_.reset();
}

InstalledClient UserDefaultsInstalledClientSettings::selectedInstalledClient() const {
    if (unsaved_) {
        return *unsaved_;
    }
    return defaults_->string(selectedClientKey) == "cursor" ? InstalledClient::cursor
                                                            : InstalledClient::codex;
}

void UserDefaultsInstalledClientSettings::setSelectedInstalledClient(InstalledClient client) {
    unsaved_ = client;
    defaults_->set(selectedClientKey, std::string(rawValue(client)));
    unsaved_.reset();
}

bool UserDefaultsFirstTimeSetupSettings::isCompleted() const {
    return unsaved_ || defaults_->boolean(completedKey).value_or(false);
}

void UserDefaultsFirstTimeSetupSettings::setCompleted() {
    unsaved_ = true;
    defaults_->set(completedKey, true);
    unsaved_ = false;
}

} // namespace deskmap
