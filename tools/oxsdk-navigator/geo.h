// Geometry on the earth's surface for the navigator emulator: points in degrees and in the
// microdegrees that travel on the wire, distance, bearing, interpolation and offsets along
// geodesics. Built with GeographicLib they are geodesics of the WGS 84 ellipsoid; without it
// great circles of a sphere of the mean earth radius, within 0.5 % of them.
// Used by the gazetteer, the route planner, the trip simulation and the track replay.
#pragma once

#include <cstdint>

namespace oxsdk::emulator {

inline constexpr double kPi = 3.14159265358979323846;

/// A point: latitude (north positive) and longitude (east positive), in degrees.
struct TGeoPoint {
    double latitude = 0.0;
    double longitude = 0.0;
};

/// Degrees to wire microdegrees, rounded to the nearest.
std::int32_t ToMicrodegrees(double degrees);
/// Wire microdegrees to degrees.
double FromMicrodegrees(std::int64_t microdegrees);
/// The point of two wire coordinates (coordinate1 latitude, coordinate2 longitude).
TGeoPoint PointFromMicrodegrees(std::int64_t latitude, std::int64_t longitude);
/// True when latitude lies in [-90, 90] and longitude in [-180, 180] degrees.
bool IsValidPoint(const TGeoPoint& point);

/// Geodesic distance in metres.
double DistanceMetres(const TGeoPoint& from, const TGeoPoint& to);
/// Initial bearing from `from` towards `to`, degrees in [0, 360), 0 north, 90 east.
double BearingDegrees(const TGeoPoint& from, const TGeoPoint& to);
/// The point at `fraction` (0..1) of the geodesic from `from` to `to`.
TGeoPoint Interpolate(const TGeoPoint& from, const TGeoPoint& to, double fraction);
/// The point reached from `from` after `metres` along the initial bearing `bearingDegrees`.
TGeoPoint Destination(const TGeoPoint& from, double bearingDegrees, double metres);
/// True when the geometry is that of the WGS 84 ellipsoid, false on a sphere.
bool EllipsoidalGeodesics();

}  // namespace oxsdk::emulator
