#include "geo.h"

#include <algorithm>
#include <cmath>

namespace oxsdk::emulator {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees) {
    return degrees * kPi / 180.0;
}
double Degrees(double radians) {
    return radians * 180.0 / kPi;
}

double NormalizeLongitude(double degrees) {
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

}  // namespace oxsdk::emulator
