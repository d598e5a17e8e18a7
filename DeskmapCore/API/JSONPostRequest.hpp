#pragma once

#include "DeskmapPlatform/Http/UrlRequest.hpp"

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace deskmap {

// A POST of `body` as compact JSON with sorted keys, authorized with the
// bearer token, with a 60-second idle time-out. White space and line breaks
// around the token are left out of the header (they would end the header
// line early); a line break inside it makes the session refuse the request.
platform::UrlRequest jsonPostRequest(const std::string& endpoint, const std::string& token,
                                     const nlohmann::json& body);

} // namespace deskmap
