// Distances and bearings against known values; routes that start and end where asked, bend
// only gently, carry a point every 100-200 m and are the same every time, also through far-apart
// stops no more points than one long route; positions along them.
#include "route_planner.h"

#include <gtest/gtest.h>

#include <cmath>

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
        // The same request gives the same route; the shortest is no longer.
        EXPECT_EQ(PlanRoute(from, to, {}).points[route.points.size() / 2].latitude,
                  route.points[route.points.size() / 2].latitude);
        EXPECT_LE(PlanRoute(from, to, {true, false}).lengthMetres, route.lengthMetres);
    }
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

TEST(RoutePlanner, ARouteThroughFarApartStopsHasNoMorePointsThanOneLongRoute) {
    std::vector<TGeoPoint> stops;
    for (int i = 0; i < 40; ++i) {
        stops.push_back(i % 2 ? TGeoPoint{-33.87, 151.21} : TGeoPoint{52.37, 4.90});
    }
    const TRoute route = PlanRouteThrough(stops, {});
    EXPECT_LE(route.points.size(), kMaxRoutePoints + stops.size());
    EXPECT_EQ(route.points.size(), route.cumulativeMetres.size());
    EXPECT_NEAR(route.lengthMetres, route.cumulativeMetres.back(), 1.0);
    EXPECT_GT(route.lengthMetres, 39 * 16.0e6);  // each leg at least the great circle
}

}  // namespace
}  // namespace oxsdk::emulator
