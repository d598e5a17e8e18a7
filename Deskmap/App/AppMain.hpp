#pragma once

#include "Deskmap/ViewModel/DeskmapViewModel.hpp"

#include <functional>
#include <memory>

namespace deskmap::app {

class DeskmapApplication;

// What deskmap-app runs on: the view model's services over the chosen
// desktop. The program passes the production ones; tests pass fakes.
using ServicesFactory =
    std::function<ViewModelServices(std::shared_ptr<platform::WindowServer> windowServer)>;

// The whole of deskmap-app: arguments, the one instance per session,
// termination signals, then the app until it quits. `started` (optional)
// is told once the app runs, before its event loop starts.
int runDeskmapApp(int argc, char** argv, const ServicesFactory& makeServices,
                  const std::function<void(DeskmapApplication&)>& started = {});

} // namespace deskmap::app
