#include "Failure.hpp"

#include "DeskmapCore/Errors/LocalizedError.hpp"
#include "DeskmapPlatform/Runtime/CancellationError.hpp"
#include "ExitCode.hpp"

#include <ostream>

namespace deskmap::cli {

int reportFailure(const std::exception_ptr& failure, std::ostream& err) {
    try {
        std::rethrow_exception(failure);
    } catch (const runtime::CancellationError&) {
        return ExitCode::interrupted;
    } catch (const LocalizedError& error) {
        err << error.errorDescription().value_or(error.what()) << "\n";
    } catch (const std::exception& error) {
        err << "deskmap: " << error.what() << "\n";
    } catch (...) {
        err << "deskmap: an unknown error occurred\n";
    }
    return ExitCode::failure;
}

} // namespace deskmap::cli
