// Collection through the window-server calls, served by the simulated desktop:
// the shape checks of each call and their failure texts.
#include "DeskmapCore/Collection/MacOSSpaceCollector.hpp"
#include "DeskmapCore/Errors/DeskmapError.hpp"
#include "DeskmapPlatform/Simulated/SimulatedWindowServer.hpp"
#include "Support/Thrown.hpp"
#include "Support/WindowServerData.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

using nlohmann::json;
using test::displayEntry;
using test::windowEntry;

json scenario() {
    return json{{"managedDisplaySpaces", json::array({displayEntry("D1", 4, {3, 4})})},
                {"windows", json::array({windowEntry(101, "Terminal", "build"),
                                         windowEntry(102, "Notes", "todo")})},
                {"windowSpaces", {{"101", {4}}, {"102", {3, 4}}}}};
}

std::string failureOf(const json& document) {
    return test::messageOf<DeskmapError>([&] {
        MacOSSpaceCollector(std::make_shared<platform::SimulatedWindowServer>(document)).collect();
    });
}

const std::string prefix = "Could not read this desktop's Spaces: ";

TEST(WindowServerCollection, ManagedSpacesMustBeAnArrayOfDictionaries) {
    auto document = scenario();
    document["managedDisplaySpaces"] = nullptr;
    EXPECT_EQ(failureOf(document), prefix + "the window server returned no Spaces data");
    document.erase("managedDisplaySpaces");
    EXPECT_EQ(failureOf(document), prefix + "the window server returned no Spaces data");
    document["managedDisplaySpaces"] = json::object();
    EXPECT_EQ(failureOf(document), prefix + "the window server returned malformed Spaces data");
    document["managedDisplaySpaces"] = json::array({displayEntry("D1", 4, {4}), "display"});
    EXPECT_EQ(failureOf(document), prefix + "the window server returned malformed Spaces data");
    document["managedDisplaySpaces"] = json::array();
    EXPECT_EQ(failureOf(document), prefix + "no Spaces were reported");
}

TEST(WindowServerCollection, WindowListMustBeAnArrayOfDictionaries) {
    for (const json& list :
         {json(nullptr), json("windows"), json::array({windowEntry(1, "A"), 7})}) {
        auto document = scenario();
        document["windows"] = list;
        EXPECT_EQ(failureOf(document), prefix + "the system returned an unreadable window list");
    }
}

TEST(WindowServerCollection, AssignmentsMustBeArraysOfNumbers) {
    auto document = scenario();
    document["windowSpaces"]["102"] = nullptr;
    EXPECT_EQ(failureOf(document),
              prefix + "the window server returned no Space assignment for window 102");
    document["windowSpaces"]["102"] = json::array({"3"});
    EXPECT_EQ(failureOf(document),
              prefix + "the window server returned a malformed Space assignment for window 102");
    document["windowSpaces"]["102"] = 3;
    EXPECT_EQ(failureOf(document),
              prefix + "the window server returned a malformed Space assignment for window 102");
}

TEST(WindowServerCollection, AWindowWithoutARecordedAssignmentIsListedNowhere) {
    auto document = scenario();
    document["windowSpaces"].erase("102");
    const auto inventory =
        MacOSSpaceCollector(std::make_shared<platform::SimulatedWindowServer>(document)).collect();
    EXPECT_TRUE(inventory.spaces[0].windows.empty());
    ASSERT_EQ(inventory.spaces[1].windows.size(), 1u);
    EXPECT_EQ(inventory.spaces[1].windows[0].windowID, 101u);
}

} // namespace
} // namespace deskmap
