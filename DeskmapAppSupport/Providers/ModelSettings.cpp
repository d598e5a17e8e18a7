#include "DeskmapAppSupport/Providers/ModelSettings.hpp"

#include "DeskmapCore/API/LocalServerAddress.hpp"
#include "DeskmapCore/Summary/ModelName.hpp"
#include "DeskmapCore/Text/Unicode.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

std::optional<std::string> SummaryModelSettings::key(SummaryProvider provider) {
    switch (provider) {
    case SummaryProvider::openAI:
        return "openAIModel";
    case SummaryProvider::openRouter:
        return "openRouterModel";
    case SummaryProvider::local:
        return "localModel";
    case SummaryProvider::installedClient:
        break;
    }
    return std::nullopt;
}

bool SummaryModelSettings::isUsableName(std::string_view name) {
    return isUsableModelName(name);
}

std::string UserDefaultsSummaryModelSettings::model(SummaryProvider provider) const {
    {
        std::lock_guard lock(mutex_);
        if (const auto unsaved = unsaved_.find(provider); unsaved != unsaved_.end()) {
            return unsaved->second.empty() ? deskmap::model(provider) : unsaved->second;
        }
    }
    const auto name = key(provider);
    if (!name) {
        return deskmap::model(provider);
    }
    // A stored name that could not go into a request is ignored, as if absent.
    const auto stored = defaults_->string(*name);
    if (!stored || !isUsableName(*stored)) {
        return deskmap::model(provider);
    }
    return *stored;
}

void UserDefaultsSummaryModelSettings::setModel(SummaryProvider provider, const std::string& name) {
    const auto stored = key(provider);
    if (!stored) {
        return;
    }
    const auto trimmed = Unicode::trimmedWhitespaceAndNewlines(name);
    if (!trimmed.empty() && !isUsableName(trimmed)) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        unsaved_[provider] = trimmed;
    }
    if (trimmed.empty() || (trimmed == deskmap::model(provider))) {
        defaults_->remove(*stored);
    } else {
        defaults_->set(*stored, trimmed);
    }
    std::lock_guard lock(mutex_);
    unsaved_.erase(provider);
}

std::optional<std::string> UserDefaultsSummaryModelSettings::localServerAddress() const {
    {
        std::lock_guard lock(mutex_);
        if (unsavedAddress_) {
            return unsavedAddress_->empty() ? std::nullopt : unsavedAddress_;
        }
    }
    // Only an address that parses is used; anything else is the default.
    const auto stored = defaults_->string(localServerAddressKey);
    if (!stored || !LocalServerAddress::parse(*stored)) {
        return std::nullopt;
    }
    return stored;
}

void UserDefaultsSummaryModelSettings::setLocalServerAddress(const std::string& address) {
    const auto trimmed = Unicode::trimmedWhitespaceAndNewlines(address);
    if (!trimmed.empty() && !LocalServerAddress::parse(trimmed)) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        unsavedAddress_ = trimmed;
    }
    if (trimmed.empty()) {
        defaults_->remove(localServerAddressKey);
    } else {
        defaults_->set(localServerAddressKey, trimmed);
    }
    std::lock_guard lock(mutex_);
    unsavedAddress_.reset();
}

} // namespace deskmap
