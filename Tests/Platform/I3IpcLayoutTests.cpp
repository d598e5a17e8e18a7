#include "DeskmapPlatform/I3Ipc/I3IpcLayout.hpp"
#include "DeskmapPlatform/I3Ipc/I3IpcMessage.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace deskmap::platform::I3Ipc {
namespace {

using nlohmann::json;

json output(const std::string& name, int x, json extra = json::object()) {
    json value{{"name", name},
               {"active", true},
               {"rect", {{"x", x}, {"y", 0}, {"width", 1000}, {"height", 800}}}};
    value.update(extra);
    return value;
}

json workspace(std::uint64_t id, const std::string& name, int number, const std::string& on,
               bool visible = false, bool focused = false) {
    return {{"id", id},           {"name", name},
            {"num", number},      {"output", on},
            {"visible", visible}, {"focused", focused},
            {"urgent", false},    {"rect", {{"x", 0}, {"y", 0}, {"width", 1}, {"height", 1}}}};
}

json window(std::uint64_t id, json name, json extra = json::object()) {
    json value{{"id", id},
               {"type", "con"},
               {"name", name},
               {"nodes", json::array()},
               {"floating_nodes", json::array()},
               {"rect", {{"x", 10}, {"y", 20}, {"width", 300}, {"height", 200}}}};
    value.update(extra);
    return value;
}

json tree(json outputs) {
    return {{"id", 1}, {"type", "root"}, {"name", "root"}, {"nodes", std::move(outputs)}};
}

json treeOutput(const std::string& name, json workspaces) {
    return {{"id", 2}, {"type", "output"}, {"name", name}, {"nodes", std::move(workspaces)}};
}

json treeWorkspace(std::uint64_t id, const std::string& name, json tiled,
                   json floating = json::array()) {
    return {{"id", id},
            {"type", "workspace"},
            {"name", name},
            {"nodes", std::move(tiled)},
            {"floating_nodes", std::move(floating)}};
}

const json twoOutputs = json::array({output("DP-1", 0), output("DP-2", 1000)});

TEST(I3IpcLayout, OutputsAreDisplaysInOrderWithTheirWorkspacesInCyclingOrder) {
    const auto outputs = json::array({output("DP-1", 0), output("off", 0, {{"active", false}}),
                                      output("__i3", 0), output("DP-2", 1000)});
    const auto workspaces = json::array({
        workspace(30, "mail", -1, "DP-1"),
        workspace(12, "12", 12, "DP-1", true, true),
        workspace(2, "2:web", 2, "DP-1"),
        workspace(40, "chat", -1, "DP-1"),
        workspace(7, "7", 7, "DP-2", true),
        workspace(99, "__i3_scratch", -1, "__i3"),
        workspace(50, "5", 5, "gone"),
    });
    const auto layout = readLayout(outputs.dump(), workspaces.dump());
    ASSERT_EQ(layout.outputs.size(), 2u) << "inactive and internal outputs are no displays";
    EXPECT_EQ(layout.focusedOutput()->name, "DP-1");

    EXPECT_EQ(displaySpaces(layout), json::parse(R"([
        {"Display Identifier": "DP-1", "Display Name": "DP-1",
         "Spaces": [{"ManagedSpaceID": 2, "Space Name": "2:web"},
                    {"ManagedSpaceID": 12, "Space Name": "12"},
                    {"ManagedSpaceID": 30, "Space Name": "mail"},
                    {"ManagedSpaceID": 40, "Space Name": "chat"}],
         "Current Space": {"ManagedSpaceID": 12}},
        {"Display Identifier": "DP-2", "Display Name": "DP-2",
         "Spaces": [{"ManagedSpaceID": 7, "Space Name": "7"}],
         "Current Space": {"ManagedSpaceID": 7}}])"))
        << "numbered by number, then named as listed";
}

TEST(I3IpcLayout, AnOutputKeepsItsIdentityByMakeModelAndSerial) {
    const auto identified = [](json outputs) {
        std::vector<std::string> identifiers;
        for (const auto& each : readLayout(outputs.dump(), "[]").outputs) {
            identifiers.push_back(each.identifier);
        }
        return identifiers;
    };
    const json dell{{"make", "Dell"}, {"model", "U2720Q"}, {"serial", "ABC123"}};
    EXPECT_EQ(identified(json::array({output("DP-1", 0, dell)})),
              std::vector<std::string>{"Dell U2720Q ABC123"});
    EXPECT_EQ(identified(json::array(
                  {output("HEADLESS-1", 0, {{"make", "headless"}, {"model", "x"}, {"serial", ""}}),
                   output("eDP-1", 0, {{"make", "BOE"}, {"model", "y"}, {"serial", "Unknown"}})})),
              (std::vector<std::string>{"HEADLESS-1", "eDP-1"}))
        << "no serial: the name";
    EXPECT_EQ(identified(json::array({output("DP-1", 0, dell), output("DP-2", 0, dell)})),
              (std::vector<std::string>{"DP-1", "DP-2"}))
        << "two outputs reporting the same are told apart by name";
}

TEST(I3IpcLayout, ADisplayWithoutAVisibleWorkspaceHasNoCurrentSpace) {
    const auto layout = readLayout(json::array({output("DP-1", 0)}).dump(),
                                   json::array({workspace(1, "1", 1, "DP-1")}).dump());
    EXPECT_FALSE(displaySpaces(layout)[0].contains("Current Space"));
}

TEST(I3IpcLayout, WindowsAreTheLeavesOfEachWorkspaceTiledThenFloating) {
    const auto reply = tree(json::array({
        treeOutput("__i3", json::array({treeWorkspace(90, "__i3_scratch",
                                                      json::array({window(91, "stashed")}))})),
        {{"id", 3},
         {"type", "output"},
         {"name", "DP-1"},
         {"nodes",
          json::array({
              {{"id", 4}, {"type", "dockarea"}, {"nodes", json::array({window(5, "bar")})}},
              {{"id", 6},
               {"type", "con"},
               {"name", "content"},
               {"nodes",
                json::array({treeWorkspace(
                    10, "1",
                    json::array({
                        {{"id", 11},
                         {"type", "con"},
                         {"name", nullptr},
                         {"nodes",
                          json::array({window(12, "editor", {{"app_id", "code"}}),
                                       window(13, nullptr,
                                              {{"window", 4194305},
                                               {"window_properties",
                                                {{"class", "XTerm"}, {"instance", "xterm"}}}})})}},
                        window(14, "placeholder"),
                    }),
                    json::array(
                        {{{"id", 15},
                          {"type", "floating_con"},
                          {"nodes", json::array({window(
                                        16, "calc",
                                        {{"type", "floating_con"},
                                         {"shell", "xdg_shell"},
                                         {"app_id", nullptr},
                                         {"window_properties", {{"instance", "calc"}}}})})}}}))})}},
          })}},
    }));
    const auto windows = readWindows(reply.dump());
    ASSERT_EQ(windows.size(), 3u) << "not the scratchpad's, a bar's, or an empty placeholder";
    EXPECT_EQ(windows[0], (Window{12, 10, "code", "editor", Rect{10, 20, 300, 200}, std::nullopt}));
    EXPECT_EQ(windows[1].owner, "XTerm");
    EXPECT_EQ(windows[1].title, std::nullopt) << "a null name stays absent";
    EXPECT_EQ(windows[2].node, 16u);
    EXPECT_EQ(windows[2].owner, "calc") << "the instance where there is no class";
}

TEST(I3IpcLayout, AWindowPastTheLeftEdgeHasANegativePosition) {
    // As i3 prints it: unsigned.
    const auto reply = tree(json::array({treeOutput(
        "X", json::array({treeWorkspace(1, "1",
                                        json::array({window(2, "off",
                                                            {{"app_id", "a"},
                                                             {"rect",
                                                              {{"x", 4294967286u},
                                                               {"y", 4294967295u},
                                                               {"width", 300},
                                                               {"height", 200}}}})}))}))}));
    EXPECT_EQ(readWindows(reply.dump()).at(0).bounds, (Rect{-10, -1, 300, 200}));
}

TEST(I3IpcLayout, TitlesWithAnyBytesArriveAsUTF8) {
    const auto reply =
        "{\"type\":\"root\",\"nodes\":[{\"type\":\"output\",\"name\":\"X\",\"nodes\":"
        "[{\"type\":\"workspace\",\"id\":1,\"name\":\"1\",\"nodes\":[{\"id\":2,"
        "\"type\":\"con\",\"app_id\":\"a\",\"name\":\"Gr\xFC\xDF"
        "e\",\"rect\":{\"x\":0,\"y\":0,\"width\":1,\"height\":1}}]}]}]}";
    EXPECT_EQ(readWindows(reply).at(0).title, "Gr\xEF\xBF\xBD\xEF\xBF\xBD"
                                              "e");
}

TEST(I3IpcLayout, RepliesThatAreNotWhatTheProtocolPromisesFail) {
    const auto outputs = twoOutputs.dump();
    const auto failsLayout = [&](const std::string& workspaces) {
        EXPECT_THROW((void)readLayout(outputs, workspaces), ReplyError) << workspaces;
    };
    failsLayout("not json");
    failsLayout(R"({"a": 1})");
    failsLayout(R"([1])");
    failsLayout(R"([{"id": 1.5, "name": "1", "num": 1, "output": "DP-1"}])");
    failsLayout(R"([{"id": 1e300, "name": "1", "num": 1, "output": "DP-1"}])");
    failsLayout(R"([{"id": 184467440737095516160, "name": "1", "num": 1, "output": "DP-1"}])");
    failsLayout(R"([{"id": -3, "name": "1", "num": 1, "output": "DP-1"}])");
    failsLayout(R"([{"id": 1, "name": 7, "num": 1, "output": "DP-1"}])");
    failsLayout(R"([{"id": 1, "name": "1", "num": -2, "output": "DP-1"}])");
    failsLayout(R"([{"id": 1, "name": "1", "num": 1, "output": "DP-1", "visible": "yes"}])");
    EXPECT_THROW((void)readLayout(R"([{"name": "DP-1", "active": true,
        "rect": {"x": 0, "y": 0, "width": 4294967296, "height": 1}}])",
                                  "[]"),
                 ReplyError);

    const auto failsTree = [](const std::string& reply) {
        EXPECT_THROW((void)readWindows(reply), ReplyError) << reply.substr(0, 80);
    };
    failsTree("[]");
    failsTree(R"({"nodes": 3})");
    failsTree(R"({"nodes": [{"name": "X", "nodes": [{"type": "workspace", "id": 1, "name": "1",
        "nodes": [{"id": 2, "app_id": "a", "name": "t"}]}]}]})");
    std::string deep = R"({"nodes": [{"name": "X", "nodes": [{"type": "workspace", "id": 1,
        "name": "1", "nodes": [)";
    for (int level = 0; level < 5000; ++level) {
        deep += R"({"nodes": [)";
    }
    for (int level = 0; level < 5000; ++level) {
        deep += "]}";
    }
    deep += "]}]}]}";
    failsTree(deep);
}

