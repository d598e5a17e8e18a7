#include "ModelsCommand.hpp"

#include "DeskmapCore/Output/TerminalSanitizer.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "DeskmapPlatform/UserDefaults/FileUserDefaults.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"
#include "LocalServerOptions.hpp"

#include <ostream>

namespace deskmap::cli {

int runModels(const ModelsOptions&, std::ostream& out, std::ostream& err) {
    try {
        const platform::FileUserDefaults settings(platform::FileUserDefaults::standardLocation());
        const auto local = LocalServerOptions::load(settings);
        if (local.notice) {
            err << "deskmap: " << *local.notice << "\n";
        }
        const auto models = local.models();
        if (models.empty()) {
            err << "deskmap: " << texts::localServerListsNoModels << "\n";
            return ExitCode::failure;
        }
        for (const auto& model : models) {
            out << TerminalSanitizer::sanitize(model) << "\n";
        }
        return ExitCode::success;
    } catch (...) {
        return reportFailure(std::current_exception(), err);
    }
}

} // namespace deskmap::cli
