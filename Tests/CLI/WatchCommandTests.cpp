// `deskmap watch` and `deskmap key` as a user runs them.
#include "CLITestSupport.hpp"
#include "SnapshotFormat.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/StandInAPIServer.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace deskmap {
namespace {

using namespace std::chrono_literals;
using test::deskmap;
using test::scenarios;

std::vector<nlohmann::json> jsonLines(const std::string& output) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

std::vector<std::string> statuses(const std::vector<nlohmann::json>& lines) {
    std::vector<std::string> result;
    for (const auto& line : lines) {
        result.push_back(line.at("status"));
    }
    return result;
}

class WatchCommandTest : public testing::Test {
protected:
    std::map<std::string, std::string> environment(std::map<std::string, std::string> extra) const {
        extra.emplace("XDG_CONFIG_HOME", configHome.string());
        extra.emplace("DESKMAP_OPENAI_BASE_URL", server.baseURL());
        extra.emplace("DESKMAP_OPENROUTER_BASE_URL", server.baseURL());
        return extra;
    }

    test::StandInAPIServer server;
    const test::TemporaryFolder configHome{"deskmap-watch"};
    const std::string scenario = scenarios + "shared-space.json";
};

TEST_F(WatchCommandTest, OncePrintsEachStateAsAJSONLineAfterOneRequest) {
    server.enqueueJSON(test::responsesBody(test::latinAnswer({1, 2, 3})));
    const auto result =
        deskmap({"watch", "--once", "--json", "--provider", "openai", "--desktop", scenario},
                environment({{"OPENAI_ACCESS_TOKEN", "sk-test"}}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");

    const auto lines = jsonLines(result.out);
    EXPECT_EQ(statuses(lines), (std::vector<std::string>{"refreshing", "refreshing", "ready"}));
    EXPECT_FALSE(lines.at(0).contains("inventory"));
    EXPECT_EQ(lines.at(1).at("inventory").at("spaces").size(), 3u);
    const auto& ready = lines.at(2);
    EXPECT_EQ(ready.at("summaryAssociation"), "current");
    EXPECT_EQ(ready.at("summaries").at("spaces").at(1).at("label"), "Work 2");
    EXPECT_FALSE(ready.contains("errorMessage"));
    EXPECT_TRUE(std::regex_match(ready.at("lastSuccessfulSummaryAt").get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
    EXPECT_EQ(server.received().size(), 1u);
}

TEST_F(WatchCommandTest, TextShowsTheStatusLineAndTheSummaries) {
    server.enqueue({500, R"({"error":{"message":"overloaded"}})", false});
    const auto result = deskmap({"watch", "--once", "--provider", "openai", "--desktop", scenario},
                                environment({{"OPENAI_ACCESS_TOKEN", "sk-test"}}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("refreshing\n\nrefreshing\n1  Space 1\n", 0), 0u) << result.out;
    const auto failed = result.out.find("\nsummaryFailed: OpenAI returned HTTP 500: ");
    ASSERT_NE(failed, std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("\n1  Space 1\n", failed), result.out.find('\n', failed + 1))
        << "the inventory follows the status line";
    EXPECT_EQ(result.out.substr(result.out.size() - 2), "\n\n");
}

TEST_F(WatchCommandTest, StatusBarsGetOneLinePerState) {
    server.enqueueJSON(test::responsesBody(test::latinAnswer({1, 2, 3})));
    const auto bar = deskmap(
        {"watch", "--once", "--format", "waybar", "--provider", "openai", "--desktop", scenario},
        environment({{"OPENAI_ACCESS_TOKEN", "sk-test"}}));
    ASSERT_EQ(bar.exitCode, 0) << bar.err;
    const auto lines = jsonLines(bar.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              (nlohmann::json{{"text", "Deskmap"}, {"tooltip", ""}, {"class", "refreshing"}}))
        << "before the first read";
    EXPECT_EQ(lines[1].at("text"), "2 Terminal  |  3 Notes and Safari")
        << "each display's current Space, by its apps until summarized";
    EXPECT_EQ(lines[2].at("class"), "ready");
    EXPECT_EQ(lines[2].at("text"), "2 Work 2  |  3 Work 3");
    const auto tooltip = lines[2].at("tooltip").get<std::string>();
    EXPECT_EQ(std::count(tooltip.begin(), tooltip.end(), '\n'), 2) << tooltip;
    EXPECT_EQ(tooltip.rfind("1  Work 1: ", 0), 0u) << tooltip;
    EXPECT_NE(tooltip.find(" (current)\n3  Work 3: "), std::string::npos) << tooltip;

    server.enqueue({500, "", false});
    const auto plain = deskmap(
        {"watch", "--once", "--format", "polybar", "--provider", "openai", "--desktop", scenario},
        environment({{"OPENAI_ACCESS_TOKEN", "sk-test"}}));
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out, "Deskmap\n2 Terminal  |  3 Notes and Safari\n"
                         "2 Terminal  |  3 Notes and Safari · OpenAI returned HTTP 500: request "
                         "was rejected\n");
    EXPECT_EQ(deskmap({"watch", "--format", "waybar", "--json"}, environment({})).exitCode, 2);
}

TEST(StatusBarLines, NeitherAppNamesNorAPeerOnTheBusCanFormatTheBar) {
    RefreshSnapshot snapshot;
    snapshot.status = RefreshSnapshot::Status::ready;
    snapshot.inventory =
        Inventory{{{1, "1", "A", true, {{1, "<b>%{F#f00}&\nX", std::string("t"), {}}}}}};
    EXPECT_EQ(nlohmann::json::parse(cli::waybarLine(barFace(snapshot))).at("text"),
              "1 &lt;b&gt;%{F#f00}&amp;\uFFFDX")
        << "markup escaped, controls replaced";
    EXPECT_EQ(cli::polybarLine(barFace(snapshot)), "1 <b>%\u200B{F#f00}&\uFFFDX\n")
        << "no tag, and no action that runs a command, can begin";
    snapshot.inventory->spaces[0].windows[0].app = "50% done\u2028next";
    EXPECT_EQ(cli::polybarLine(barFace(snapshot)), "1 50% done next\n") << "one line";

    // What another process sends as the running app's face is held to the same.
    const auto sent =
        barFaceFrom("1 %{A:rm -rf ~:}x\r", "1  a\u2029b\n2  \x1b[2Jc", "summaryFailed", "");
    ASSERT_TRUE(sent);
    EXPECT_EQ(cli::polybarLine(*sent), "1 %\u200B{A:rm -rf ~:}x\uFFFD · Error\n")
        << "a failure always says why";
    EXPECT_EQ(sent->tooltip, "1  a b\n2  \uFFFD[2Jc") << "lines kept, controls replaced";
    EXPECT_EQ(barFaceFrom("1 A", "", "ready", "stale reason")->reason, "");
    EXPECT_EQ(barFaceFrom("1 \u202Eexe.txt", "", "ready", "")->text, "1 exe.txt")
        << "no override reorders the bar";
    EXPECT_FALSE(barFaceFrom("1 A", "", "styled\" onclick=\"", ""))
        << "the status is a style class: only known ones";
    EXPECT_FALSE(barFaceFrom(std::string(300 * 1024, 'a'), "", "ready", ""));
}

TEST_F(WatchCommandTest, WithoutAProviderOptionTheSettingsChoose) {
    std::filesystem::create_directories(configHome / "deskmap");
    std::ofstream(configHome / "deskmap" / "defaults.json")
        << R"({"summaryProvider": "openrouter"})";
    server.enqueueJSON(test::chatCompletionsBody(test::latinAnswer({1, 2, 3})));
    const auto result = deskmap({"watch", "--once", "--json", "--desktop", scenario},
                                environment({{"OPENROUTER_API_KEY", "or-test"}}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(jsonLines(result.out).back().at("status"), "ready");
    ASSERT_EQ(server.received().size(), 1u);
    EXPECT_EQ(server.received()[0].path, "/api/v1/chat/completions");
}

TEST_F(WatchCommandTest, OnceWithALocalServerSummarizesWithTheModelItOffers) {
    server.enqueueJSON(R"({"data": [{"id": "qwen3"}]})");
    server.enqueueJSON(test::chatCompletionsBody(test::latinAnswer({1, 2, 3})));
    const auto result =
        deskmap({"watch", "--once", "--json", "--provider", "local", "--desktop", scenario},
                environment({{"DESKMAP_LOCAL_BASE_URL", server.baseURL()}}));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(statuses(jsonLines(result.out)).back(), "ready");
    ASSERT_EQ(server.received().size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(server.received()[1].body)["model"], "qwen3");

    const test::TemporaryFolder fresh{"deskmap-watch-local"};
    const auto down = deskmap({"watch", "--once", "--provider", "local", "--desktop", scenario},
                              environment({{"DESKMAP_LOCAL_BASE_URL", "http://127.0.0.1:9"},
                                           {"XDG_CONFIG_HOME", fresh.string()}}));
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_NE(down.err.find("Could not reach the local model server at http://127.0.0.1:9"),
              std::string::npos)
        << down.err;
    EXPECT_EQ(down.out, "") << "no refresh that could not summarize";
    EXPECT_FALSE(std::filesystem::exists(fresh / "deskmap" / "defaults.json"))
        << "the user's choice stays unmade";
}

TEST_F(WatchCommandTest, CtrlCEndsAWatchCleanly) {
    test::ChildProcess watching(test::deskmapBinary, {"watch", "--json", "--desktop", scenario},
                                environment({}), test::isolatedEnvironment);
    std::this_thread::sleep_for(1500ms);
    watching.signal(SIGINT);
    const auto result = watching.wait();
    EXPECT_EQ(result.exitCode, 130) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(statuses(jsonLines(result.out)).back(), "needsSetup");
}

TEST(KeyCommand, WithoutASecretStoreTheKeyIsUnavailable) {
    const auto status = deskmap({"key", "status"});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(status.out, "Unavailable\n");

    const auto save =
        test::runProcess(test::deskmapBinary, {"key", "save", "--provider", "openrouter"}, {},
                         test::isolatedEnvironment, "or-key\n");
    EXPECT_EQ(save.exitCode, 1);
    EXPECT_EQ(
        save.err,
        "The OpenRouter API key could not be read or updated in the secret store (GNOME Keyring, "
        "KWallet).\n");

    const auto empty = test::runProcess(test::deskmapBinary, {"key", "save"}, {},
                                        test::isolatedEnvironment, " \n\n");
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "deskmap: no key was given on standard input.\n");

    EXPECT_EQ(deskmap({"key", "show"}).exitCode, 2);
    EXPECT_EQ(deskmap({"key", "status", "--provider", "codex"}).exitCode, 2);
}

} // namespace
} // namespace deskmap
