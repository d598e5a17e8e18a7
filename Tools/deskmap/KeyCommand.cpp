#include "KeyCommand.hpp"

#include "CredentialSource.hpp"
#include "DeskmapAppSupport/Credentials/SummaryConfiguration.hpp"
#include "DeskmapCore/Text/Unicode.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "ExitCode.hpp"
#include "Failure.hpp"

#include <istream>
#include <iterator>
#include <ostream>

namespace deskmap::cli {

namespace {

// More than any API key; a bigger input is a mistake, not a key.
constexpr std::size_t maximumKeyBytes = 64 * 1024;

} // namespace

int runKey(const KeyOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
    const auto provider = summaryProviderFromRawValue(options.provider);
    if (!provider || !usesAPIKey(*provider)) {
        err << "deskmap: unknown provider \"" << options.provider
            << "\" (expected openai, openrouter or local)\n";
        return ExitCode::usage;
    }
    const auto credentials = secretStoreCredentials(*provider);
    SummaryConfiguration configuration(credentials);
    try {
        if (options.action == "status") {
            const auto loaded = configuration.currentState();
            switch (loaded.state.savedCredentialPresence) {
            case SavedCredentialPresence::saved:
                out << texts::keySaved << "\n";
                break;
            case SavedCredentialPresence::notSaved:
                out << texts::keyNotSaved << "\n";
                break;
            case SavedCredentialPresence::unknown:
                out << texts::keyUnavailable << "\n";
                break;
            }
            return ExitCode::success;
        }
        if (options.action == "clear") {
            credentials->remove();
            out << texts::keyNotSaved << "\n";
            return ExitCode::success;
        }
        std::string text;
        char buffer[4096];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            text.append(buffer, static_cast<std::size_t>(in.gcount()));
            if (text.size() > maximumKeyBytes) {
                err << "deskmap: " << texts::keyInputTooLong << "\n";
                return ExitCode::failure;
            }
        }
        const auto key = Unicode::trimmedWhitespaceAndNewlines(text);
        if (key.empty()) {
            err << "deskmap: " << texts::noKeyGiven << "\n";
            return ExitCode::failure;
        }
        configuration.save(key);
        out << texts::keySaved << "\n";
        return ExitCode::success;
    } catch (...) {
        return reportFailure(std::current_exception(), err);
    }
}

} // namespace deskmap::cli
