#include "SummaryProvider.hpp"

#include "DeskmapCore/API/LunaClient.hpp"
#include "DeskmapCore/API/OpenRouterClient.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <cstdio>
#include <cstdlib>

namespace deskmap {

std::string_view rawValue(SummaryProvider provider) {
    switch (provider) {
    case SummaryProvider::openAI:
        return "openai";
    case SummaryProvider::openRouter:
        return "openrouter";
    case SummaryProvider::local:
        return "local";
    case SummaryProvider::installedClient:
        break;
    }
    return "installed-client";
}

std::optional<SummaryProvider> summaryProviderFromRawValue(std::string_view raw) {
    for (const auto provider : allSummaryProviders) {
        if (rawValue(provider) == raw) {
            return provider;
        }
    }
    return std::nullopt;
}

std::string displayName(SummaryProvider provider) {
    switch (provider) {
    case SummaryProvider::openAI:
        return texts::openAIName;
    case SummaryProvider::openRouter:
        return texts::openRouterName;
    case SummaryProvider::local:
        return texts::localServerName;
    case SummaryProvider::installedClient:
        break;
    }
    return texts::installedClientName;
}

std::string model(SummaryProvider provider) {
    switch (provider) {
    case SummaryProvider::openAI:
        return LunaClient::model;
    case SummaryProvider::openRouter:
        return OpenRouterClient::model;
    case SummaryProvider::local:
        return {};
    case SummaryProvider::installedClient:
        break;
    }
    return texts::selectedInstalledClient;
}

std::string credentialLabel(SummaryProvider provider) {
    return displayName(provider) + " API key";
}

bool usesAPIKey(SummaryProvider provider) {
    return provider != SummaryProvider::installedClient;
}

bool requiresAPIKey(SummaryProvider provider) {
    return provider == SummaryProvider::openAI || provider == SummaryProvider::openRouter;
}

std::string keychainService(SummaryProvider provider) {
    switch (provider) {
    case SummaryProvider::openAI:
        return "com.quillary.deskmap.openai";
    case SummaryProvider::openRouter:
        return "com.quillary.deskmap.openrouter";
    case SummaryProvider::local:
        return "com.quillary.deskmap.local";
    case SummaryProvider::installedClient:
        break;
    }
    std::fputs("deskmap: the installed client has no secret store service\n", stderr);
    std::abort();
}

} // namespace deskmap
