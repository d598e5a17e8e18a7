#include "UserDefaultsSettings.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

SummaryProvider UserDefaultsSummaryProviderSettings::selectedProvider() const {
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
    defaults_->set(selectedProviderKey, std::string(rawValue(provider)));
}

InstalledClient UserDefaultsInstalledClientSettings::selectedInstalledClient() const {
    return defaults_->string(selectedClientKey) == "cursor" ? InstalledClient::cursor
                                                            : InstalledClient::codex;
}

void UserDefaultsInstalledClientSettings::setSelectedInstalledClient(InstalledClient client) {
    defaults_->set(selectedClientKey, std::string(rawValue(client)));
}

bool UserDefaultsFirstTimeSetupSettings::isCompleted() const {
    return defaults_->boolean(completedKey).value_or(false);
}

void UserDefaultsFirstTimeSetupSettings::setCompleted() {
    defaults_->set(completedKey, true);
}

} // namespace deskmap
