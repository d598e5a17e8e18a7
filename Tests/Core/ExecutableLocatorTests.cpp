#include "DeskmapCore/InstalledClients/InstalledClientExecutableLocator.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

namespace deskmap {
namespace {

// A locator over a made-up environment whose executables are `present`;
// records every path it was asked about.
struct FakeFileSystem {
    std::set<std::string> present;
    std::shared_ptr<std::vector<std::string>> asked = std::make_shared<std::vector<std::string>>();

    InstalledClientExecutableLocator locator(std::optional<std::string> path) const {
        std::map<std::string, std::string> environment{{"HOME", "/ignored"}};
        if (path) {
            environment["PATH"] = *path;
        }
        return InstalledClientExecutableLocator(
            environment, "/home/ada", [present = present, asked = asked](const std::string& p) {
                asked->push_back(p);
                return present.contains(p);
            });
    }
};

TEST(ExecutableLocator, FallsBackToTheFixedDirectoriesInOrder) {
    FakeFileSystem files;
    files.present = {"/home/ada/bin/codex", "/home/ada/.local/bin/codex"};
    EXPECT_EQ(files.locator(std::nullopt).locate(InstalledClient::codex),
              "/home/ada/.local/bin/codex");
    EXPECT_EQ(*files.asked,
              (std::vector<std::string>{"/opt/homebrew/bin/codex", "/usr/local/bin/codex",
                                        "/home/ada/.local/bin/codex"}));
    files.present.insert("/usr/local/bin/codex");
    EXPECT_EQ(files.locator(std::nullopt).locate(InstalledClient::codex), "/usr/local/bin/codex");
}

TEST(ExecutableLocator, SearchesPathFirstAndEachDirectoryOnce) {
    FakeFileSystem files;
    files.locator("/usr/local/bin::/usr/bin:/usr/local/bin:").locate(InstalledClient::codex);
    EXPECT_EQ(*files.asked, (std::vector<std::string>{
                                "/usr/local/bin/codex", "/usr/bin/codex", "/opt/homebrew/bin/codex",
                                "/home/ada/.local/bin/codex", "/home/ada/bin/codex"}));

    FakeFileSystem colons;
    EXPECT_EQ(colons.locator(":::").locate(InstalledClient::codex), std::nullopt);
    EXPECT_EQ(colons.asked->size(), 4u);

    // No normalization: a trailing slash makes another directory string.
    FakeFileSystem slash;
    slash.locator("/usr/local/bin/").locate(InstalledClient::codex);
    EXPECT_EQ(slash.asked->at(0), "/usr/local/bin/codex");
    EXPECT_EQ(slash.asked->at(2), "/usr/local/bin/codex");
}

TEST(ExecutableLocator, FindsTheCursorAgentOnlyAsAgent) {
    FakeFileSystem files;
    files.present = {"/srv/tools/cursor"};
    EXPECT_EQ(files.locator("/srv/tools").locate(InstalledClient::cursor), std::nullopt);
    files.present.insert("/srv/tools/agent");
    EXPECT_EQ(files.locator("/srv/tools").locate(InstalledClient::cursor), "/srv/tools/agent");
}

TEST(ExecutableLocator, TheDefaultCheckWantsAnExecutableRegularFile) {
    EXPECT_TRUE(InstalledClientExecutableLocator::isExecutableFile("/bin/sh"));
    const auto plain =
        std::filesystem::temp_directory_path() / ("deskmap-plain-" + std::to_string(::getpid()));
    std::ofstream(plain) << "not a program";
    std::filesystem::permissions(plain, std::filesystem::perms::owner_read |
                                            std::filesystem::perms::owner_write);
    EXPECT_FALSE(InstalledClientExecutableLocator::isExecutableFile(plain.string()));
    std::filesystem::remove(plain);
    EXPECT_FALSE(InstalledClientExecutableLocator::isExecutableFile("/usr/bin"));
    EXPECT_FALSE(InstalledClientExecutableLocator::isExecutableFile("/nonexistent"));
}

} // namespace
} // namespace deskmap
