#include "Failure.hpp"

#include "DeskmapCore/Errors/UserFacingMessage.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "ExitCode.hpp"

#include <ostream>

namespace deskmap::cli {

int reportFailure(const std::exception_ptr& failure, std::ostream& err) {
    try {
        std::rethrow_exception(failure);
    } catch (const runtime::CancellationError&) {
        return ExitCode::interrupted;
    } catch (const std::exception& error) {
        if (const auto description = userFacingDescription(failure)) {
            err << *description << "\n";
            return ExitCode::failure;
        }
        err << "deskmap: " << error.what() << "\n";
    } catch (...) {
        err << "deskmap: " << texts::unknownError << "\n";
    }
    return ExitCode::failure;
}

} // namespace deskmap::cli
