#include "geo.h"

#include <algorithm>
#include <cmath>

#if OXSDK_NAVIGATOR_HAVE_GEOGRAPHICLIB
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>
#endif

namespace oxsdk::emulator {
namespace {

// Mean earth radius in metres, of the sphere used without GeographicLib.
[[maybe_unused]] constexpr double kEarthRadiusMetres = 6371008.8;

[[maybe_unused]] double Radians(double degrees) {
    return degrees * kPi / 180.0;
}
[[maybe_unused]] double Degrees(double radians) {
    return radians * 180.0 / kPi;
}

[[maybe_unused]] double NormalizeLongitude(double degrees) {
    while (degrees > 180.0) degrees -= 360.0;
    while (degrees < -180.0) degrees += 360.0;
    return degrees;
}

}  // namespace

std::int32_t ToMicrodegrees(double degrees) {
    return static_cast<std::int32_t>(std::lround(degrees * 1e6));
}

double FromMicrodegrees(std::int64_t microdegrees) {
    return static_cast<double>(microdegrees) / 1e6;
}

TGeoPoint PointFromMicrodegrees(std::int64_t latitude, std::int64_t longitude) {
    return TGeoPoint{FromMicrodegrees(latitude), FromMicrodegrees(longitude)};
}

bool IsValidPoint(const TGeoPoint& point) {
    return point.latitude >= -90.0 && point.latitude <= 90.0 && point.longitude >= -180.0 &&
           point.longitude <= 180.0;
}

#if OXSDK_NAVIGATOR_HAVE_GEOGRAPHICLIB

namespace {

const GeographicLib::Geodesic& Wgs84() {
    return GeographicLib::Geodesic::WGS84();
}

// An azimuth of GeographicLib (-180, 180] as a bearing in [0, 360).
double Bearing(double azimuth) {
    const double bearing = std::fmod(azimuth + 360.0, 360.0);
    return bearing >= 360.0 ? 0.0 : bearing;
}

}  // namespace

bool EllipsoidalGeodesics() {
    return true;
}

double DistanceMetres(const TGeoPoint& from, const TGeoPoint& to) {
    double metres = 0.0;
    Wgs84().Inverse(from.latitude, from.longitude, to.latitude, to.longitude, metres);
    return metres;
}

double BearingDegrees(const TGeoPoint& from, const TGeoPoint& to) {
    double azimuth1 = 0.0, azimuth2 = 0.0;
    Wgs84().Inverse(from.latitude, from.longitude, to.latitude, to.longitude, azimuth1, azimuth2);
    return Bearing(azimuth1);
}

TGeoPoint Interpolate(const TGeoPoint& from, const TGeoPoint& to, double fraction) {
    const GeographicLib::GeodesicLine line =
        Wgs84().InverseLine(from.latitude, from.longitude, to.latitude, to.longitude);
    if (line.Distance() < 1e-6) return from;
    TGeoPoint point;
    line.Position(fraction * line.Distance(), point.latitude, point.longitude);
    return point;
}

TGeoPoint Destination(const TGeoPoint& from, double bearingDegrees, double metres) {
    TGeoPoint point;
    Wgs84().Direct(from.latitude, from.longitude, bearingDegrees, metres, point.latitude,
                   point.longitude);
    return point;
}

#else

bool EllipsoidalGeodesics() {
    return false;
}

double DistanceMetres(const TGeoPoint& from, const TGeoPoint& to) {
    const double lat1 = Radians(from.latitude);
    const double lat2 = Radians(to.latitude);
    const double dLat = lat2 - lat1;
    const double dLon = Radians(to.longitude - from.longitude);
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1) * std::cos(lat2) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * kEarthRadiusMetres * std::atan2(std::sqrt(a), std::sqrt(std::max(0.0, 1.0 - a)));
}

double BearingDegrees(const TGeoPoint& from, const TGeoPoint& to) {
    const double lat1 = Radians(from.latitude);
    const double lat2 = Radians(to.latitude);
    const double dLon = Radians(to.longitude - from.longitude);
    const double y = std::sin(dLon) * std::cos(lat2);
    const double x =
        std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon);
    const double bearing = std::fmod(Degrees(std::atan2(y, x)) + 360.0, 360.0);
    return bearing >= 360.0 ? 0.0 : bearing;
}

TGeoPoint Interpolate(const TGeoPoint& from, const TGeoPoint& to, double fraction) {
    const double delta = DistanceMetres(from, to) / kEarthRadiusMetres;
    if (delta < 1e-12) return from;
    const double a = std::sin((1.0 - fraction) * delta) / std::sin(delta);
    const double b = std::sin(fraction * delta) / std::sin(delta);
    const double lat1 = Radians(from.latitude), lon1 = Radians(from.longitude);
    const double lat2 = Radians(to.latitude), lon2 = Radians(to.longitude);
    const double x = a * std::cos(lat1) * std::cos(lon1) + b * std::cos(lat2) * std::cos(lon2);
    const double y = a * std::cos(lat1) * std::sin(lon1) + b * std::cos(lat2) * std::sin(lon2);
    const double z = a * std::sin(lat1) + b * std::sin(lat2);
    return TGeoPoint{Degrees(std::atan2(z, std::sqrt(x * x + y * y))), Degrees(std::atan2(y, x))};
}

TGeoPoint Destination(const TGeoPoint& from, double bearingDegrees, double metres) {
    const double angular = metres / kEarthRadiusMetres;
    const double bearing = Radians(bearingDegrees);
    const double lat1 = Radians(from.latitude);
    const double lon1 = Radians(from.longitude);
    const double lat2 = std::asin(std::sin(lat1) * std::cos(angular) +
                                  std::cos(lat1) * std::sin(angular) * std::cos(bearing));
    const double lon2 = lon1 + std::atan2(std::sin(bearing) * std::sin(angular) * std::cos(lat1),
                                          std::cos(angular) - std::sin(lat1) * std::sin(lat2));
    return TGeoPoint{Degrees(lat2), NormalizeLongitude(Degrees(lon2))};
}

#endif

}  // namespace oxsdk::emulator
