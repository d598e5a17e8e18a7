#include "DeskmapPlatform/UnavailableWindowServer.hpp"

#include <nlohmann/json.hpp>

namespace deskmap::platform {

nlohmann::json UnavailableWindowServer::copyManagedDisplaySpaces(std::int32_t) {
    unavailable();
}

nlohmann::json UnavailableWindowServer::copySpacesForWindows(std::int32_t, std::int32_t,
                                                             const nlohmann::json&) {
    unavailable();
}

nlohmann::json UnavailableWindowServer::copyWindowListInfo(std::uint32_t, std::uint32_t) {
    unavailable();
}

void UnavailableWindowServer::unavailable() const {
    throw WindowServerError(reason_);
}

} // namespace deskmap::platform
