#include "DeskmapPlatform/UserDefaults/FileUserDefaults.hpp"
#include "DeskmapPlatform/UserDefaults/InMemoryUserDefaults.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/Thrown.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace deskmap::platform {
namespace {

namespace fs = std::filesystem;

using test::fileText;

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

class FileUserDefaultsTest : public testing::Test {
protected:
    const test::TemporaryFolder root{"deskmap-defaults"};
    fs::path file() const { return root / "deskmap" / "defaults.json"; }
};

TEST_F(FileUserDefaultsTest, ValuesRoundTripThroughAnOwnerOnlyFile) {
    FileUserDefaults defaults(file());
    EXPECT_EQ(defaults.value("summaryProvider"), std::nullopt);
    EXPECT_FALSE(fs::exists(file())) << "reading creates nothing";

    defaults.set("summaryProvider", "openrouter");
    defaults.set("firstTimeSetupCompleted", true);
    EXPECT_EQ(defaults.string("summaryProvider"), "openrouter");
    EXPECT_EQ(defaults.boolean("firstTimeSetupCompleted"), true);
    EXPECT_EQ(defaults.boolean("summaryProvider"), std::nullopt) << "a string is not a boolean";

    // Another instance (another process) sees the same values.
    FileUserDefaults other(file());
    EXPECT_EQ(other.string("summaryProvider"), "openrouter");
    other.remove("summaryProvider");
    EXPECT_EQ(defaults.value("summaryProvider"), std::nullopt);

    struct stat info {};
    ASSERT_EQ(::stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(file().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(nlohmann::json::parse(fileText(file())),
              (nlohmann::json{{"firstTimeSetupCompleted", true}}));
    // No temporary file is left next to it.
    EXPECT_EQ(std::distance(fs::directory_iterator(file().parent_path()), {}), 1);
}

TEST_F(FileUserDefaultsTest, ACorruptFileIsReadAsEmptyAndKeptAsideOnTheNextWrite) {
    const std::string garbage = "{\"summaryProvider\": \"openrouter\", oops";
    write(file(), garbage);
    FileUserDefaults defaults(file());
    EXPECT_EQ(defaults.value("summaryProvider"), std::nullopt);
    defaults.remove("summaryProvider");
    EXPECT_EQ(fileText(file()), garbage) << "nothing to change: the file stays untouched";

    defaults.set("installedSummaryClient", "cursor");
    EXPECT_EQ(defaults.string("installedSummaryClient"), "cursor");
    EXPECT_EQ(fileText(root / "deskmap" / "defaults.json.corrupt"), garbage);

    // A second corruption does not overwrite the first one kept aside.
    write(file(), "[1, 2]");
    defaults.set("installedSummaryClient", "codex");
    EXPECT_EQ(fileText(root / "deskmap" / "defaults.json.corrupt"), garbage);
    EXPECT_EQ(fileText(root / "deskmap" / "defaults.json.corrupt.1"), "[1, 2]");
    EXPECT_EQ(defaults.string("installedSummaryClient"), "codex");
}

TEST_F(FileUserDefaultsTest, AnUnwritableFolderIsAClearError) {
    write(root / "deskmap", "a file where the folder should be");
    FileUserDefaults defaults(file());
    EXPECT_THAT(
        test::messageOf<UserDefaultsError>([&] { defaults.set("summaryProvider", "openai"); }),
        testing::HasSubstr(file().parent_path().string()));
}

TEST_F(FileUserDefaultsTest, TheStandardLocationFollowsXDGConfigHome) {
    {
        const test::ScopedEnvironment config({{"XDG_CONFIG_HOME", std::optional(root.string())}});
        EXPECT_EQ(FileUserDefaults::standardLocation(), root / "deskmap" / "defaults.json");
    }
    const test::ScopedEnvironment relative(
        {{"XDG_CONFIG_HOME", std::optional<std::string>("relative/ignored")}});
    EXPECT_EQ(FileUserDefaults::standardLocation(),
              fs::path(std::getenv("HOME")) / ".config" / "deskmap" / "defaults.json");
}

} // namespace
} // namespace deskmap::platform
