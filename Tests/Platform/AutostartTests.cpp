#include "DeskmapPlatform/LoginItems/XdgAutostart.hpp"
#include "Support/ScopedFiles.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace deskmap::platform {
namespace {

namespace fs = std::filesystem;

class XdgAutostartTest : public testing::Test {
protected:
    void writeEntry(const std::string& text) const {
        fs::create_directories(root / "autostart");
        std::ofstream(root / "autostart" / "deskmap.desktop") << text;
    }

    const test::TemporaryFolder root{"deskmap-autostart"};
    XdgAutostart autostart{root / "autostart", "deskmap.desktop", "/opt/deskmap/bin/deskmap"};
};

TEST_F(XdgAutostartTest, InstallWritesAnEntryThatStartsTheProgram) {
    EXPECT_EQ(autostart.state(), XdgAutostart::State::absent);
    autostart.install();
    EXPECT_EQ(autostart.state(), XdgAutostart::State::enabled);

    const auto text = test::fileText(autostart.entryPath());
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=/opt/deskmap/bin/deskmap\n"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "autostart"), {}), 1);

    autostart.install(); // again: still one entry
    autostart.uninstall();
    EXPECT_EQ(autostart.state(), XdgAutostart::State::absent);
    EXPECT_NO_THROW(autostart.uninstall()) << "removing a missing entry succeeds";
}

TEST_F(XdgAutostartTest, ExecIsOneLineThatQuotesReservedCharacters) {
    const XdgAutostart spaced(root, "x.desktop", "/home/a b/it's $HOME/deskmap");
    EXPECT_NE(spaced.entryText().find("\nExec=\"/home/a b/it's \\\\$HOME/deskmap\"\n"),
              std::string::npos)
        << spaced.entryText();
    // A line break in the path cannot start a line of its own choosing.
    const XdgAutostart broken(root, "x.desktop", "/opt/a\nHidden=true\n/deskmap");
    EXPECT_NE(broken.entryText().find("\nExec=\"/opt/a\\nHidden=true\\n/deskmap\"\n"),
              std::string::npos)
        << broken.entryText();
    EXPECT_EQ(broken.entryText().find("\nHidden="), std::string::npos);

    EXPECT_EQ(XdgAutostart::programAt("/usr/bin/deskmap-app (deleted)"), "/usr/bin/deskmap-app");
    EXPECT_EQ(XdgAutostart::programAt("/usr/bin/deskmap-app"), "/usr/bin/deskmap-app");
}

TEST_F(XdgAutostartTest, HiddenOrDisabledEntriesAreNotEnabled) {
    writeEntry("[Desktop Entry]\nType=Application\nExec=deskmap\nHidden=true\n");
    EXPECT_EQ(autostart.state(), XdgAutostart::State::disabled);
    writeEntry("[Desktop Entry]\nExec=deskmap\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_EQ(autostart.state(), XdgAutostart::State::disabled);
    writeEntry("[Other Group]\nHidden=true\n[Desktop Entry]\nExec=deskmap\n");
    EXPECT_EQ(autostart.state(), XdgAutostart::State::enabled);
    writeEntry("not an entry at all");
    EXPECT_EQ(autostart.state(), XdgAutostart::State::unreadable);
}

TEST_F(XdgAutostartTest, AFolderThatCannotBeMadeIsAClearError) {
    std::ofstream(root / "autostart") << "a file in the way";
    EXPECT_THROW(autostart.install(), AutostartError);
}

} // namespace
} // namespace deskmap::platform
