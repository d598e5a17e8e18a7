#include "DeskmapPlatform/Modules/ModuleLoader.hpp"
#include "Support/ScopedFiles.hpp"
#include "Support/Thrown.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace deskmap::platform {
namespace {

namespace fs = std::filesystem;

TEST(ModuleLoader, LoadsOnlyWhatNoOtherUserCouldHaveWritten) {
    const test::TemporaryFolder root("deskmap-modules");
    const auto make = [&](const fs::path& folder, mode_t mode) {
        fs::create_directories(root / folder);
        ::chmod((root / folder).c_str(), mode);
        const auto file = root / folder / "libmodule.so";
        std::ofstream(file) << "x";
        ::chmod(file.c_str(), 0644);
        return file;
    };
    const uid_t me = ::getuid();
    EXPECT_TRUE(isTrustedLocation(make("private/lib", 0755), me));
    EXPECT_FALSE(isTrustedLocation(make("shared/lib", 0777), me)) << "anyone may replace it";
    EXPECT_FALSE(isTrustedLocation(make("group/lib", 0775), me));
    make("sticky", 01777);
    EXPECT_TRUE(isTrustedLocation(make("sticky/mine", 0755), me))
        << "a sticky folder above (as /tmp) protects what is ours in it";
    const auto writable = make("loose", 0755);
    ::chmod(writable.c_str(), 0666);
    EXPECT_FALSE(isTrustedLocation(writable, me));
    EXPECT_FALSE(isTrustedLocation(root / "missing.so", me));

    // Files of a third user (neither root nor the given one) are not ours.
    const auto theirs = make("theirs", 0755);
    if (me == 0) {
        ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(isTrustedLocation(theirs, 0));
    } else {
        EXPECT_FALSE(isTrustedLocation(theirs, me + 1));
    }
}

TEST(ModuleLoader, AModuleAnotherUserCouldHaveWrittenIsNeverLoaded) {
    const test::TemporaryFolder root("deskmap-modules");
    const fs::path module = fs::path(DESKMAP_MODULE_DIRECTORY) / "libdeskmap-curl.so";
    for (const auto* folder : {"shared", "private"}) {
        fs::create_directories(root / folder);
        ::chmod((root / folder).c_str(), std::string(folder) == "shared" ? 0777 : 0755);
        fs::copy_file(module, root / folder / "libdeskmap-curl.so");
    }
    EXPECT_THAT(test::messageOf<ModuleError>([&] {
                    openModule("libdeskmap-curl.so", {root / "missing" / "libdeskmap-curl.so",
                                                      root / "shared" / "libdeskmap-curl.so"});
                }),
                testing::HasSubstr("could be changed by another user"));
    EXPECT_NE(openModule("libdeskmap-curl.so", {root / "shared" / "libdeskmap-curl.so",
                                                root / "private" / "libdeskmap-curl.so"}),
              nullptr)
        << "the next, trusted candidate is taken";
    EXPECT_THROW(moduleSymbol("libdeskmap-no-such-module.so", "entry"), ModuleError);
}

} // namespace
} // namespace deskmap::platform
