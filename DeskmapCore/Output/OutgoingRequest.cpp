#include "OutgoingRequest.hpp"

#include "DeskmapCore/API/ChatCompletionsSummarizer.hpp"
#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LocalServerAddress.hpp"
#include "DeskmapCore/API/OpenRouterClient.hpp"
#include "DeskmapCore/API/ResponsesSummarizer.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientSummarizer.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"

#include <nlohmann/json.hpp>

#include <sstream>

namespace deskmap::OutgoingRequest {

std::string describe(const APIProvider& provider, const Inventory& inventory,
                     const std::optional<std::string>& model) {
    std::ostringstream out;
    const auto input = SummaryRequest::minimizedInput(inventory, provider);
    if (const auto client = provider.client()) {
        const auto prompt =
            InstalledClientSummarizer::prompt(*client, SummaryRequest::instructions, input);
        out << "RUN " << executableNames(*client).front();
        for (const auto& argument :
             InstalledClientSummarizer::arguments(*client, "<run directory>", prompt)) {
            out << " " << (argument == prompt ? std::string("<prompt>") : argument);
        }
        out << "\n" << prompt << "\n";
        return out.str();
    }
    if (provider.kind() == APIProvider::Kind::local) {
        const auto address = LocalServerAddress::parse(provider.server());
        out << (address ? address->reach() : std::string(texts::localServerAddressInvalid))
            << "\nPOST " << Endpoints::localChatCompletionsEndpoint(provider.server()) << "\n"
            << ChatCompletionsSummarizer::localRequestBody(
                   input, SummaryRequest::instructions,
                   model && !model->empty() ? *model : texts::localServerFirstModel)
                   .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
            << "\n";
        return out.str();
    }
    const bool openRouter = provider.kind() == APIProvider::Kind::openRouter;
    const auto endpoint =
        openRouter ? OpenRouterClient::endpoint() : Endpoints::responsesEndpointFromEnvironment();
    const auto body =
        openRouter
            ? ChatCompletionsSummarizer::requestBody(
                  input, SummaryRequest::instructions,
                  model.value_or(ChatCompletionsSummarizer::defaultModel))
            : ResponsesSummarizer::requestBody(input, SummaryRequest::instructions,
                                               model.value_or(ResponsesSummarizer::defaultModel));
    out << "POST " << endpoint << "\n"
        << body.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return out.str();
}

std::string withheld(const SendableInventory& sent) {
    std::string lines;
    for (std::size_t position = 0; position < sent.withheld.size(); ++position) {
        if (sent.withheld[position] > 0 && position < sent.inventory.spaces.size()) {
            lines += texts::withheldWindows(sent.inventory.spaces[position].index,
                                            sent.withheld[position]) +
                     "\n";
        }
    }
    return lines;
}

} // namespace deskmap::OutgoingRequest
