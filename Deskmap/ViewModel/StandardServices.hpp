#pragma once

#include "DeskmapViewModel.hpp"

#include <memory>

namespace deskmap {

// The services every program builds the view model over: the three
// settings on `defaults`, the installed clients of this machine, window-title
// access and Accessibility through `windowServer`, the login item in the
// autostart folder, and no permission settings pages. The keychain and the
// credential store are the caller's to choose.
ViewModelServices standardServices(std::shared_ptr<platform::WindowServer> windowServer,
                                   std::shared_ptr<platform::UserDefaults> defaults);

} // namespace deskmap
