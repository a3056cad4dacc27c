// The navigator's model: distances and bearings against known values; routes that start and end
// where asked, bend only gently, carry a point every 100-200 m and are the same every time;
// settings and properties with their ranges, and the clock's time scale. Travel along a route is
// shown through the commands (command_handler_test.cc).
#include "route_planner.h"

#include <gtest/gtest.h>

#include <cmath>

#include "navigator_model.h"
#include "simulation_clock.h"

namespace oxsdk::emulator {
namespace {

const TGeoPoint kAmsterdam{52.370216, 4.895168};
const TGeoPoint kUtrecht{52.0907, 5.1214};
const TGeoPoint kParis{48.8566, 2.3522};
const TGeoPoint kLondon{51.5074, -0.1278};

TEST(Geo, DistancesBearingsAndMicrodegreesMatchKnownValues) {
    EXPECT_NEAR(DistanceMetres(kAmsterdam, kUtrecht), 35000.0, 1000.0);
    EXPECT_NEAR(DistanceMetres(kParis, kLondon), 343500.0, 2000.0);
    // A degree of the equator: on the WGS 84 ellipsoid, else on the mean sphere.
    const double degree = EllipsoidalGeodesics() ? 111319.491 : 111195.080;
    EXPECT_NEAR(DistanceMetres({0, 0}, {0, 1}), degree, 0.01);
    EXPECT_NEAR(Destination({0, 0}, 90.0, degree).longitude, 1.0, 1e-7);
    EXPECT_NEAR(Interpolate({0, 0}, {0, 2}, 0.25).longitude, 0.5, 1e-7);
    EXPECT_NEAR(BearingDegrees({0, 0}, {1, 0}), 0.0, 1e-9);
    EXPECT_NEAR(BearingDegrees({0, 0}, {0, 1}), 90.0, 1e-9);
    EXPECT_NEAR(BearingDegrees({0, 0}, {-1, 0}), 180.0, 1e-9);
    EXPECT_NEAR(BearingDegrees({0, 0}, {0, -1}), 270.0, 1e-9);
    EXPECT_EQ(ToMicrodegrees(-0.1278), -127800);
}

TEST(RoutePlanner, RoutesRunFromStartToDestinationWithDensePoints) {
    for (const auto& [from, to] : {std::pair{kAmsterdam, kUtrecht}, std::pair{kAmsterdam, kParis},
                                   std::pair{kLondon, kParis}}) {
        const TRoute route = PlanRoute(from, to, {});
        const double straight = DistanceMetres(from, to);
        ASSERT_GE(route.points.size(), 2u);
        EXPECT_EQ(ToMicrodegrees(route.points.front().latitude), ToMicrodegrees(from.latitude));
        EXPECT_EQ(ToMicrodegrees(route.points.back().longitude), ToMicrodegrees(to.longitude));
        // Like a road: somewhat longer than the straight line, never a detour.
        EXPECT_GE(route.lengthMetres, 1.02 * straight);
        EXPECT_LE(route.lengthMetres, 1.25 * straight);
        const double spacing = route.lengthMetres / static_cast<double>(route.points.size() - 1);
        EXPECT_GE(spacing, 100.0);
        EXPECT_LE(spacing, 200.0);
        EXPECT_DOUBLE_EQ(route.cumulativeMetres.back(), route.lengthMetres);
        for (std::size_t i = 1; i < route.points.size(); ++i) {
            ASSERT_GE(route.cumulativeMetres[i], route.cumulativeMetres[i - 1]);
            // Gentle bends: no step of the polyline is longer than a few spacings.
            ASSERT_LT(DistanceMetres(route.points[i - 1], route.points[i]), 4 * spacing);
        }
        EXPECT_NEAR(route.plannedSeconds, route.lengthMetres / (route.averageSpeedKmh / 3.6), 1e-6);
    }
    EXPECT_GT(PlanRoute(kAmsterdam, kParis, {}).points.size(), 2500u);
}

TEST(RoutePlanner, ARouteThroughStopsJoinsItsLegs) {
    const TRoute first = PlanRoute(kAmsterdam, kUtrecht, {});
    const TRoute second = PlanRoute(kUtrecht, kParis, {});
    const TRoute route = PlanRouteThrough({kAmsterdam, kUtrecht, kParis}, {});
    ASSERT_EQ(route.points.size(), first.points.size() + second.points.size() - 1);
    EXPECT_EQ(route.points[first.points.size() - 1].latitude, kUtrecht.latitude);  // passed
    EXPECT_DOUBLE_EQ(route.lengthMetres, first.lengthMetres + second.lengthMetres);
    EXPECT_DOUBLE_EQ(route.cumulativeMetres.back(), route.lengthMetres);
    EXPECT_EQ(route.averageSpeedKmh, PlannedSpeedKmh(route.lengthMetres, {}));
}

TEST(RoutePlanner, SameRequestSameRouteAndOptionsChangeIt) {
    const TRoute a = PlanRoute(kAmsterdam, kUtrecht, {});
    const TRoute b = PlanRoute(kAmsterdam, kUtrecht, {});
    ASSERT_EQ(a.points.size(), b.points.size());
    for (std::size_t i = 0; i < a.points.size(); ++i) {
        ASSERT_EQ(a.points[i].latitude, b.points[i].latitude);
    }
    const TRoute shortest = PlanRoute(kAmsterdam, kUtrecht, {true, false});
    EXPECT_LE(shortest.lengthMetres, a.lengthMetres);
    EXPECT_LT(shortest.averageSpeedKmh, a.averageSpeedKmh);
    EXPECT_LE(PlannedSpeedKmh(300000, {false, true}), 70.0);
    EXPECT_EQ(PlannedSpeedKmh(3000, {}), 30.0);
    EXPECT_EQ(PlannedSpeedKmh(300000, {}), 95.0);
}

TEST(RoutePlanner, PositionAlongInterpolatesAndClamps) {
    const TRoute route = PlanRoute(kAmsterdam, kUtrecht, {});
    const TRoutePosition start = PositionAlong(route, -5.0);
    EXPECT_EQ(start.lastPointIndex, 0u);
    EXPECT_DOUBLE_EQ(start.point.latitude, kAmsterdam.latitude);
    const TRoutePosition end = PositionAlong(route, route.lengthMetres + 100.0);
    EXPECT_EQ(end.lastPointIndex, route.points.size() - 1);
    const double halfway = route.cumulativeMetres[10] + 1.0;
    const TRoutePosition middle = PositionAlong(route, halfway);
    EXPECT_EQ(middle.lastPointIndex, 10u);
    EXPECT_NEAR(DistanceMetres(route.points[10], middle.point), 1.0, 0.01);
    // A route to the start itself: two points, no length.
    EXPECT_EQ(PlanRoute(kUtrecht, kUtrecht, {}).points.size(), 2u);
    EXPECT_EQ(PlanRoute(kUtrecht, kUtrecht, {}).lengthMetres, 0.0);
}

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
