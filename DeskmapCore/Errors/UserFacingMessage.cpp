#include "DeskmapCore/Errors/UserFacingMessage.hpp"

#include "DeskmapCore/Errors/LocalizedError.hpp"

namespace deskmap {

std::optional<std::string> userFacingDescription(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const LocalizedError& localized) {
        auto description = localized.errorDescription();
        if (description && !description->empty()) {
            return description;
        }
    } catch (...) {
    }
    return std::nullopt;
}

std::string userFacingMessage(const std::exception_ptr& error, const std::string& fallback) {
    return userFacingDescription(error).value_or(fallback);
}

} // namespace deskmap
