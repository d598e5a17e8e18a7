#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Summary/APIProvider.hpp"

#include <string>

namespace deskmap::OutgoingRequest {

// Exactly what a summary of `inventory` would send through `provider`,
// without sending it: "POST <endpoint>" and the request body for the HTTP
// providers; "RUN <command line>" and the prompt for an installed client
// (the run directory and the prompt argument stand as placeholders). Keys
// travel in request headers and never appear here. Ends with a newline.
std::string describe(const APIProvider& provider, const Inventory& inventory);

} // namespace deskmap::OutgoingRequest
