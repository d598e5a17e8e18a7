#include "CommandLine.hpp"

#include "CheckClientCommand.hpp"
#include "DeskmapCore/Inventory/DeskmapVersion.hpp"
#include "DeskmapPlatform/Text/UserTexts.hpp"
#include "ExitCode.hpp"
#include "KeyCommand.hpp"
#include "ModelsCommand.hpp"
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

constexpr const char* desktopHelp = texts::help::desktop;

} // namespace

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app(texts::help::program, "deskmap");
    app.set_version_flag("--version", std::string("deskmap ") + DeskmapVersion::current);
    app.require_subcommand(1);

    std::function<int()> command;

    SpacesOptions spaces;
    auto* spacesCommand = app.add_subcommand("spaces", texts::help::spaces);
    spacesCommand->add_flag("--json", spaces.json, texts::help::json);
    spacesCommand->add_option("--desktop", spaces.desktop, desktopHelp);
    spacesCommand->callback([&] { command = [&] { return runSpaces(spaces, out, err); }; });

    SummarizeOptions summarize;
    auto* summarizeCommand = app.add_subcommand("summarize", texts::help::summarize);
    summarizeCommand->add_option("--provider", summarize.provider, texts::help::summarizeProvider)
        ->check(CLI::IsMember({"openai", "openrouter", "local", "codex", "cursor"}))
        ->capture_default_str();
    summarizeCommand->add_flag("--json", summarize.json, texts::help::json);
    summarizeCommand->add_flag("--dry-run", summarize.dryRun, texts::help::dryRun);
    summarizeCommand->add_option("--model", summarize.model, texts::help::modelOption);
    summarizeCommand->add_option("--desktop", summarize.desktop, desktopHelp);
    summarizeCommand->callback(
        [&] { command = [&] { return runSummarize(summarize, out, err); }; });

    std::string client;
    auto* checkClientCommand = app.add_subcommand("check-client", texts::help::checkClient);
    checkClientCommand->add_option("client", client, texts::help::client)
        ->required()
        ->check(CLI::IsMember({"codex", "cursor"}));
    checkClientCommand->callback(
        [&] { command = [&] { return runCheckClient(client, out, err); }; });

    SwitchOptions switching;
    auto* switchCommand = app.add_subcommand("switch", texts::help::switchSpace);
    switchCommand->add_option("index", switching.index, texts::help::index)->required();
    switchCommand->add_option("--desktop", switching.desktop, desktopHelp);
    switchCommand->callback([&] { command = [&] { return runSwitch(switching, out, err); }; });

    WatchOptions watching;
    auto* watchCommand = app.add_subcommand("watch", texts::help::watch);
    watchCommand->add_option("--provider", watching.provider, texts::help::watchProvider)
        ->check(CLI::IsMember({"openai", "openrouter", "local", "codex", "cursor"}));
    watchCommand->add_option("--model", watching.model, texts::help::modelOption);
    auto* format = watchCommand->add_option("--format", watching.format, texts::help::format)
                       ->check(CLI::IsMember({"text", "json", "waybar", "polybar"}));
    watchCommand->add_flag("--json", watching.json, texts::help::jsonLines)->excludes(format);
    watchCommand->add_flag("--once", watching.once, texts::help::once);
    watchCommand->add_option("--desktop", watching.desktop, desktopHelp);
    watchCommand->callback([&] { command = [&] { return runWatch(watching, out, err); }; });

    KeyOptions key;
    auto* keyCommand = app.add_subcommand("key", texts::help::key);
    keyCommand->add_option("action", key.action, texts::help::keyAction)
        ->required()
        ->check(CLI::IsMember({"save", "clear", "status"}));
    keyCommand->add_option("--provider", key.provider, texts::help::keyProvider)
        ->check(CLI::IsMember({"openai", "openrouter", "local"}))
        ->capture_default_str();
    keyCommand->callback([&] { command = [&] { return runKey(key, std::cin, out, err); }; });

    ModelsOptions models;
    auto* modelsCommand = app.add_subcommand("models", texts::help::models);
    modelsCommand->add_option("--provider", models.provider, texts::help::modelsProvider)
        ->check(CLI::IsMember({"local"}))
        ->capture_default_str();
    modelsCommand->callback([&] { command = [&] { return runModels(models, out, err); }; });

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
        err << "deskmap: " << error.what() << "\n" << texts::seeHelp << "\n";
        return ExitCode::usage;
    }
    return command ? command() : ExitCode::usage;
}

} // namespace deskmap::cli
