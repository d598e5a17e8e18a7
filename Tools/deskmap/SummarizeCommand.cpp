#include "SummarizeCommand.hpp"

#include "DeskmapCore/API/ChatCompletionsSummarizer.hpp"
#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LunaClient.hpp"
#include "DeskmapCore/API/OpenRouterClient.hpp"
#include "DeskmapCore/API/ResponsesSummarizer.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientSummarizer.hpp"
#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DeskmapCore/Process/FoundationInstalledClientProcessRunner.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DesktopOption.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"
#include "Interruptible.hpp"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <ostream>

namespace deskmap::cli {

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// What the provider would be sent, without sending it.
int printDryRun(const SummarizeOptions& options, const Inventory& inventory, std::ostream& out) {
    if (const auto client = installedClientFromRawValue(options.provider)) {
        const auto input =
            SummaryRequest::minimizedInput(inventory, APIProvider::installedClient(*client));
        const auto prompt =
            InstalledClientSummarizer::prompt(*client, SummaryRequest::instructions, input);
        out << "RUN " << executableNames(*client).front();
        for (const auto& argument :
             InstalledClientSummarizer::arguments(*client, "<run directory>", prompt)) {
            out << " " << (argument == prompt ? std::string("<prompt>") : argument);
        }
        out << "\n" << prompt << "\n";
        return ExitCode::success;
    }
    const bool openRouter = options.provider == "openrouter";
    const auto provider = openRouter ? APIProvider::openRouter() : APIProvider::openAI();
    const auto input = SummaryRequest::minimizedInput(inventory, provider);
    const auto endpoint =
        openRouter ? OpenRouterClient::endpoint() : Endpoints::responsesEndpointFromEnvironment();
    const auto body =
        openRouter ? ChatCompletionsSummarizer::requestBody(input, SummaryRequest::instructions)
                   : ResponsesSummarizer::requestBody(input, SummaryRequest::instructions);
    out << "POST " << endpoint << "\n"
        << body.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return ExitCode::success;
}

std::unique_ptr<SpaceSummarizing> makeSummarizer(const std::string& provider) {
    if (const auto client = installedClientFromRawValue(provider)) {
        return std::make_unique<InstalledClientSummarizer>(
            *client, InstalledClientExecutableLocator::forCurrentProcess(),
            std::make_shared<FoundationInstalledClientProcessRunner>());
    }
    auto session = std::make_shared<platform::UrlSession>();
    if (provider == "openrouter") {
        return std::make_unique<OpenRouterClient>(environmentValue("OPENROUTER_API_KEY"),
                                                  OpenRouterClient::endpoint(), std::move(session));
    }
    return std::make_unique<LunaClient>(environmentValue("OPENAI_ACCESS_TOKEN"),
                                        Endpoints::responsesEndpointFromEnvironment(),
                                        std::move(session));
}

} // namespace

int runSummarize(const SummarizeOptions& options, std::ostream& out, std::ostream& err) {
    const auto collected = collectChosenDesktop(options.desktop, err);
    if (!collected.inventory) {
        return collected.exitCode;
    }
    if (options.dryRun) {
        return printDryRun(options, *collected.inventory, out);
    }

    try {
        asio::io_context io;
        auto summarizer = makeSummarizer(options.provider);
        const auto result = runInterruptible(io, summarizer->summarize(*collected.inventory));
        out << (options.json ? OutputFormatter::summaryJSON(result)
                             : OutputFormatter::summaryHuman(result))
            << "\n";
        return ExitCode::success;
    } catch (...) {
        return reportFailure(std::current_exception(), err);
    }
}

} // namespace deskmap::cli
