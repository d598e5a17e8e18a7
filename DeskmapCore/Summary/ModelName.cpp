#include "DeskmapCore/Summary/ModelName.hpp"

#include "DeskmapCore/Text/Unicode.hpp"

#include <cstdint>

namespace deskmap {

bool isUsableModelName(std::string_view name) {
    const auto separates = [](std::int32_t scalar) -> bool {
        return scalar < 0x20 || (scalar >= 0x7F && scalar <= 0x9F) || scalar == 0x2028 ||
               scalar == 0x2029 || (scalar >= 0x202A && scalar <= 0x202E) ||
               (scalar >= 0x2066 && scalar <= 0x2069);
    };
    return !name.empty() && name.size() <= 200 &&
           Unicode::trimmedWhitespaceAndNewlines(name) == name &&
           Unicode::repairedUTF8(name) == name && !Unicode::anyScalar(name, separates);
}

} // namespace deskmap
