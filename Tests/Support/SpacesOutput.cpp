#include "Support/SpacesOutput.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace deskmap::test {

std::ostream& operator<<(std::ostream& out, const Space& space) {
    out << space.display << (space.current ? " (current)" : "") << " [";
    for (const auto& window : space.windows) {
        out << window << "; ";
    }
    return out << "]";
}

std::vector<Space> spacesOf(const ProcessOutcome& result) {
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<Space> found;
    if (result.exitCode != 0) {
        return found;
    }
    const auto document = nlohmann::json::parse(result.out);
    for (const auto& space : document.at("spaces")) {
        Space each{space.at("display"), space.at("isCurrent"), {}};
        for (const auto& window : space.at("windows")) {
            each.windows.push_back(window.at("app").get<std::string>() + ": " +
                                   window.value("title", ""));
        }
        found.push_back(std::move(each));
    }
    return found;
}

} // namespace deskmap::test
