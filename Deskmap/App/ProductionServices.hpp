#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <memory>

namespace deskmap::app {

// What the view model runs on in the app: the user's settings file, keys in
// the desktop's secret store, the installed clients on this machine, the
// login item in the autostart folder, and `windowServer`'s permissions.
ViewModelServices productionServices(std::shared_ptr<platform::WindowServer> windowServer);

} // namespace deskmap::app
