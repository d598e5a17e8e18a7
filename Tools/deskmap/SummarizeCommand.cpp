#include "SummarizeCommand.hpp"

#include "DeskmapAppSupport/Providers/ModelSettings.hpp"
#include "DeskmapAppSupport/Providers/PrivacySettings.hpp"
#include "DeskmapCore/API/Credential.hpp"
#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LocalServerClient.hpp"
#include "DeskmapCore/API/LunaClient.hpp"
#include "DeskmapCore/API/OpenRouterClient.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientSummarizer.hpp"
#include "DeskmapCore/Output/OutgoingRequest.hpp"
#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "DeskmapPlatform/UserDefaults/FileUserDefaults.hpp"
#include "DesktopOption.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"
#include "Interruptible.hpp"
#include "LocalServerOptions.hpp"

#include <cstdlib>
#include <ostream>

namespace deskmap::cli {

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::unique_ptr<SpaceSummarizing> makeSummarizer(const std::string& provider,
                                                 const std::string& model,
                                                 const LocalServerOptions& local) {
    if (const auto client = installedClientFromRawValue(provider)) {
        return std::make_unique<InstalledClientSummarizer>(
            *client, InstalledClientExecutableLocator::forCurrentProcess(),
            std::make_shared<FoundationInstalledClientProcessRunner>());
    }
    auto session = std::make_shared<platform::UrlSession>();
    if (provider == "local") {
        return std::make_unique<LocalServerClient>(local.key, local.baseURL, std::move(session),
                                                   defaultRequestDeadline, model);
    }
    if (provider == "openrouter") {
        return std::make_unique<OpenRouterClient>(
            singleLineCredential(environmentValue("OPENROUTER_API_KEY")),
            OpenRouterClient::endpoint(), std::move(session), defaultRequestDeadline, model);
    }
    return std::make_unique<LunaClient>(
        singleLineCredential(environmentValue("OPENAI_ACCESS_TOKEN")),
        Endpoints::responsesEndpointFromEnvironment(), std::move(session), defaultRequestDeadline,
        model);
}

} // namespace

int runSummarize(const SummarizeOptions& options, std::ostream& out, std::ostream& err) {
    const auto client = installedClientFromRawValue(options.provider);
    if (client && options.model) {
        err << "deskmap: " << texts::modelNeedsHTTPProvider << "\n" << texts::seeHelp << "\n";
        return ExitCode::usage;
    }
    if (options.model && !SummaryModelSettings::isUsableName(*options.model)) {
        err << "deskmap: " << texts::unusableModelName << "\n" << texts::seeHelp << "\n";
        return ExitCode::usage;
    }
    const auto settings = std::make_shared<platform::FileUserDefaults>(
        platform::FileUserDefaults::standardLocation());
    const auto httpProvider =
        summaryProviderFromRawValue(options.provider)
            .value_or(client ? SummaryProvider::installedClient : SummaryProvider::openAI);
    auto model = options.model ? *options.model
                               : UserDefaultsSummaryModelSettings(settings).model(httpProvider);
    const auto local = LocalServerOptions::load(*settings);
    if (local.notice && options.provider == "local") {
        err << "deskmap: " << *local.notice << "\n";
    }
    const auto collected = collectChosenDesktop(options.desktop, err);
    if (!collected.inventory) {
        return collected.exitCode;
    }
    const auto privacy = PrivacySettings::load(*settings);
    for (const auto& key : privacy.malformedKeys) {
        err << "deskmap: " << texts::malformedPrivacySetting(key) << "\n";
    }
    const auto sent = Privacy::sendable(*collected.inventory, privacy.rules);
    if (options.dryRun) {
        if (options.provider == "local" && model.empty()) {
            model = texts::localServerFirstModel; // not asked for: a dry run sends nothing
        }
        const auto provider = client ? APIProvider::installedClient(*client)
                              : options.provider == "openrouter" ? APIProvider::openRouter()
                              : options.provider == "local"      ? APIProvider::local(local.baseURL)
                                                                 : APIProvider::openAI();
        out << OutgoingRequest::describe(provider, sent.inventory, model)
            << OutgoingRequest::withheld(sent);
        return ExitCode::success;
    }

    try {
        asio::io_context io;
        // Without a model chosen, a local server's first is the default.
        if (options.provider == "local" && model.empty()) {
            const auto models = local.models();
            if (models.empty()) {
                err << "deskmap: " << texts::localServerListsNoModels << "\n";
                return ExitCode::failure;
            }
            model = models.front();
        }
        auto summarizer = makeSummarizer(options.provider, model, local);
        const auto result = runInterruptible(io, summarizer->summarize(sent.inventory));
        out << (options.json ? OutputFormatter::summaryJSON(result)
                             : OutputFormatter::summaryHuman(result))
            << "\n";
        return ExitCode::success;
    } catch (...) {
        return reportFailure(std::current_exception(), err);
    }
}

} // namespace deskmap::cli
