// What a window manager answers over its IPC socket: the output list, the
// workspace list and the window tree, separated by NUL bytes in the input.
// Whatever they hold, reading them either succeeds or fails with ReplyError;
// what is read passes on as well-formed Spaces and UTF-8 text, and no
// workspace name breaks out of the command that shows it.
#include "DeskmapCore/Collection/SpaceParser.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcLayout.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcMessage.hpp"
#include "FuzzContract.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>

using namespace deskmap;
namespace I3Ipc = platform::I3Ipc;

namespace {

std::vector<nlohmann::json> dictionaries(const nlohmann::json& displays) {
    return {displays.begin(), displays.end()};
}

void checkCommand(const I3Ipc::Layout& layout, const I3Ipc::Workspace& workspace) {
    const auto command = I3Ipc::showWorkspaceCommand(layout, workspace);
    if (!command) {
        return;
    }
    const auto quotes = std::count(command->begin(), command->end(), '"');
    if (command->find_first_of(std::string("\n\r\\$\0", 5)) != std::string::npos ||
        (quotes != 0 && quotes != 2)) {
        fuzz::violated();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::text(data, size);
    (void)I3Ipc::decodeHeader(text);

    const auto first = text.find('\0');
    const auto second = first == std::string::npos ? first : text.find('\0', first + 1);
    const auto outputs = text.substr(0, first);
    const auto workspaces =
        first == std::string::npos ? std::string("[]") : text.substr(first + 1, second - first - 1);
    const auto tree = second == std::string::npos ? std::string("{}") : text.substr(second + 1);

    fuzz::expectOnly<I3Ipc::ReplyError>([&] {
        const auto layout = I3Ipc::readLayout(outputs, workspaces);
        const auto displays = I3Ipc::displaySpaces(layout);
        fuzz::expectOnly<DeskmapError>([&] { (void)SpaceParser::parse(dictionaries(displays)); });
        for (const auto& output : layout.outputs) {
            (void)I3Ipc::neighbouringWorkspace(layout, output.name, true);
            (void)I3Ipc::neighbouringWorkspace(layout, output.name, false);
        }
        for (const auto& workspace : layout.workspaces) {
            checkCommand(layout, workspace);
        }
    });
    fuzz::expectOnly<I3Ipc::ReplyError>([&] {
        for (const auto& window : I3Ipc::readWindows(tree)) {
            // dump() throws on ill-formed UTF-8.
            (void)nlohmann::json{{"owner", window.owner.value_or("")},
                                 {"title", window.title.value_or("")}}
                .dump();
        }
    });
    fuzz::expectOnly<I3Ipc::ReplyError>([&] { (void)I3Ipc::commandsSucceeded(tree); });
    return 0;
}
