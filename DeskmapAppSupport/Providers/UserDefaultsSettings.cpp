#include "UserDefaultsSettings.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

namespace {

// The choice being stored, or one that could not be.
template <class T> std::optional<T> held(std::mutex& mutex, const std::optional<T>& unsaved) {
    const std::lock_guard lock(mutex);
    return unsaved;
}

template <class T> void hold(std::mutex& mutex, std::optional<T>& unsaved, std::optional<T> value) {
    const std::lock_guard lock(mutex);
    unsaved = value;
}

} // namespace

SummaryProvider UserDefaultsSummaryProviderSettings::selectedProvider() const {
    if (const auto unsaved = held(mutex_, unsaved_)) {
        return *unsaved;
    }
    const auto stored = defaults_->string(selectedProviderKey);
    return stored ? summaryProviderFromRawValue(*stored).value_or(SummaryProvider::openAI)
                  : SummaryProvider::openAI;
}

void UserDefaultsSummaryProviderSettings::setSelectedProvider(SummaryProvider provider) {
    hold(mutex_, unsaved_, std::optional(provider));
    defaults_->set(selectedProviderKey, std::string(rawValue(provider)));
    hold(mutex_, unsaved_, std::optional<SummaryProvider>());
}

InstalledClient UserDefaultsInstalledClientSettings::selectedInstalledClient() const {
    if (const auto unsaved = held(mutex_, unsaved_)) {
        return *unsaved;
    }
    return defaults_->string(selectedClientKey) == "cursor" ? InstalledClient::cursor
                                                            : InstalledClient::codex;
}

void UserDefaultsInstalledClientSettings::setSelectedInstalledClient(InstalledClient client) {
    hold(mutex_, unsaved_, std::optional(client));
    defaults_->set(selectedClientKey, std::string(rawValue(client)));
    hold(mutex_, unsaved_, std::optional<InstalledClient>());
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
