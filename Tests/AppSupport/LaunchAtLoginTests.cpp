#include "DeskmapAppSupport/LaunchAtLogin/LaunchAtLoginConfiguration.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace deskmap {
namespace {

namespace fs = std::filesystem;
using Result = LaunchAtLoginConfiguration::UpdateResult;

// A login-item service with a scripted status and optional failures.
class ScriptedLaunchService final : public LaunchAtLoginServicing {
public:
    LaunchAtLoginStatus current = LaunchAtLoginStatus::disabled;
    LaunchAtLoginStatus afterRegister = LaunchAtLoginStatus::enabled;
    bool failCalls = false;
    std::vector<std::string> calls;

    LaunchAtLoginStatus status() const override { return current; }
    void registerApp() override {
        calls.push_back("register");
        if (failCalls) {
            throw std::runtime_error("no autostart folder");
        }
        current = afterRegister;
    }
    void unregisterApp() override {
        calls.push_back("unregister");
        if (failCalls) {
            throw std::runtime_error("read-only");
        }
        current = LaunchAtLoginStatus::disabled;
    }
    void openSystemSettings() override { calls.push_back("settings"); }
};

TEST(LaunchAtLoginConfiguration, CallsOnlyWhenTheRequestChanges) {
    auto service = std::make_shared<ScriptedLaunchService>();
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

TEST(MacOSLaunchAtLoginService, RawStatusesAndTheAutostartEntry) {
    EXPECT_EQ(MacOSLaunchAtLoginService::statusFromRaw(0), LaunchAtLoginStatus::disabled);
    EXPECT_EQ(MacOSLaunchAtLoginService::statusFromRaw(1), LaunchAtLoginStatus::enabled);
    EXPECT_EQ(MacOSLaunchAtLoginService::statusFromRaw(2), LaunchAtLoginStatus::requiresApproval);
    EXPECT_EQ(MacOSLaunchAtLoginService::statusFromRaw(3), LaunchAtLoginStatus::notFound);
    EXPECT_EQ(MacOSLaunchAtLoginService::statusFromRaw(42), LaunchAtLoginStatus::notFound);

    std::string pattern = (fs::temp_directory_path() / "deskmap-login-XXXXXX").string();
    const fs::path root = ::mkdtemp(pattern.data());
    auto service = std::make_shared<MacOSLaunchAtLoginService>(
        platform::XdgAutostart(root / "autostart", "deskmap.desktop", "/usr/bin/deskmap"));
    LaunchAtLoginConfiguration configuration(service);
    EXPECT_EQ(configuration.currentStatus(), LaunchAtLoginStatus::disabled);
    EXPECT_EQ(configuration.setEnabled(true), Result::updated(LaunchAtLoginStatus::enabled));
    EXPECT_TRUE(fs::exists(root / "autostart" / "deskmap.desktop"));
    EXPECT_EQ(configuration.setEnabled(false), Result::updated(LaunchAtLoginStatus::disabled));
    EXPECT_FALSE(fs::exists(root / "autostart" / "deskmap.desktop"));

    fs::create_directories(root / "autostart" / "deskmap.desktop"); // not a file
    EXPECT_EQ(configuration.currentStatus(), LaunchAtLoginStatus::notFound);
    fs::remove_all(root);
}

TEST(MacOSLaunchAtLoginService, TheDefaultEntryLivesInTheUsersAutostartFolder) {
    std::string pattern = (fs::temp_directory_path() / "deskmap-home-XXXXXX").string();
    const fs::path home = ::mkdtemp(pattern.data());
    const char* savedHome = std::getenv("HOME");
    const std::string previousHome = savedHome ? savedHome : "";
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string previousConfig = savedConfig ? savedConfig : "";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");

    LaunchAtLoginConfiguration configuration(std::make_shared<MacOSLaunchAtLoginService>());
    EXPECT_EQ(configuration.setEnabled(true), Result::updated(LaunchAtLoginStatus::enabled));
    const auto entry = home / ".config" / "autostart" / "deskmap.desktop";
    std::ifstream in(entry);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Exec=" + platform::XdgAutostart::currentExecutable().string()),
              std::string::npos)
        << text.str();
    EXPECT_EQ(configuration.setEnabled(false), Result::updated(LaunchAtLoginStatus::disabled));
    EXPECT_FALSE(fs::exists(entry));

    ::setenv("HOME", previousHome.c_str(), 1);
    if (savedConfig) {
        ::setenv("XDG_CONFIG_HOME", previousConfig.c_str(), 1);
    }
    fs::remove_all(home);
}

} // namespace
} // namespace deskmap
