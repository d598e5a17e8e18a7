#pragma once

#include "DeskmapCore/Errors/DeskmapError.hpp"

#include <string>
#include <string_view>

namespace deskmap {

// A credential is usable only when it is not blank after trimming white
// space and line breaks.
bool isUsableCredential(std::string_view credential);

// `credential` unchanged when usable; otherwise throws `missing`.
std::string requireUsableCredential(std::string credential, const DeskmapError& missing);

// A key that still holds a control character once trimmed (a line break
// pasted into the middle, a NUL): it would end or split an HTTP header.
class InvalidCredentialError : public LocalizedError {
public:
    std::optional<std::string> errorDescription() const override { return what(); }
    const char* what() const noexcept override {
        return "The API key holds a line break or another control character. An API key is a "
               "single line of text: copy it again.";
    }
};

// `credential` without surrounding white space and line breaks; throws
// InvalidCredentialError when a control character is left inside.
std::string singleLineCredential(std::string_view credential);

} // namespace deskmap
