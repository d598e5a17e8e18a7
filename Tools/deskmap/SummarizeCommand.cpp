#include "SummarizeCommand.hpp"

#include "DeskmapCore/API/ChatCompletionsSummarizer.hpp"
#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LunaClient.hpp"
#include "DeskmapCore/API/OpenRouterClient.hpp"
#include "DeskmapCore/API/ResponsesSummarizer.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/Output/OutputFormatter.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DeskmapPlatform/Runtime/Task.hpp"
#include "DesktopOption.hpp"
#include "ExitCode.hpp"

#include <nlohmann/json.hpp>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <csignal>
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

std::unique_ptr<SpaceSummarizing> makeSummarizer(const std::string& provider,
                                                 std::shared_ptr<platform::UrlSession> session) {
    if (provider == "openrouter") {
        return std::make_unique<OpenRouterClient>(environmentValue("OPENROUTER_API_KEY"),
                                                  OpenRouterClient::endpoint(), std::move(session));
    }
    return std::make_unique<LunaClient>(environmentValue("OPENAI_ACCESS_TOKEN"),
                                        Endpoints::responsesEndpointFromEnvironment(),
                                        std::move(session));
}

// Stops listening for Ctrl-C once the summary is done, so the loop can end.
asio::awaitable<void> stopListeningAfter(runtime::Task<SummaryResult> task,
                                         asio::signal_set& interrupts) {
    try {
        co_await task.value();
    } catch (...) {
        // The outcome is read from the task itself.
    }
    interrupts.cancel();
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
        auto summarizer =
            makeSummarizer(options.provider, std::make_shared<platform::UrlSession>());
        auto task = runtime::Task<SummaryResult>::spawn(
            io.get_executor(), summarizer->summarize(*collected.inventory));

        asio::signal_set interrupts(io, SIGINT);
        interrupts.async_wait([task](const asio::error_code& error, int) {
            if (!error) {
                task.cancel();
            }
        });
        runtime::Task<void>::spawn(io.get_executor(), stopListeningAfter(task, interrupts));
        io.run();

        const auto result = task.get();
        out << (options.json ? OutputFormatter::summaryJSON(result)
                             : OutputFormatter::summaryHuman(result))
            << "\n";
        return ExitCode::success;
    } catch (const runtime::CancellationError&) {
        return ExitCode::interrupted;
    } catch (const DeskmapError& error) {
        err << *error.errorDescription() << "\n";
        return ExitCode::failure;
    } catch (const std::exception& error) {
        err << "deskmap: " << error.what() << "\n";
        return ExitCode::failure;
    }
}

} // namespace deskmap::cli
