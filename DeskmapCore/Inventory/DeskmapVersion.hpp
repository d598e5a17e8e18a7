#pragma once

namespace deskmap {

// The project's version, set in one place: the CMake project() call.
struct DeskmapVersion {
    static constexpr const char* current = DESKMAP_VERSION;
};

} // namespace deskmap
