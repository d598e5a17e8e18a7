#pragma once

namespace deskmap::platform {

// The desktop's settings pages for the permissions Deskmap asks for.
enum class PermissionSettingsPage { windowTitles, spaceSwitching };

class SystemSettingsOpening {
public:
    virtual ~SystemSettingsOpening() = default;
    // Opens the page; false when this desktop has none.
    virtual bool open(PermissionSettingsPage page) = 0;

protected:
    SystemSettingsOpening() = default;
    SystemSettingsOpening(const SystemSettingsOpening&) = default;
    SystemSettingsOpening& operator=(const SystemSettingsOpening&) = default;
};

// Linux desktops keep no per-program switch for reading window titles or
// sending input: where such a permission exists at all, the window server
// grants it. So there is never a page to open, and nothing is launched.
class NoPermissionSettingsPages final : public SystemSettingsOpening {
public:
    bool open(PermissionSettingsPage) override { return false; }
};

} // namespace deskmap::platform
