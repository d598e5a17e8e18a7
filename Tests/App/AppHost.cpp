// deskmap-app over stand-in services, for the lifecycle tests: the same
// launch, single-instance and quit paths as the program, with a keychain
// whose saves take as long as an unlock prompt.
//   DESKMAP_TEST_SAVE_DELAY_MS  how long each keychain save takes
//   DESKMAP_TEST_SAVE_AT_START  saves a key as soon as the app runs
//   DESKMAP_TEST_MARKERS        a directory: "running" is made when the app
//                               runs (holding "dumpable=N"), "saving" when a
//                               save starts
#include "Deskmap/App/AppMain.hpp"
#include "Deskmap/App/DeskmapApplication.hpp"
#include "Deskmap/ViewModel/StandardServices.hpp"
#include "DeskmapPlatform/Keychain/InMemoryKeychain.hpp"
#include "DeskmapPlatform/UserDefaults/FileUserDefaults.hpp"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/prctl.h>
#include <thread>

namespace {

void mark(const char* name, const std::string& content = "1") {
    if (const char* directory = std::getenv("DESKMAP_TEST_MARKERS")) {
        // Whole or not at all, for a test that reads it as soon as it is there.
        const std::string path = std::string(directory) + "/" + name;
        std::ofstream(path + ".partial") << content;
        std::filesystem::rename(path + ".partial", path);
    }
}

class SlowKeychain final : public deskmap::platform::Keychain {
public:
    explicit SlowKeychain(std::chrono::milliseconds delay) : delay_(delay) {}

    std::int32_t copyMatching(const deskmap::platform::KeychainItemQuery& query,
                              std::optional<std::vector<std::uint8_t>>& data) override {
        return items_.copyMatching(query, data);
    }
    std::int32_t add(const deskmap::platform::KeychainItemQuery& query,
                     const deskmap::platform::KeychainItemAttributes& attributes) override {
        saving();
        return items_.add(query, attributes);
    }
    std::int32_t update(const deskmap::platform::KeychainItemQuery& query,
                        const deskmap::platform::KeychainItemAttributes& attributes) override {
        saving();
        return items_.update(query, attributes);
    }
    std::int32_t remove(const deskmap::platform::KeychainItemQuery& query) override {
        return items_.remove(query);
    }

private:
    void saving() const {
        mark("saving");
        std::this_thread::sleep_for(delay_);
    }

    std::chrono::milliseconds delay_;
    deskmap::platform::InMemoryKeychain items_;
};

} // namespace

int main(int argc, char** argv) {
    const char* delay = std::getenv("DESKMAP_TEST_SAVE_DELAY_MS");
    const std::chrono::milliseconds saveDelay(delay ? std::atoi(delay) : 0);
    return deskmap::app::runDeskmapApp(
        argc, argv,
        [saveDelay](std::shared_ptr<deskmap::platform::WindowServer> windowServer) {
            auto services = deskmap::standardServices(
                std::move(windowServer),
                std::make_shared<deskmap::platform::FileUserDefaults>(
                    deskmap::platform::FileUserDefaults::standardLocation()));
            services.keychain = std::make_shared<SlowKeychain>(saveDelay);
            return services;
        },
        [](deskmap::app::DeskmapApplication& app) {
            if (std::getenv("DESKMAP_TEST_SAVE_AT_START")) {
                app.viewModel()->saveKey("sk-test-key", false);
            }
            // What a test may check of the running process.
            mark("running", "dumpable=" + std::to_string(::prctl(PR_GET_DUMPABLE)));
        });
}
