#include "watcher/route_geometry.h"

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace oxsdk::watcher {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Metres per degree of latitude, near enough for choosing candidates.
constexpr double kMetresPerDegree = 111320.0;
// Candidates within this of the nearest (by the flat approximation, then by geodesics) are
// looked at again: parts of a route this close may be the one the vehicle is on.
constexpr double kAmbiguityMetres = 15.0;
// Between two rounds a vehicle moves less than this along its route.
constexpr double kContinuityMetres = 250.0;

const GeographicLib::Geodesic& Wgs84() {
    return GeographicLib::Geodesic::WGS84();
}

// A longitude difference in (-180, 180]: a route across the antimeridian stays one piece.
double WrapDegrees(double degrees) {
    degrees = std::remainder(degrees, 360.0);
    return degrees <= -180.0 ? degrees + 360.0 : degrees;
}

struct TFlat {
    double x;
    double y;
};

// Distance in the plane from the origin to the segment a..b.
double FlatDistance(const TFlat& a, const TFlat& b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? -(a.x * dx + a.y * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a.x + t * dx, a.y + t * dy);
}

}  // namespace

double DistanceMetres(const TPoint& from, const TPoint& to) {
    double metres = 0.0;
    Wgs84().Inverse(from.latitude, from.longitude, to.latitude, to.longitude, metres);
    return metres;
}

bool CRouteGeometry::Assign(std::vector<TPoint> points) {
    Clear();
    try {
        along_.reserve(points.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    double total = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) total += DistanceMetres(points[i - 1], points[i]);
        along_.push_back(total);
    }
    points_ = std::move(points);
    return true;
}

void CRouteGeometry::Clear() {
    std::vector<TPoint>().swap(points_);
    std::vector<double>().swap(along_);
}

TProjection CRouteGeometry::Project(const TPoint& position, double hintAlongMetres) const {
    TProjection best;
    if (points_.empty()) return best;
    if (points_.size() == 1) {
        best.crossMetres = DistanceMetres(position, points_[0]);
        return best;
    }
    // A flat approximation around the position finds the candidates cheaply.
    const double xScale = std::cos(position.latitude * kPi / 180.0) * kMetresPerDegree;
    const auto flat = [&](const TPoint& p) {
        return TFlat{WrapDegrees(p.longitude - position.longitude) * xScale,
                     (p.latitude - position.latitude) * kMetresPerDegree};
    };
    const std::size_t segments = points_.size() - 1;
    double nearest = std::numeric_limits<double>::infinity();
    TFlat a = flat(points_[0]);
    for (std::size_t i = 0; i < segments; ++i) {
        const TFlat b = flat(points_[i + 1]);
        nearest = std::min(nearest, FlatDistance(a, b));
        a = b;
    }
    // Geodesics decide among the candidates: along the segment's geodesic by the angle between
    // it and the way to the position, across as the distance to that foot point.
    const double bound = nearest * 1.01 + kAmbiguityMetres;
    std::vector<TProjection> refined;
    a = flat(points_[0]);
    for (std::size_t i = 0; i < segments; ++i) {
        const TFlat b = flat(points_[i + 1]);
        const bool candidate = FlatDistance(a, b) <= bound;
        a = b;
        if (!candidate) continue;
        const TPoint& from = points_[i];
        const TPoint& to = points_[i + 1];
        double toPosition = 0.0, azimuthToPosition = 0.0, segmentAzimuth = 0.0, unused = 0.0;
        Wgs84().Inverse(from.latitude, from.longitude, position.latitude, position.longitude,
                        toPosition, azimuthToPosition, unused);
        Wgs84().Inverse(from.latitude, from.longitude, to.latitude, to.longitude, unused,
                        segmentAzimuth, unused);
        const double segmentMetres = along_[i + 1] - along_[i];
        const double angle = (azimuthToPosition - segmentAzimuth) * kPi / 180.0;
        const double along = std::clamp(toPosition * std::cos(angle), 0.0, segmentMetres);
        TPoint foot;
        Wgs84().Direct(from.latitude, from.longitude, segmentAzimuth, along, foot.latitude,
                       foot.longitude);
        refined.push_back({along_[i] + along, DistanceMetres(foot, position), i});
    }
    // The nearest candidate, unless one about as near lies close along to the hint: then that
    // one, so that the projection stays on the part of the route the vehicle was on.
    const TProjection* nearestOverall = nullptr;
    const TProjection* nearestByHint = nullptr;
    for (const TProjection& projection : refined) {
        if (nearestOverall == nullptr || projection.crossMetres < nearestOverall->crossMetres) {
            nearestOverall = &projection;
        }
        if (std::fabs(projection.alongMetres - hintAlongMetres) <= kContinuityMetres &&
            (nearestByHint == nullptr || projection.crossMetres < nearestByHint->crossMetres)) {
            nearestByHint = &projection;
        }
    }
    if (nearestOverall != nullptr) best = *nearestOverall;
    if (nearestByHint != nullptr &&
        nearestByHint->crossMetres <= best.crossMetres + kAmbiguityMetres) {
        best = *nearestByHint;
    }
    return best;
}

}  // namespace oxsdk::watcher
