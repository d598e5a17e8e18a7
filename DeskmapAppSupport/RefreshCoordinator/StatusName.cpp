#include "DeskmapAppSupport/RefreshCoordinator/StatusName.hpp"

#include <array>

namespace deskmap {

namespace {

using Status = RefreshSnapshot::Status;

constexpr std::array<Status, 7> allStatuses{Status::ready,
                                            Status::refreshing,
                                            Status::needsSetup,
                                            Status::needsWindowTitleAccess,
                                            Status::credentialFailed,
                                            Status::collectionFailed,
                                            Status::summaryFailed};

} // namespace

std::string_view statusName(Status status) {
    switch (status) {
    case Status::ready:
        return "ready";
    case Status::refreshing:
        return "refreshing";
    case Status::needsSetup:
        return "needsSetup";
    case Status::needsWindowTitleAccess:
        return "needsWindowTitleAccess";
    case Status::credentialFailed:
        return "credentialFailed";
    case Status::collectionFailed:
        return "collectionFailed";
    case Status::summaryFailed:
        break;
    }
    return "summaryFailed";
}

std::optional<Status> statusNamed(std::string_view name) {
    for (const auto status : allStatuses) {
        if (statusName(status) == name) {
            return status;
        }
    }
    return std::nullopt;
}

} // namespace deskmap
