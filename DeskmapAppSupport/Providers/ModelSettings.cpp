#include "DeskmapAppSupport/Providers/ModelSettings.hpp"

#include "DeskmapCore/Text/Unicode.hpp"

#include <nlohmann/json.hpp>

namespace deskmap {

std::optional<std::string> SummaryModelSettings::key(SummaryProvider provider) {
    switch (provider) {
    case SummaryProvider::openAI:
        return "openAIModel";
    case SummaryProvider::openRouter:
        return "openRouterModel";
    case SummaryProvider::installedClient:
        break;
    }
    return std::nullopt;
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
    // A stored name that is not one line of text is ignored, as if absent.
    const auto stored = defaults_->string(*name);
    if (!stored || stored->empty() || stored->find_first_of("\r\n") != std::string::npos ||
        Unicode::trimmedWhitespaceAndNewlines(*stored) != *stored) {
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
    {
        std::lock_guard lock(mutex_);
        unsaved_[provider] = trimmed;
    }
    if (trimmed.empty() || trimmed == deskmap::model(provider)) {
        defaults_->remove(*stored);
    } else {
        defaults_->set(*stored, trimmed);
    }
    std::lock_guard lock(mutex_);
    unsaved_.erase(provider);
}

} // namespace deskmap
