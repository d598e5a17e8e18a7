#include "DeskmapCore/Collection/WindowOrder.hpp"

#include "DeskmapCore/Text/Unicode.hpp"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace deskmap::WindowOrder {

namespace {

struct SortKey {
    std::string app;
    std::string title;
    std::uint32_t windowID;

    bool operator<(const SortKey& other) const {
        return std::tie(app, title, windowID) < std::tie(other.app, other.title, other.windowID);
    }
};

} // namespace

void sort(std::vector<WindowEvidence>& windows) {
    if (windows.size() < 2) {
        return;
    }
    // Normalize each text once rather than on every comparison.
    std::vector<SortKey> keys;
    keys.reserve(windows.size());
    for (const auto& window : windows) {
        keys.push_back(SortKey{Unicode::canonicalComposition(window.app),
                               Unicode::canonicalComposition(window.title.value_or("")),
                               window.windowID});
    }
    std::vector<std::size_t> order(windows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t lhs, std::size_t rhs) { return keys[lhs] < keys[rhs]; });

    std::vector<WindowEvidence> sorted;
    sorted.reserve(windows.size());
    for (const auto position : order) {
        sorted.push_back(std::move(windows[position]));
    }
    windows = std::move(sorted);
}

} // namespace deskmap::WindowOrder
