// The navigator's state model and its clock: settings and properties with their ranges, and
// the time scale. Travel along a route is shown through the commands (command_handler_test.cc).
#include "navigator_model.h"

#include <gtest/gtest.h>

#include "simulation_clock.h"

namespace oxsdk::emulator {
namespace {

const TGeoPoint kAmsterdam{52.370216, 4.895168};

TEST(NavigatorModel, SettingsSetTheirGroupAndShapeRoutes) {
    CNavigatorModel model(kAmsterdam);
    EXPECT_EQ(model.settings().at("route"), "fastest");
    EXPECT_FALSE(model.routeOptions().shortest);
    const std::vector<std::tuple<int, std::string, std::string>> cases = {
        {2, "sound", "off"},      {4, "colors", "night"},       {7, "map", "3D"},
        {9, "route", "shortest"}, {12, "avoid highways", "on"}, {15, "units", "imperial"},
        {17, "auto zoom", "off"}, {10, "avoid toll", "on"}};
    for (const auto& [code, group, value] : cases) {
        EXPECT_EQ(model.ApplySetting(code), EChange::kDone);
        EXPECT_EQ(model.settings().at(group), value) << code;
    }
    EXPECT_TRUE(model.routeOptions().shortest);
    EXPECT_TRUE(model.routeOptions().avoidHighways);
    for (int code : {0, 18, -3}) EXPECT_EQ(model.ApplySetting(code), EChange::kOutOfRange);
}

TEST(NavigatorModel, PropertiesKeepToTheirRanges) {
    CNavigatorModel model(kAmsterdam);
    const std::vector<std::tuple<int, long, bool>> cases = {
        {1, 0, true},     {1, 100, true},  {1, 101, false}, {2, 49, false}, {2, 5000000, true},
        {3, 359, true},   {3, 360, false}, {4, -1, false},  {5, 300, true}, {6, 1000, true},
        {6, 1001, false}, {0, 1, false},   {7, 1, false}};
    for (const auto& [property, value, accepted] : cases) {
        const long before = model.property(property);
        EXPECT_EQ(model.SetProperty(property, value) == EChange::kDone, accepted)
            << property << " " << value;
        EXPECT_EQ(model.property(property), accepted ? value : before);
    }
    model.ShowOnMap({52.0907, 5.1214}, 3000);
    EXPECT_EQ(model.property(2), 3000);
    EXPECT_EQ(model.view(), EView::kMap);
}

TEST(SimulationClock, ScalesWallTimeAndNeverRunsBack) {
    double wall = 100.0;
    CSimulationClock clock(10.0, 1000.0, [&wall] { return wall; });
    wall = 102.5;
    EXPECT_DOUBLE_EQ(clock.Tick(), 25.0);
    EXPECT_DOUBLE_EQ(clock.unixSeconds(), 1025.0);
    EXPECT_DOUBLE_EQ(clock.Tick(), 0.0);
    wall = 101.0;  // a source that steps back gives no negative time
    EXPECT_DOUBLE_EQ(clock.Tick(), 0.0);
    clock.SetTimeScale(0.0);
    wall = 200.0;
    EXPECT_DOUBLE_EQ(clock.Tick(), 0.0);
}

}  // namespace
}  // namespace oxsdk::emulator
