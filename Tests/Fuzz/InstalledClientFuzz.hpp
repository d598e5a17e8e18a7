#pragma once

#include "DeskmapCore/InstalledClients/InstalledClientExecutableLocator.hpp"
#include "DeskmapCore/Process/InstalledClientProcessRunning.hpp"

#include <functional>

namespace deskmap::fuzz {

// A client whose every run answers as the fuzz input says; no process is
// started.
class ScriptedClientRunner final : public InstalledClientProcessRunning {
public:
    using Script =
        std::function<InstalledClientProcessResult(const InstalledClientProcessRequest&)>;

    explicit ScriptedClientRunner(Script script) : script_(std::move(script)) {}

    asio::awaitable<InstalledClientProcessResult>
    run(InstalledClientProcessRequest request) override {
        co_return script_(request);
    }

private:
    Script script_;
};

// Finds both clients in a folder that need not exist.
inline InstalledClientExecutableLocator anywhereLocator() {
    return InstalledClientExecutableLocator({{"PATH", "/fuzz/bin"}}, "/nonexistent-home",
                                            [](const std::string&) { return true; });
}

} // namespace deskmap::fuzz
