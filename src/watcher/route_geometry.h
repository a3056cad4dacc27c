// The watcher's geometry: a route's polyline on the WGS 84 ellipsoid and the projection of a
// position onto it (distance along the route to the nearest point of the polyline, and distance
// from the polyline). Degrees in, metres out.
#pragma once

#include <cstddef>
#include <vector>

namespace oxsdk::watcher {

/// A point in degrees: latitude north positive, longitude east positive.
struct TPoint {
    double latitude = 0.0;
    double longitude = 0.0;
};

/// Where a position lies relative to a route.
struct TProjection {
    double alongMetres = 0.0;  ///< along the route from its first point to the nearest point
    double crossMetres = 0.0;  ///< from the position to that nearest point
    std::size_t segment = 0;   ///< index of the segment (its first point) that holds it
};

/// Geodesic distance in metres.
double DistanceMetres(const TPoint& from, const TPoint& to);

class CRouteGeometry {
public:
    /// Takes the route's points, in order; computes the segments' lengths. False (and an empty
    /// route) when memory for them cannot be had.
    bool Assign(std::vector<TPoint> points);
    void Clear();
    bool empty() const { return points_.empty(); }
    std::size_t size() const { return points_.size(); }
    double lengthMetres() const { return along_.empty() ? 0.0 : along_.back(); }
    const TPoint& last() const { return points_.back(); }

    /// The nearest point of the polyline to `position`. Where parts of the route come within a
    /// few metres of each other (a U-turn, a loop), the candidate nearest along the route to
    /// `hintAlongMetres` (the previous projection) wins, so the projection does not jump back.
    /// Before the first point it is the first point; past the last, the last. A route of one
    /// point is that point. An empty route gives a default TProjection.
    TProjection Project(const TPoint& position, double hintAlongMetres) const;

private:
    std::vector<TPoint> points_;
    std::vector<double> along_;  // distance along the route to each point
};

}  // namespace oxsdk::watcher
