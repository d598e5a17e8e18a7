// A Chat Completions body: the choices, then the answer they carry.
#include "DeskmapCore/API/ChatCompletionsSummarizer.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "FuzzContract.hpp"

using namespace deskmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::expectOnly<DeskmapError, SummaryOutputValidationError>([&] {
        const auto answer = ChatCompletionsSummarizer::outputText(fuzz::text(data, size));
        const Inventory oneSpace{{SpaceInventory{1, "3", "D1", true, {}}}};
        (void)SummaryRequest::parsedResult(answer, ChatCompletionsSummarizer::defaultModel,
                                           oneSpace);
    });
    return 0;
}
