// The watcher's projection of a position onto a route: one table of the cases where a
// projection goes wrong (ends of the route, a U-turn, the antimeridian, a route of one point).
#include <gtest/gtest.h>

#include "watcher/route_geometry.h"

namespace oxsdk::watcher {
namespace {

TEST(RouteGeometry, ProjectsOntoThePolyline) {
    // Along the equator 0.01 degree of longitude is 1113.2 m; along a meridian there 0.01 degree
    // of latitude is 1105.7 m, at 10 degrees north 0.001 degree is 110.6 m.
    const std::vector<TPoint> straight = {{0, 0}, {0, 0.01}, {0, 0.02}};
    const std::vector<TPoint> uTurn = {{0, 0}, {0.01, 0}, {0, 0.0001}};
    const std::vector<TPoint> antimeridian = {{0, 179.995}, {0, -179.995}};
    const std::vector<TPoint> onePoint = {{10, 10}};
    const struct {
        const char* name;
        const std::vector<TPoint>& route;
        TPoint position;
        double hint, along, cross, tolerance;
    } cases[] = {
        {"before the first point", straight, {0, -0.001}, 0, 0, 111.3, 0.5},
        {"past the last point", straight, {0, 0.021}, 0, 2226.4, 111.3, 0.5},
        {"beside the second segment", straight, {0.0005, 0.015}, 0, 1669.8, 55.3, 0.5},
        {"U-turn, going out", uTurn, {0.003, 0.00005}, 200, 331.7, 5.6, 1},
        {"U-turn, coming back", uTurn, {0.003, 0.00005}, 1900, 1879.7, 2.2, 1},
        {"across the antimeridian", antimeridian, {0.0001, 180.0}, 0, 556.6, 11.1, 0.5},
        {"one-point route", onePoint, {10.001, 10}, 0, 0, 110.6, 0.5},
    };
    for (const auto& test : cases) {
        CRouteGeometry geometry;
        ASSERT_TRUE(geometry.Assign(test.route));
        const TProjection projection = geometry.Project(test.position, test.hint);
        EXPECT_NEAR(projection.alongMetres, test.along, test.tolerance) << test.name;
        EXPECT_NEAR(projection.crossMetres, test.cross, test.tolerance) << test.name;
    }
}

}  // namespace
}  // namespace oxsdk::watcher
