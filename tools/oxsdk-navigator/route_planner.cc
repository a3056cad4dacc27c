#include "route_planner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace oxsdk::emulator {
namespace {

// A small deterministic generator (splitmix64) seeded from the route's end points, so that
// the same request always gives the same bends.
class CBendRandom {
public:
    explicit CBendRandom(std::uint64_t seed) : state_(seed) {}
    double Next() {  // uniform in [-1, 1]
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
    }

private:
    std::uint64_t state_;
};

std::uint64_t Seed(const TGeoPoint& from, const TGeoPoint& to) {
    const auto micro = [](double degrees) {
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(std::llround(degrees * 1e6)));
    };
    std::uint64_t seed = 1469598103934665603ull;
    for (std::uint64_t value :
         {micro(from.latitude), micro(from.longitude), micro(to.latitude), micro(to.longitude)}) {
        seed = (seed ^ value) * 1099511628211ull;
    }
    return seed;
}

}  // namespace

double PlannedSpeedKmh(double lengthMetres, const TRouteOptions& options) {
    double speed = lengthMetres <= 5000.0    ? 30.0
                   : lengthMetres <= 20000.0 ? 50.0
                   : lengthMetres <= 80000.0 ? 75.0
                                             : 95.0;
    if (options.shortest) speed *= 0.9;
    if (options.avoidHighways) speed = std::min(speed, 70.0);
    return speed;
}

TRoute PlanRoute(const TGeoPoint& from, const TGeoPoint& to, const TRouteOptions& options,
                 std::size_t maxPoints) {
    const double straight = DistanceMetres(from, to);
    const std::size_t segments = std::clamp<std::size_t>(
        static_cast<std::size_t>(std::ceil(straight * 1.15 / kRoutePointSpacingMetres)), 1,
        std::max<std::size_t>(maxPoints, 2) - 1);

    // Lateral offset: a few long bends whose size grows with the distance, and two gentle
    // wiggles of about one swing per 6 km and per 2 km, together some 4 to 12 % longer than
    // the straight line (the shortest route 1 to 3 %); every term is zero at both ends.
    CBendRandom random(Seed(from, to));
    const double scale = options.shortest ? 0.5 : 1.0;
    const double amplitudes[] = {0.08, 0.04, 0.02, 0.01};
    double bend[4];
    for (int k = 0; k < 4; ++k) bend[k] = random.Next() * amplitudes[k] * scale * straight;
    const double maxBend = std::min(0.1 * straight, 40000.0);
    struct TWiggle {
        double count;      // half swings over the whole route
        double amplitude;  // metres
    };
    const TWiggle wiggles[] = {
        {std::round(straight / 6000.0),
         std::min(1200.0, 0.05 * straight) * scale * (0.75 + 0.25 * random.Next())},
        {std::round(straight / 2000.0),
         std::min(200.0, 0.03 * straight) * scale * (0.75 + 0.25 * random.Next())}};

    TRoute route;
    route.points.reserve(segments + 1);
    for (std::size_t i = 0; i <= segments; ++i) {
        if (i == 0) {
            route.points.push_back(from);
            continue;
        }
        if (i == segments) {
            route.points.push_back(to);
            continue;
        }
        const double t = static_cast<double>(i) / static_cast<double>(segments);
        double offset = 0.0;
        for (int k = 0; k < 4; ++k) offset += bend[k] * std::sin((k + 1) * kPi * t);
        offset = std::clamp(offset, -maxBend, maxBend);
        for (const TWiggle& wiggle : wiggles) {
            offset += wiggle.amplitude * std::sin(wiggle.count * kPi * t);
        }
        const TGeoPoint onCircle = Interpolate(from, to, t);
        const double bearing = BearingDegrees(onCircle, to);
        route.points.push_back(Destination(onCircle, bearing + 90.0, offset));
    }

    route.cumulativeMetres.reserve(route.points.size());
    double total = 0.0;
    route.cumulativeMetres.push_back(0.0);
    for (std::size_t i = 1; i < route.points.size(); ++i) {
        total += DistanceMetres(route.points[i - 1], route.points[i]);
        route.cumulativeMetres.push_back(total);
    }
    route.lengthMetres = total;
    route.averageSpeedKmh = PlannedSpeedKmh(total, options);
    route.plannedSeconds = total / (route.averageSpeedKmh / 3.6);
    return route;
}

TRoute PlanRouteThrough(const std::vector<TGeoPoint>& stops, const TRouteOptions& options) {
    double straight = 0.0;
    for (std::size_t i = 1; i < stops.size(); ++i)
        straight += DistanceMetres(stops[i - 1], stops[i]);
    // The points a leg may have: its share of kMaxRoutePoints by straight distance.
    const auto legPoints = [&](std::size_t to) {
        const double share =
            straight > 0.0 ? DistanceMetres(stops[to - 1], stops[to]) / straight : 1.0;
        return static_cast<std::size_t>(share * static_cast<double>(kMaxRoutePoints - 1)) + 1;
    };
    TRoute route = PlanRoute(stops.at(0), stops.at(1), options, legPoints(1));
    for (std::size_t i = 2; i < stops.size(); ++i) {
        const TRoute leg = PlanRoute(stops[i - 1], stops[i], options, legPoints(i));
        // The leg's first point is the previous leg's last.
        for (std::size_t j = 1; j < leg.points.size(); ++j) {
            route.points.push_back(leg.points[j]);
            route.cumulativeMetres.push_back(route.lengthMetres + leg.cumulativeMetres[j]);
        }
        route.lengthMetres += leg.lengthMetres;
    }
    route.averageSpeedKmh = PlannedSpeedKmh(route.lengthMetres, options);
    route.plannedSeconds = route.lengthMetres / (route.averageSpeedKmh / 3.6);
    return route;
}

TRoutePosition PositionAlong(const TRoute& route, double metres) {
    TRoutePosition position;
    const std::size_t count = route.points.size();
    if (count == 0) return position;
    if (count == 1 || metres <= 0.0) {
        position.point = route.points.front();
        position.headingDegrees = count > 1 ? BearingDegrees(route.points[0], route.points[1]) : 0;
        return position;
    }
    if (metres >= route.lengthMetres) {
        position.point = route.points.back();
        position.headingDegrees = BearingDegrees(route.points[count - 2], route.points[count - 1]);
        position.lastPointIndex = count - 1;
        return position;
    }
    // Last point whose cumulative distance is <= metres.
    const auto next =
        std::upper_bound(route.cumulativeMetres.begin(), route.cumulativeMetres.end(), metres);
    const std::size_t index = static_cast<std::size_t>(next - route.cumulativeMetres.begin()) - 1;
    const double segment = route.cumulativeMetres[index + 1] - route.cumulativeMetres[index];
    const double fraction = segment > 0 ? (metres - route.cumulativeMetres[index]) / segment : 0;
    position.point = Interpolate(route.points[index], route.points[index + 1], fraction);
    position.headingDegrees = BearingDegrees(route.points[index], route.points[index + 1]);
    position.lastPointIndex = index;
    return position;
}

}  // namespace oxsdk::emulator