TEST(I3IpcLayout, AWorkspaceNameNeverBreaksOutOfTheCommandThatShowsIt) {
    const auto layout = readLayout(
        twoOutputs.dump(),
        json::array({workspace(1, "2: web; exec rm", 2, "DP-1"),
                     workspace(2, "3: \"x\"; exec rm", 3, "DP-1"),
                     workspace(3, "a\\\"; exec rm", -1, "DP-1"), workspace(4, "next", 4, "DP-1"),
                     workspace(5, "Back_And_Forth", -1, "DP-1"), workspace(6, "$HOME", 6, "DP-1"),
                     workspace(7, "6: other", 6, "DP-2"),
                     workspace(8, std::string("cut\0short", 9), 8, "DP-2")})
            .dump());
    const auto command = [&](std::uint64_t id) {
        for (const auto& each : layout.workspaces) {
            if (each.id == id) {
                return showWorkspaceCommand(layout, each);
            }
        }
        throw std::logic_error("no such workspace");
    };
    EXPECT_EQ(command(1), "workspace --no-auto-back-and-forth \"2: web; exec rm\"")
        << "separators are harmless inside quotes";
    EXPECT_EQ(command(2), "workspace --no-auto-back-and-forth number 3");
    EXPECT_EQ(command(3), std::nullopt) << "no number to go by";
    EXPECT_EQ(command(4), "workspace --no-auto-back-and-forth number 4") << "a keyword";
    EXPECT_EQ(command(5), std::nullopt) << "a keyword in any case";
    EXPECT_EQ(command(6), std::nullopt) << "a variable, and its number is shared";
    EXPECT_EQ(command(8), "workspace --no-auto-back-and-forth number 8");
}

TEST(I3IpcLayout, CommandResults) {
    EXPECT_TRUE(commandsSucceeded(R"([{"success": true}, {"success": true}])"));
    EXPECT_FALSE(commandsSucceeded(R"([{"success": true}, {"success": false}])"));
    EXPECT_FALSE(commandsSucceeded(R"([])"));
    EXPECT_FALSE(commandsSucceeded(R"([{"success": "yes"}])"));
    EXPECT_THROW((void)commandsSucceeded("nope"), ReplyError);
}

} // namespace
} // namespace deskmap::platform::I3Ipc
