// Queries (version, position, location, route, geocoding, map data, device) and the GPS
// switches and stop: the commands whose replies carry values.
#include <algorithm>
#include <cmath>

#include "commands.h"
#include "text_folding.h"

namespace oxsdk::emulator {
namespace {

namespace catalogue = OXSDK5Link::commands;

constexpr int kDataSetRelease = 20261101;  // yyyymmdd of the gazetteer's release
constexpr int kPositionFromSimulation = 1;
constexpr int kPositionFromExternalGps = 2;
constexpr int kPositionFromReplay = 3;
constexpr int kRouteUnderWay = 1;
constexpr int kRouteArrived = 2;

TReply GetApplicationVersion(CEmulatedNavigator& navigator, const TArguments&) {
    const TNavigatorEnvironment& environment = navigator.environment();
    return Done(
        {environment.applicationVersion, std::to_string(environment.applicationVersionNumber)});
}

TReply GetCurrentPosition(CEmulatedNavigator& navigator, const TArguments&) {
    const CNavigatorModel& model = navigator.model();
    return Done({Micro(model.position().latitude), Micro(model.position().longitude),
                 std::to_string(std::lround(model.headingDegrees()) % 360),
                 Integer(model.speedKmh()),
                 std::to_string(model.externalGpsInput() ? kPositionFromExternalGps
                                : navigator.replaying()  ? kPositionFromReplay
                                                         : kPositionFromSimulation)});
}

// The values that GetLocationInfo and GetLocationInfoEx share; false for an invalid point.
bool LocationFields(CEmulatedNavigator& navigator, const TArguments& a,
                    std::vector<std::string>* fields, const TPlace** nearest) {
    TGeoPoint point;
    if (!ParsePoint(a[0], a[1], &point)) return false;
    *nearest = navigator.gazetteer().Nearest(point);
    if (*nearest == nullptr) return false;
    const TPlace& place = **nearest;
    const TGeoPoint& here = navigator.model().position();
    *fields = {Micro(place.point.latitude),
               Micro(place.point.longitude),
               Integer(DistanceMetres(point, place.point)),
               place.name + ", " + place.region + ", " + CountryName(place.country),
               Integer(DistanceMetres(here, point)),
               std::to_string(std::lround(BearingDegrees(here, point)) % 360)};
    return true;
}

TReply GetLocationInfo(CEmulatedNavigator& navigator, const TArguments& a) {
    std::vector<std::string> fields;
    const TPlace* place = nullptr;
    if (!LocationFields(navigator, a, &fields, &place)) return Fail(kInvalidArgument);
    return Done(std::move(fields));
}

TReply GetLocationInfoEx(CEmulatedNavigator& navigator, const TArguments& a) {
    std::vector<std::string> fields;
    const TPlace* place = nullptr;
    if (!LocationFields(navigator, a, &fields, &place)) return Fail(kInvalidArgument);
    fields.push_back(place->postalCode + " " + place->name + ", " + place->country);
    return Done(std::move(fields));
}

TReply GetRouteInfo(CEmulatedNavigator& navigator, const TArguments&) {
    const CNavigatorModel& model = navigator.model();
    if (!model.trip()) return Fail(kNoRoute);
    const TTrip& trip = *model.trip();
    const long long length = std::llround(trip.route.lengthMetres);
    const long long travelled = std::min(length, std::llround(trip.travelledMetres));
    const TRoutePosition along = PositionAlong(trip.route, trip.travelledMetres);
    return Done({std::to_string(length), Integer(trip.route.plannedSeconds),
                 std::to_string(length - travelled), Integer(model.RemainingSeconds()),
                 std::to_string(travelled), Integer(trip.elapsedSeconds),
                 Micro(trip.route.destination().latitude),
                 Micro(trip.route.destination().longitude),
                 std::to_string(trip.route.points.size()), std::to_string(along.lastPointIndex),
                 Integer(model.TravelSpeedKmh()),
                 std::to_string(trip.arrived ? kRouteArrived : kRouteUnderWay),
                 std::to_string(trip.routeNumber)});
}

TReply GetRouteCoordinates(CEmulatedNavigator& navigator, const TArguments&) {
    const CNavigatorModel& model = navigator.model();
    if (!model.trip()) return Fail(kNoRoute);
    const std::vector<TGeoPoint>& points = model.trip()->route.points;
    std::vector<std::string> fields;
    fields.reserve(1 + 2 * points.size());
    fields.push_back(std::to_string(points.size()));
    for (const TGeoPoint& point : points) {
        fields.push_back(Micro(point.latitude));
        fields.push_back(Micro(point.longitude));
    }
    return Done(std::move(fields));
}

TReply GeocodeReply(const std::optional<TGeocodeMatch>& match) {
    if (!match) return Fail(kUnknownPlace);
    return Done({Micro(match->point.latitude), Micro(match->point.longitude),
                 std::to_string(match->accuracyMetres), match->addressLine, match->areaLine});
}

TReply Geocode(CEmulatedNavigator& navigator, const TArguments& a) {
    std::string street, number;
    CGeocoder::SplitStreet(a[0], &street, &number);
    return GeocodeReply(navigator.geocoder().Address(street, number, a[1], a[2]));
}

TReply GeocodeExtended(CEmulatedNavigator& navigator, const TArguments& a) {
    return GeocodeReply(navigator.geocoder().Address(a[0], a[1], a[2], a[3]));
}

TReply GeocodeByPostalCode(CEmulatedNavigator& navigator, const TArguments& a) {
    return GeocodeReply(navigator.geocoder().PostalCode(a[0], a[1], a[2]));
}

TReply GetDataSetInfo(CEmulatedNavigator& navigator, const TArguments&) {
    std::vector<std::string> countries;
    for (const TPlace& place : navigator.gazetteer().places()) {
        if (std::find(countries.begin(), countries.end(), place.country) == countries.end()) {
            countries.push_back(place.country);
        }
    }
    std::string list;
    for (const std::string& country : countries) list += (list.empty() ? "" : " ") + country;
    return Done({navigator.model().mapName(), "OXSDK emulator gazetteer (" + list + ")",
                 std::to_string(navigator.gazetteer().size()), std::to_string(kDataSetRelease)});
}

TReply GetUniqueDeviceId(CEmulatedNavigator& navigator, const TArguments&) {
    return Done(
        {navigator.environment().deviceId, std::to_string(navigator.environment().deviceType)});
}

TReply EnableExternalGPSInput(CEmulatedNavigator& navigator, const TArguments&) {
    const bool before = navigator.model().externalGpsInput();
    navigator.model().SetExternalGpsInput(true);
    navigator.log().Info("external GPS input on");
    return Done({before ? "1" : "0"});
}

TReply DisableExternalGPSInput(CEmulatedNavigator& navigator, const TArguments&) {
    navigator.model().SetExternalGpsInput(false);
    navigator.log().Info("external GPS input off");
    return Done();
}

TReply EnableRawGPSOutput(CEmulatedNavigator& navigator, const TArguments& a) {
    if (a[0].empty()) return Fail(kInvalidArgument);
    if (!navigator.StartNmeaOutput(a[0])) {
        navigator.log().Info("raw GPS output to " + a[0] + " cannot be opened");
        return Fail(kOutputFileFailure);
    }
    navigator.log().Info("raw GPS output to " + a[0]);
    return Done();
}

TReply DisableRawGPSOutput(CEmulatedNavigator& navigator, const TArguments&) {
    if (navigator.nmea().isOpen()) navigator.log().Info("raw GPS output off");
    navigator.nmea().Close();
    return Done();
}

TReply StopApplication(CEmulatedNavigator& navigator, const TArguments&) {
    navigator.log().Info("stop requested");
    navigator.RequestStop();
    return Done();
}

}  // namespace

std::vector<TCommandEntry> QueryCommands() {
    return {{&catalogue::GetApplicationVersion, GetApplicationVersion},
            {&catalogue::GetCurrentPosition, GetCurrentPosition},
            {&catalogue::GetLocationInfo, GetLocationInfo},
            {&catalogue::GetLocationInfoEx, GetLocationInfoEx},
            {&catalogue::GetRouteInfo, GetRouteInfo},
            {&catalogue::GetRouteCoordinates, GetRouteCoordinates},
            {&catalogue::Geocode, Geocode},
            {&catalogue::GeocodeExtended, GeocodeExtended},
            {&catalogue::GeocodeByPostalCode, GeocodeByPostalCode},
            {&catalogue::GetDataSetInfo, GetDataSetInfo},
            {&catalogue::GetUniqueDeviceId, GetUniqueDeviceId},
            {&catalogue::EnableExternalGPSInput, EnableExternalGPSInput},
            {&catalogue::DisableExternalGPSInput, DisableExternalGPSInput},
            {&catalogue::EnableRawGPSOutput, EnableRawGPSOutput},
            {&catalogue::DisableRawGPSOutput, DisableRawGPSOutput},
            {&catalogue::StopApplication, StopApplication}};
}

}  // namespace oxsdk::emulator
