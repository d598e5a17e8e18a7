// Window titles as X clients set them: whatever the bytes, the result is
// well-formed UTF-8.
#include "DeskmapPlatform/X11/X11Text.hpp"
#include "FuzzContract.hpp"

#include <nlohmann/json.hpp>

using namespace deskmap;

namespace {

void requireUTF8(const std::string& text) {
    // dump() throws type_error 316 on ill-formed UTF-8.
    try {
        (void)nlohmann::json(text).dump();
    } catch (const nlohmann::json::exception&) {
        fuzz::violated();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::text(data, size);
    const auto latin1 = platform::X11Text::latin1ToUTF8(text);
    requireUTF8(latin1);
    if (latin1.size() < text.size()) {
        fuzz::violated(); // every Latin-1 byte is one character
    }
    requireUTF8(platform::X11Text::compoundTextToUTF8(text));
    return 0;
}
