#include "ProductionServices.hpp"

#include "Deskmap/ViewModel/StandardServices.hpp"
#include "DeskmapPlatform/Keychain/SecretServiceKeychain.hpp"
#include "DeskmapPlatform/UserDefaults/FileUserDefaults.hpp"

namespace deskmap::app {

ViewModelServices productionServices(std::shared_ptr<platform::WindowServer> windowServer) {
    auto services = standardServices(std::move(windowServer),
                                     std::make_shared<platform::FileUserDefaults>(
                                         platform::FileUserDefaults::standardLocation()));
    services.keychain = std::make_shared<platform::SecretServiceKeychain>();
    return services;
}

} // namespace deskmap::app
