#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Privacy/PrivacyRules.hpp"
#include "DeskmapCore/Summary/APIProvider.hpp"

#include <optional>
#include <string>

namespace deskmap::OutgoingRequest {

// Exactly what a summary of `inventory` would send through `provider`,
// without sending it: "POST <endpoint>" and the request body for the HTTP
// providers; "RUN <command line>" and the prompt for an installed client
// (the run directory and the prompt argument stand as placeholders). Keys
// travel in request headers and never appear here. For a local server, a
// first line says whether anything leaves the computer. Ends with a newline.
// `model` is the HTTP provider's model when the user chose one.
std::string describe(const APIProvider& provider, const Inventory& inventory,
                     const std::optional<std::string>& model = std::nullopt);

// One line per Space whose windows the privacy rules withheld ("Space 2: 3
// windows withheld by the privacy rules"); nothing when none were.
std::string withheld(const SendableInventory& sent);

} // namespace deskmap::OutgoingRequest
