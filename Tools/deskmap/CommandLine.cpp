#include "CommandLine.hpp"

#include "CheckClientCommand.hpp"
#include "DeskmapCore/Inventory/DeskmapVersion.hpp"
#include "ExitCode.hpp"
#include "KeyCommand.hpp"
#include "SpacesCommand.hpp"
#include "SummarizeCommand.hpp"
#include "SwitchCommand.hpp"
#include "WatchCommand.hpp"

#include <CLI/CLI.hpp>

#include <functional>
#include <iostream>
#include <ostream>
#include <string>

namespace deskmap::cli {

namespace {

constexpr const char* desktopHelp =
    "Desktop to read: \"gnome\" (through Deskmap's GNOME Shell extension), \"kde\" (through "
    "a script Deskmap loads into KWin), \"sway\", \"i3\", "
    "\"x11\" (an EWMH window manager), \"demo\" (the "
    "built-in simulated desktop) or a scenario file path. Overrides DESKMAP_DESKTOP; without "
    "either, the running desktop (the demo only where no graphical session runs at all).";

} // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app("Maps the Spaces (virtual desktops) of every display: their windows and what "
                 "each is for.",
                 "deskmap");
    app.set_version_flag("--version", std::string("deskmap ") + DeskmapVersion::current);
    app.require_subcommand(1);

    std::function<int()> command;

    SpacesOptions spaces;
    auto* spacesCommand =
        app.add_subcommand("spaces", "Print every Space of every display with its windows.");
    spacesCommand->add_flag("--json", spaces.json, "Print JSON instead of terminal text.");
    spacesCommand->add_option("--desktop", spaces.desktop, desktopHelp);
    spacesCommand->callback([&] { command = [&] { return runSpaces(spaces, out, err); }; });

    SummarizeOptions summarize;
    auto* summarizeCommand = app.add_subcommand(
        "summarize", "Print a label and a one-phrase summary for every Space, written by a "
                     "language model from app names and window titles.");
    summarizeCommand
        ->add_option("--provider", summarize.provider,
                     "Summary provider: openai (key in OPENAI_ACCESS_TOKEN), openrouter (key in "
                     "OPENROUTER_API_KEY), or an installed, signed-in client: codex or cursor.")
        ->check(CLI::IsMember({"openai", "openrouter", "codex", "cursor"}))
        ->capture_default_str();
    summarizeCommand->add_flag("--json", summarize.json, "Print JSON instead of terminal text.");
    summarizeCommand->add_flag("--dry-run", summarize.dryRun,
                               "Print the endpoint and the request body that would be sent, "
                               "and send nothing.");
    summarizeCommand->add_option("--desktop", summarize.desktop, desktopHelp);
    summarizeCommand->callback(
        [&] { command = [&] { return runSummarize(summarize, out, err); }; });

    std::string client;
    auto* checkClientCommand = app.add_subcommand(
        "check-client", "Check that an installed command-line client is available and signed in.");
    checkClientCommand->add_option("client", client, "codex or cursor")
        ->required()
        ->check(CLI::IsMember({"codex", "cursor"}));
    checkClientCommand->callback(
        [&] { command = [&] { return runCheckClient(client, out, err); }; });

    SwitchOptions switching;
    auto* switchCommand = app.add_subcommand(
        "switch", "Switch the display under the pointer to a Space, one workspace at a time.");
    switchCommand->add_option("index", switching.index, "The Space's number in `deskmap spaces`.")
        ->required();
    switchCommand->add_option("--desktop", switching.desktop, desktopHelp);
    switchCommand->callback([&] { command = [&] { return runSwitch(switching, out, err); }; });

    WatchOptions watching;
    auto* watchCommand = app.add_subcommand(
        "watch", "Keep the map of Spaces current and print every change: at start, every 300 "
                 "seconds, when Spaces are added, removed or moved, and when the active Space "
                 "changes. Summaries are reused while the windows are unchanged.");
    watchCommand
        ->add_option("--provider", watching.provider,
                     "Summary provider: openai, openrouter (key from OPENAI_ACCESS_TOKEN or "
                     "OPENROUTER_API_KEY, else from `deskmap key`), codex or cursor. Default: "
                     "the provider chosen in the settings.")
        ->check(CLI::IsMember({"openai", "openrouter", "codex", "cursor"}));
    watchCommand->add_flag("--json", watching.json, "Print one JSON object per line.");
    watchCommand->add_flag("--once", watching.once,
                           "Exit after the first refresh has published its result.");
    watchCommand->add_option("--desktop", watching.desktop, desktopHelp);
    watchCommand->callback([&] { command = [&] { return runWatch(watching, out, err); }; });

    KeyOptions key;
    auto* keyCommand = app.add_subcommand(
        "key", "Save, clear or show an API key in the desktop's secret store. `save` reads the "
               "key from standard input.");
    keyCommand->add_option("action", key.action, "save, clear or status")
        ->required()
        ->check(CLI::IsMember({"save", "clear", "status"}));
    keyCommand->add_option("--provider", key.provider, "openai or openrouter")
        ->check(CLI::IsMember({"openai", "openrouter"}))
        ->capture_default_str();
    keyCommand->callback([&] { command = [&] { return runKey(key, std::cin, out, err); }; });

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ExitCode::success;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return ExitCode::success;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << "\n";
        return ExitCode::success;
    } catch (const CLI::ParseError& error) {
        err << "deskmap: " << error.what() << "\n"
            << "Run 'deskmap --help' for the commands and their options.\n";
        return ExitCode::usage;
    }
    return command ? command() : ExitCode::usage;
}

} // namespace deskmap::cli
