#include "DeskmapAppSupport/LaunchAtLogin/LaunchAtLoginConfiguration.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/ViewModelFakes.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace deskmap {
namespace {

namespace fs = std::filesystem;
using Result = LaunchAtLoginConfiguration::UpdateResult;

TEST(LaunchAtLoginConfiguration, CallsOnlyWhenTheRequestChanges) {
    auto service = std::make_shared<test::ScriptedLaunchAtLogin>();
    LaunchAtLoginConfiguration configuration(service);

    for (const auto status :
         {LaunchAtLoginStatus::enabled, LaunchAtLoginStatus::requiresApproval}) {
        service->current = status;
        EXPECT_EQ(configuration.setEnabled(true), Result::updated(status));
    }
    for (const auto status : {LaunchAtLoginStatus::disabled, LaunchAtLoginStatus::notFound}) {
        service->current = status;
        EXPECT_EQ(configuration.setEnabled(false), Result::updated(status));
    }
    EXPECT_TRUE(service->calls.empty());

    service->current = LaunchAtLoginStatus::notFound;
    service->afterRegister = LaunchAtLoginStatus::requiresApproval;
    EXPECT_EQ(configuration.setEnabled(true),
              Result::updated(LaunchAtLoginStatus::requiresApproval));
    EXPECT_EQ(configuration.setEnabled(false), Result::updated(LaunchAtLoginStatus::disabled));
    EXPECT_EQ(service->calls, (std::vector<std::string>{"register", "unregister"}));
}

TEST(MacOSLaunchAtLoginService, TheDefaultEntryLivesInTheUsersAutostartFolder) {
    const test::TemporaryFolder home("deskmap-home");
    const test::ScopedEnvironment environment({{"HOME", home.string()}, {"XDG_CONFIG_HOME", {}}});

    LaunchAtLoginConfiguration configuration(std::make_shared<MacOSLaunchAtLoginService>());
    EXPECT_EQ(configuration.currentStatus(), LaunchAtLoginStatus::disabled);
    EXPECT_EQ(configuration.setEnabled(true), Result::updated(LaunchAtLoginStatus::enabled));
    const auto entry = home / ".config" / "autostart" / "deskmap.desktop";
    EXPECT_THAT(test::fileText(entry),
                testing::HasSubstr("Exec=" + platform::XdgAutostart::currentExecutable().string()));
    EXPECT_EQ(configuration.setEnabled(false), Result::updated(LaunchAtLoginStatus::disabled));
    EXPECT_FALSE(fs::exists(entry));
    fs::create_directories(entry); // not a file
    EXPECT_EQ(configuration.currentStatus(), LaunchAtLoginStatus::notFound);
}

} // namespace
} // namespace deskmap
