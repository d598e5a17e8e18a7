// Whatever the settings file holds: reads never fail, a write always leaves
// a valid file with the new value, and an unusable file is kept aside, byte
// for byte, never lost.
#include "DeskmapPlatform/UserDefaults/FileUserDefaults.hpp"
#include "FuzzContract.hpp"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace deskmap;

namespace {

const std::filesystem::path& folder() {
    static const auto directory = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("deskmap-fuzz-defaults-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return directory;
}

std::string contents(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::filesystem::remove_all(folder());
    std::filesystem::create_directories(folder());
    const auto file = folder() / "defaults.json";
    const auto original = fuzz::text(data, size);
    std::ofstream(file, std::ios::binary) << original;

    platform::FileUserDefaults defaults(file);
    (void)defaults.string("summaryProvider");
    (void)defaults.boolean("firstTimeSetupCompleted");
    (void)defaults.value("installedSummaryClient");
    const auto before = defaults.value("automaticSummariesEnabled");

    defaults.set("summaryProvider", "openRouter");
    const auto written = nlohmann::json::parse(contents(file), nullptr, false);
    if (!written.is_object() || written.value("summaryProvider", "") != "openRouter" ||
        defaults.string("summaryProvider") != "openRouter") {
        fuzz::violated();
    }
    // A usable file keeps its other values; an unusable one is set aside.
    const auto keptAside = folder() / "defaults.json.corrupt";
    if (std::filesystem::exists(keptAside)) {
        if (contents(keptAside) != original) {
            fuzz::violated();
        }
    } else if (defaults.value("automaticSummariesEnabled") != before) {
        fuzz::violated();
    }
    return 0;
}
