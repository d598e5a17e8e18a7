#include "DeskmapCore/Summary/LatinRetry.hpp"

#include "DeskmapCore/Summary/SummaryRequest.hpp"

namespace deskmap {

asio::awaitable<SummaryResult>
summarizeWithLatinRetry(Inventory inventory, std::string model, APIProvider provider,
                        std::function<asio::awaitable<std::string>(std::string_view)> ask) {
    bool resendAvailable = true;
    std::string_view instructions = SummaryRequest::instructions;
    for (;;) {
        const auto outputText = co_await ask(instructions);
        try {
            co_return SummaryRequest::parsedResult(outputText, model, inventory);
        } catch (const SummaryOutputValidationError& rejection) {
            const bool nonLatin =
                rejection.failure() == SummaryOutputValidationError::Case::nonEnglishText;
            if (!nonLatin || !resendAvailable) {
                throw provider.invalidResponse(rejection.message());
            }
        }
        resendAvailable = false;
        instructions = SummaryRequest::latinRetryInstructions;
    }
}

} // namespace deskmap
