// A Responses API body: the envelope, then the answer it carries.
#include "DeskmapCore/API/ResponsesSummarizer.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapCore/Summary/SummaryRequest.hpp"
#include "FuzzContract.hpp"

using namespace deskmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::expectOnly<DeskmapError, SummaryOutputValidationError>([&] {
        const auto answer = ResponsesSummarizer::outputText(fuzz::text(data, size));
        if (answer.empty()) {
            fuzz::violated(); // an empty answer is "no output", never a result
        }
        const Inventory oneSpace{{SpaceInventory{1, "3", "D1", true, {}}}};
        (void)SummaryRequest::parsedResult(answer, ResponsesSummarizer::defaultModel, oneSpace);
    });
    return 0;
}
