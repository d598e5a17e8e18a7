#pragma once

namespace deskmap {

struct DeskmapVersion {
    static constexpr const char* current = "0.1.0";
};

} // namespace deskmap
