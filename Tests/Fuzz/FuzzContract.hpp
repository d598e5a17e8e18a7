#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What every fuzz target promises: the reader under test either returns or
// throws one of the error types its callers handle. Any other exception
// escapes the target, ends the process and counts as a finding.
namespace deskmap::fuzz {

template <class Work> void expectOnly(Work&& work) {
    work();
}

template <class Allowed, class... More, class Work> void expectOnly(Work&& work) {
    try {
        expectOnly<More...>(work);
    } catch (const Allowed&) {
    }
}

inline std::string text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A broken promise that is not an exception (a wrong result).
[[noreturn]] inline void violated() {
    __builtin_trap();
}

} // namespace deskmap::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
