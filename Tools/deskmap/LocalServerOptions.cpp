#include "LocalServerOptions.hpp"

#include "DeskmapAppSupport/Providers/ModelSettings.hpp"
#include "DeskmapCore/API/Credential.hpp"
#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LocalServerAddress.hpp"
#include "DeskmapCore/API/LocalServerClient.hpp"
#include "DeskmapCore/Http/URLSessionDataLoader.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "DeskmapPlatform/UserDefaults/FileUserDefaults.hpp"
#include "Interruptible.hpp"

#include <cstdlib>
#include <ostream>
#include <stdexcept>

namespace deskmap::cli {

LocalServerOptions LocalServerOptions::load(const platform::UserDefaults& settings) {
    // A read-only view of the user's settings: nothing is written here.
    auto stored = settings.string(SummaryModelSettings::localServerAddressKey);
    if (stored && !LocalServerAddress::parse(*stored)) {
        stored.reset(); // as the app does: an address that cannot be used is none
    }
    LocalServerOptions options;
    options.baseURL = Endpoints::localBaseURL(stored);
    if (const char* variable = std::getenv("DESKMAP_LOCAL_BASE_URL");
        variable && !LocalServerAddress::parse(variable)) {
        options.notice = texts::localServerVariableIgnored;
    }
    if (const char* key = std::getenv("DESKMAP_LOCAL_API_KEY"); key && *key) {
        options.key = singleLineCredential(key);
    }
    return options;
}

std::vector<std::string> LocalServerOptions::models() const {
    asio::io_context io;
    return runInterruptible(
        io, LocalServerClient::models(
                baseURL, key,
                std::make_shared<URLSessionDataLoader>(std::make_shared<platform::UrlSession>())));
}

std::vector<std::string> LocalServerOptions::listed(std::ostream& err) {
    const platform::FileUserDefaults settings(platform::FileUserDefaults::standardLocation());
    const auto local = load(settings);
    if (local.notice) {
        err << "deskmap: " << *local.notice << "\n";
    }
    auto models = local.models();
    if (models.empty()) {
        throw std::runtime_error(texts::localServerListsNoModels);
    }
    return models;
}

} // namespace deskmap::cli
