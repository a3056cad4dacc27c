#include "navigator_model.h"

#include <algorithm>
#include <cmath>

namespace oxsdk::emulator {
namespace {

// ChangeSetting codes: the group a code sets, and the value it gives that group.
struct TSettingCode {
    const char* group;
    const char* value;
};
constexpr TSettingCode kSettingCodes[] = {{"sound", "on"},
                                          {"sound", "off"},
                                          {"colors", "day"},
                                          {"colors", "night"},
                                          {"colors", "auto"},
                                          {"map", "2D"},
                                          {"map", "3D"},
                                          {"route", "fastest"},
                                          {"route", "shortest"},
                                          {"avoid toll", "on"},
                                          {"avoid toll", "off"},
                                          {"avoid highways", "on"},
                                          {"avoid highways", "off"},
                                          {"units", "metric"},
                                          {"units", "imperial"},
                                          {"auto zoom", "on"},
                                          {"auto zoom", "off"}};

// SetNavigatorProperty codes 1 to 6: range and value at start.
struct TPropertyRange {
    long minimum;
    long maximum;
    long initial;
};
constexpr TPropertyRange kPropertyRanges[] = {
    {0, 100, 60},         // volume, percent
    {50, 5000000, 2000},  // zoom level, metres per screen width
    {0, 359, 0},          // map rotation, degrees
    {0, 100, 80},         // backlight, percent
    {0, 300, 0},          // speed warning, km/h (0 off)
    {0, 1000, 0}};        // simulation speed, km/h (0: the route's planned speed)

constexpr int kSimulationSpeedProperty = 6;
constexpr int kZoomLevelProperty = 2;

}  // namespace

CNavigatorModel::CNavigatorModel(const TGeoPoint& start) : position_(start), mapCentre_(start) {
    for (const int code : {1, 3, 6, 8, 11, 13, 14, 16}) ApplySetting(code);
    for (int property = 1; property <= 6; ++property) {
        properties_[property] = kPropertyRanges[property - 1].initial;
    }
}

double CNavigatorModel::speedKmh() const {
    if (fixed_) return fixSpeedKmh_;
    return trip_ && !trip_->arrived ? TravelSpeedKmh() : 0.0;
}

void CNavigatorModel::SetPosition(const TGeoPoint& point) {
    trip_.reset();
    position_ = point;
}

void CNavigatorModel::SetFix(const TGeoPoint& point, double headingDegrees, double speedKmh) {
    fixed_ = true;
    position_ = point;
    heading_ = headingDegrees;
    fixSpeedKmh_ = speedKmh;
}

const TTrip& CNavigatorModel::NavigateTo(const TGeoPoint& destination, const std::string& name,
                                         const std::vector<TGeoPoint>& via) {
    TTrip trip;
    std::vector<TGeoPoint> stops{position_};
    stops.insert(stops.end(), via.begin(), via.end());
    stops.push_back(destination);
    trip.route = PlanRouteThrough(stops, routeOptions());
    trip.destinationName = name;
    trip.routeNumber = ++routesPlanned_;
    trip.arrived = trip.route.lengthMetres <= 0.0;
    heading_ = PositionAlong(trip.route, 0.0).headingDegrees;
    trip_ = std::move(trip);
    return *trip_;
}

bool CNavigatorModel::ClearRoute() {
    const bool had = trip_.has_value();
    trip_.reset();
    return had;
}

double CNavigatorModel::TravelSpeedKmh() const {
    const long simulationSpeed = property(kSimulationSpeedProperty);
    if (simulationSpeed > 0) return static_cast<double>(simulationSpeed);
    return trip_ ? trip_->route.averageSpeedKmh : 0.0;
}

double CNavigatorModel::RemainingSeconds() const {
    if (!trip_ || trip_->arrived) return 0.0;
    const double speed = TravelSpeedKmh();
    if (speed <= 0.0) return 0.0;
    return (trip_->route.lengthMetres - trip_->travelledMetres) / (speed / 3.6);
}

void CNavigatorModel::Advance(double simulatedSeconds) {
    if (fixed_ || !trip_ || trip_->arrived || simulatedSeconds <= 0.0) return;
    trip_->elapsedSeconds += simulatedSeconds;
    trip_->travelledMetres =
        std::min(trip_->route.lengthMetres,
                 trip_->travelledMetres + TravelSpeedKmh() / 3.6 * simulatedSeconds);
    const TRoutePosition along = PositionAlong(trip_->route, trip_->travelledMetres);
    position_ = along.point;
    heading_ = along.headingDegrees;
    const double intoDetour = trip_->travelledMetres - detour_.afterMetres;
    detourMetres_ = 0.0;
    if (detour_.lengthMetres > 0.0 && intoDetour > 0.0 && intoDetour < detour_.lengthMetres) {
        const double offset =
            detour_.offsetMetres * std::sin(kPi * intoDetour / detour_.lengthMetres);
        position_ = Destination(along.point, heading_ + 90.0, offset);
        detourMetres_ = std::fabs(offset);
    }
    if (trip_->travelledMetres >= trip_->route.lengthMetres) trip_->arrived = true;
}

EChange CNavigatorModel::ApplySetting(int code) {
    if (code < 1 || code > static_cast<int>(std::size(kSettingCodes))) return EChange::kOutOfRange;
    const TSettingCode& setting = kSettingCodes[code - 1];
    settings_[setting.group] = setting.value;
    return EChange::kDone;
}

TRouteOptions CNavigatorModel::routeOptions() const {
    TRouteOptions options;
    options.shortest = settings_.at("route") == "shortest";
    options.avoidHighways = settings_.at("avoid highways") == "on";
    return options;
}

EChange CNavigatorModel::SetProperty(int property, long value) {
    if (property < 1 || property > static_cast<int>(std::size(kPropertyRanges))) {
        return EChange::kOutOfRange;
    }
    const TPropertyRange& range = kPropertyRanges[property - 1];
    if (value < range.minimum || value > range.maximum) return EChange::kOutOfRange;
    properties_[property] = value;
    return EChange::kDone;
}

long CNavigatorModel::property(int property) const {
    const auto found = properties_.find(property);
    return found != properties_.end() ? found->second : 0;
}

void CNavigatorModel::ShowOnMap(const TGeoPoint& centre, long widthMetres) {
    mapCentre_ = centre;
    if (widthMetres > 0) {
        properties_[kZoomLevelProperty] =
            std::clamp(widthMetres, kPropertyRanges[1].minimum, kPropertyRanges[1].maximum);
    }
    view_ = EView::kMap;
}

bool CNavigatorModel::poiTypeVisible(int type) const {
    const auto found = poiTypeVisible_.find(type);
    return found == poiTypeVisible_.end() || found->second;
}

}  // namespace oxsdk::emulator
