#pragma once

#include "DeskmapAppSupport/Credentials/CredentialStoring.hpp"
#include "DeskmapAppSupport/Providers/SummaryProvider.hpp"

#include <memory>

namespace deskmap::cli {

// The provider's key in the desktop's secret store.
std::shared_ptr<CredentialStoring> secretStoreCredentials(SummaryProvider provider);

// The provider's key as the command line finds it: its environment variable
// when set, else the secret store; where no secret store can exist (no
// session bus) there is no stored key. Saving and removing go to the secret
// store.
std::shared_ptr<CredentialStoring> commandLineCredentials(SummaryProvider provider);

// OPENAI_ACCESS_TOKEN or OPENROUTER_API_KEY.
const char* environmentVariable(SummaryProvider provider);

} // namespace deskmap::cli
