// The output of a client's sign-in status command. The first byte picks the
// client and the exit status; the rest is standard output, then (after a NUL
// byte) standard error.
#include "DeskmapCore/Errors/InstalledClientError.hpp"
#include "DeskmapCore/InstalledClients/InstalledClientVerifier.hpp"
#include "FuzzContract.hpp"
#include "InstalledClientFuzz.hpp"
#include "Support/RunAsync.hpp"

using namespace deskmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto client = (data[0] & 1) != 0 ? InstalledClient::cursor : InstalledClient::codex;
    const std::int32_t statuses[] = {0, 0, 1, -9};
    const auto status = statuses[(data[0] >> 1) & 3];
    const auto rest = fuzz::text(data + 1, size - 1);
    const auto separator = rest.find('\0');
    InstalledClientProcessResult result{
        status, rest.substr(0, separator),
        separator == std::string::npos ? std::string() : rest.substr(separator + 1)};
    auto runner = std::make_shared<fuzz::ScriptedClientRunner>(
        [&](const InstalledClientProcessRequest&) { return result; });
    InstalledClientVerifier verifier(fuzz::anywhereLocator(), runner, std::chrono::seconds(15));
    fuzz::expectOnly<InstalledClientError>([&] {
        test::runAsync(verifier.verify(client));
        if (status != 0) {
            fuzz::violated(); // a failed status command never verifies
        }
    });
    return 0;
}
