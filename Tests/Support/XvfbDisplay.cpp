#include "Support/XvfbDisplay.hpp"

#include <stdexcept>
#include <unistd.h>

namespace deskmap::test {

XvfbDisplay::XvfbDisplay() {
    int fds[2];
    // Not close-on-exec: Xvfb writes its display number into the write end.
    if (::pipe(fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    read_ = fds[0];
    write_ = fds[1];
}

XvfbDisplay::~XvfbDisplay() {
    for (const int fd : {read_, write_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

std::vector<std::string> XvfbDisplay::arguments(const std::string& size) const {
    // -noreset: otherwise the server resets when its last client leaves and
    // refuses whoever connects meanwhile.
    return {"-displayfd", std::to_string(write_), "-screen", "0", size, "-nolisten", "tcp",
            "-noreset"};
}

std::string XvfbDisplay::display() {
    ::close(write_);
    write_ = -1;
    std::string number;
    char c;
    while (::read(read_, &c, 1) == 1 && c != '\n') {
        number += c;
    }
    if (number.empty()) {
        throw std::runtime_error("Xvfb did not start");
    }
    return ":" + number;
}

} // namespace deskmap::test
