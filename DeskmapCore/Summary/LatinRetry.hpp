#pragma once

#include "DeskmapCore/Inventory/Inventory.hpp"
#include "DeskmapCore/Inventory/SummaryResult.hpp"
#include "DeskmapCore/Summary/APIProvider.hpp"

#include <asio/awaitable.hpp>
#include <functional>
#include <string>
#include <string_view>

namespace deskmap {

// Asks the model with the summary instructions and validates its answer. An
// answer in non-Latin writing is asked for once more with the Latin retry
// instructions; any other rejection, or a second non-Latin answer, fails with
// the provider's invalid-response error carrying the rejection's message.
// `ask` sends one request with the given instructions and returns the
// model's output text.
asio::awaitable<SummaryResult>
summarizeWithLatinRetry(Inventory inventory, std::string model, APIProvider provider,
                        std::function<asio::awaitable<std::string>(std::string_view)> ask);

} // namespace deskmap
