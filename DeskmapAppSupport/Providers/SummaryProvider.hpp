#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace deskmap {

// Who writes the summaries.
enum class SummaryProvider { openAI, openRouter, local, installedClient };

inline constexpr std::array<SummaryProvider, 4> allSummaryProviders{
    SummaryProvider::openAI, SummaryProvider::openRouter, SummaryProvider::local,
    SummaryProvider::installedClient};

// "openai", "openrouter", "local" or "installed-client"; also the provider's id.
std::string_view rawValue(SummaryProvider provider);
// Only the exact raw values name a provider.
std::optional<SummaryProvider> summaryProviderFromRawValue(std::string_view raw);

std::string displayName(SummaryProvider provider);
// The provider's default model; empty for a local server, whose models are
// whatever it lists.
std::string model(SummaryProvider provider);
// The display name followed by " API key".
std::string credentialLabel(SummaryProvider provider);
// Whether a key can be kept for the provider, and whether it needs one (a
// local server may take none).
bool usesAPIKey(SummaryProvider provider);
bool requiresAPIKey(SummaryProvider provider);
// The keychain service of a provider that uses an API key. Asking for the
// installed client's is a programming error and stops the process.
std::string keychainService(SummaryProvider provider);

// Whether a key is stored for the provider; `unknown` when the store could
// not be read.
enum class SavedCredentialPresence { saved, notSaved, unknown };

} // namespace deskmap
