// Route planning for the navigator emulator: a plausible road-like polyline from one point to
// another (the great circle between them with gentle, deterministic bends), its length and the
// planned travel time. The trip simulation moves the position along the polyline.
#pragma once

#include <cstddef>
#include <vector>

#include "geo.h"

namespace oxsdk::emulator {

/// Preferences that shape a route (from ChangeSetting).
struct TRouteOptions {
    bool shortest = false;       ///< shortest instead of fastest: fewer bends, lower speed
    bool avoidHighways = false;  ///< planned speed at most 70 km/h
};

/// Spacing of the polyline's points, in metres of road.
constexpr double kRoutePointSpacingMetres = 150.0;
/// Most points a route has; longer routes get a wider spacing.
constexpr std::size_t kMaxRoutePoints = 20000;

struct TRoute {
    std::vector<TGeoPoint> points;         ///< first: the start, last: the destination
    std::vector<double> cumulativeMetres;  ///< road distance from the start to each point
    double lengthMetres = 0.0;             ///< total road length
    double averageSpeedKmh = 0.0;          ///< planned average speed
    double plannedSeconds = 0.0;           ///< planned travel time
    TGeoPoint destination() const { return points.back(); }
};

/// Plans a route from `from` to `to` of at most `maxPoints` points (at least 2). Always at
/// least two points; the same input gives the same route.
TRoute PlanRoute(const TGeoPoint& from, const TGeoPoint& to, const TRouteOptions& options,
                 std::size_t maxPoints = kMaxRoutePoints);

/// Plans a route through `stops` in order (at least two): the routes between each stop and
/// the next, joined. Its planned speed is that of its whole length. The legs share
/// kMaxRoutePoints in proportion to their length (each has at least one segment), so that
/// many far-apart stops cost no more than one long route.
TRoute PlanRouteThrough(const std::vector<TGeoPoint>& stops, const TRouteOptions& options);

/// Planned average speed in km/h for a route of `lengthMetres`: 30 (up to 5 km), 50 (20 km),
/// 75 (80 km), else 95; 90 % of that for the shortest route; at most 70 when avoiding highways.
double PlannedSpeedKmh(double lengthMetres, const TRouteOptions& options);

/// Where a vehicle stands after `metres` along `route` (clamped to the route): the point, the
/// heading of the segment it is on (degrees) and the index of the last point passed.
struct TRoutePosition {
    TGeoPoint point;
    double headingDegrees = 0.0;
    std::size_t lastPointIndex = 0;
};
TRoutePosition PositionAlong(const TRoute& route, double metres);

}  // namespace oxsdk::emulator
