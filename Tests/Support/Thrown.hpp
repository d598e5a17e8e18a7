#pragma once

#include <string>

namespace deskmap::test {

// What the E that `work` throws says, or "no failure" when it throws none.
template <class E, class Work> std::string messageOf(Work&& work) {
    try {
        work();
    } catch (const E& error) {
        return error.what();
    }
    return "no failure";
}

} // namespace deskmap::test
