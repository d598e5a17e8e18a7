#pragma once

#include <string>
#include <vector>

namespace deskmap::test {

// Starting a private Xvfb that picks a free display number itself: make the
// pipe, start Xvfb with `arguments(...)` (the pipe's write end inherited),
// then `display()` closes the write end and reads ":N", or throws when Xvfb
// said nothing.
class XvfbDisplay {
public:
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // Xvfb's arguments (without the program) for one screen of `size`.
    std::vector<std::string> arguments(const std::string& size) const;
    std::string display();

private:
    int read_ = -1;
    int write_ = -1;
};

} // namespace deskmap::test
