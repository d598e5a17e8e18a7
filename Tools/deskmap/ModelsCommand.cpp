#include "ModelsCommand.hpp"

#include "DeskmapCore/Output/TerminalSanitizer.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"
#include "LocalServerOptions.hpp"

#include <ostream>

namespace deskmap::cli {

int runModels(const ModelsOptions&, std::ostream& out, std::ostream& err) {
    try {
        const auto models = LocalServerOptions::listed(err);
        for (const auto& model : models) {
            out << TerminalSanitizer::sanitize(model) << "\n";
        }
        return ExitCode::success;
    } catch (...) {
        return reportFailure(std::current_exception(), err);
    }
}

} // namespace deskmap::cli
