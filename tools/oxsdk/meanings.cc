// The meanings table. Protocol meanings: the version record and the library's own error codes.
// Everything marked `kEmulator` is how oxsdk-navigator fills its replies.
#include "meanings.h"

#include <cstdio>
#include <cstring>

#include "OXSDK5Link/OstrelAPI.h"
#include "result_codes.h"

namespace oxsdk::cli {

const char* const kMicrodegrees = "microdegrees";

namespace {

constexpr bool kEmulator = true;
constexpr bool kProtocol = false;
const char* const kMetres = "m";
const char* const kSeconds = "s";
const char* const kAngle = "degrees";
const char* const kSpeed = "km/h";

std::vector<TMeaning> LocationMeanings(const char* record) {
    return {{record, "value1", "latitude of the nearest place", kMicrodegrees, kEmulator},
            {record, "value2", "longitude of the nearest place", kMicrodegrees, kEmulator},
            {record, "value3", "distance from the point to that place", kMetres, kEmulator},
            {record, "text1", "place, region, country", "", kEmulator},
            {record, "value4", "distance from the current position to the point", kMetres,
             kEmulator},
            {record, "value5", "bearing from the current position to the point", kAngle,
             kEmulator}};
}

std::vector<TMeaning> BuildMemberMeanings() {
    std::vector<TMeaning> table = {
        {"TVersion", "versionText", "version text", "", kProtocol},
        {"TVersion", "versionNumber", "version number", "", kProtocol},
        {"TSdkVersion", "versionText", "version of this library's interface", "", kProtocol},
        {"TSdkVersion", "versionNumber",
         "build number of this library, fixed at 223 for interface 5.2", "", kProtocol},
        {"TFavoriteInfo", "text1", "name", "", kEmulator},
        {"TFavoriteInfo", "text2", "description", "", kEmulator},
        {"TFavoriteInfo", "value1", "latitude", kMicrodegrees, kEmulator},
        {"TFavoriteInfo", "value2", "longitude", kMicrodegrees, kEmulator},
        {"TCurrentPositionInfo", "value1", "latitude", kMicrodegrees, kEmulator},
        {"TCurrentPositionInfo", "value2", "longitude", kMicrodegrees, kEmulator},
        {"TCurrentPositionInfo", "value3", "heading", kAngle, kEmulator},
        {"TCurrentPositionInfo", "value4", "speed", kSpeed, kEmulator},
        {"TCurrentPositionInfo", "value5", "position source", "", kEmulator,
         {{1, "simulated receiver"}, {2, "external GPS input"}, {3, "replayed track"}}},
        {"TRouteInfo", "value1", "route length", kMetres, kEmulator},
        {"TRouteInfo", "value2", "planned travel time", kSeconds, kEmulator},
        {"TRouteInfo", "value3", "remaining distance", kMetres, kEmulator},
        {"TRouteInfo", "value4", "remaining time at the current speed", kSeconds, kEmulator},
        {"TRouteInfo", "value5", "distance travelled", kMetres, kEmulator},
        {"TRouteInfo", "value6", "time since the route was planned", kSeconds, kEmulator},
        {"TRouteInfo", "value7", "destination latitude", kMicrodegrees, kEmulator},
        {"TRouteInfo", "value8", "destination longitude", kMicrodegrees, kEmulator},
        {"TRouteInfo", "value9", "number of route points", "", kEmulator},
        {"TRouteInfo", "value10", "index of the last route point passed", "", kEmulator},
        {"TRouteInfo", "value11", "travel speed", kSpeed, kEmulator},
        {"TRouteInfo", "value12", "state", "", kEmulator, {{1, "driving"}, {2, "arrived"}}},
        {"TRouteInfo", "value13", "route number since start", "", kEmulator},
        {"TGeocodeResult", "value1", "latitude", kMicrodegrees, kEmulator},
        {"TGeocodeResult", "value2", "longitude", kMicrodegrees, kEmulator},
        {"TGeocodeResult", "value3", "accuracy radius", kMetres, kEmulator},
        {"TGeocodeResult", "text1", "address line", "", kEmulator},
        {"TGeocodeResult", "text2", "region and country", "", kEmulator},
        {"TDataSetInfo", "text1", "map name", "", kEmulator},
        {"TDataSetInfo", "text2", "description of the map data", "", kEmulator},
        {"TDataSetInfo", "value1", "number of places", "", kEmulator},
        {"TDataSetInfo", "value2", "release of the data", "yyyymmdd", kEmulator},
        {"TDeviceId", "text1", "device identifier", "", kEmulator},
        {"TDeviceId", "value1", "device type", "", kEmulator,
         {{1, "Pocket PC"}, {2, "Smartphone"}}},
        {"TExternalGPSResult", "value1", "external GPS input before the call", "", kEmulator,
         {{0, "was off"}, {1, "was already on"}}},
    };
    for (const char* record : {"TLocationInfo", "TLocationInfoEx"}) {
        for (TMeaning& meaning : LocationMeanings(record)) table.push_back(std::move(meaning));
    }
    table.push_back(
        {"TLocationInfoEx", "text2", "postal code, place, country code", "", kEmulator});
    return table;
}

// Request arguments: a null command applies to every command with that argument.
std::vector<TMeaning> BuildArgumentMeanings() {
    return {
        {nullptr, "coordinate1", "latitude", kMicrodegrees, kEmulator},
        {nullptr, "coordinate2", "longitude", kMicrodegrees, kEmulator},
        {nullptr, "coordinate3", "latitude", kMicrodegrees, kEmulator},
        {nullptr, "coordinate4", "longitude", kMicrodegrees, kEmulator},
        {"SetFavorite", "value1", "latitude", kMicrodegrees, kEmulator},
        {"SetFavorite", "value2", "longitude", kMicrodegrees, kEmulator},
        {"FlashMessage", "number", "seconds the message shows, 0 until the next", kSeconds,
         kEmulator},
        {"Geocode", "addressPart1", "street and house number (\"Domplein 9\"; may be empty)", "",
         kEmulator},
        {"Geocode", "addressPart2", "place (\"Utrecht\")", "", kEmulator},
        {"Geocode", "addressPart3", "country, a code or name (\"NL\"; may be empty)", "",
         kEmulator},
    };
}

}  // namespace

const char* TMeaning::NameOf(std::int64_t value) const {
    for (const TValueName& name : valueNames) {
        if (name.value == value) return name.name;
    }
    return nullptr;
}

bool TMeaning::IsCoordinate() const {
    return std::strcmp(unit, kMicrodegrees) == 0;
}

const TMeaning* FindMemberMeaning(const std::string& record, const std::string& member) {
    static const std::vector<TMeaning> table = BuildMemberMeanings();
    for (const TMeaning& meaning : table) {
        if (record == meaning.record && member == meaning.member) return &meaning;
    }
    return nullptr;
}

const TMeaning* FindArgumentMeaning(const std::string& command, const std::string& argument) {
    static const std::vector<TMeaning> table = BuildArgumentMeanings();
    for (const TMeaning& meaning : table) {
        if ((meaning.record == nullptr || command == meaning.record) && argument == meaning.member)
            return &meaning;
    }
    return nullptr;
}

const std::vector<TMeaning>& RouteMeanings() {
    static const std::vector<TMeaning> meanings = {
        {"TRouteCoordinates", "count", "number of route points", "", kProtocol},
        {"TRouteCoordinates", "first", "latitude", kMicrodegrees, kEmulator},
        {"TRouteCoordinates", "second", "longitude", kMicrodegrees, kEmulator}};
    return meanings;
}

const char* ErrorName(std::int32_t code, const std::string& command) {
    namespace emulator = oxsdk::emulator;
    switch (code) {
        case 0:
            return "success";
        case -1:
            return "not sent";
        case -2:
            return "malformed reply";
        case -5:
            return command == "GetRouteCoordinates" ? "no coordinates" : "not running";
        case emulator::kUnknownCommand:
            return "unknown command";
        case emulator::kWrongArgumentCount:
            return "wrong argument count";
        case emulator::kUnknownPlace:
            return "unknown place";
        case emulator::kNoRoute:
            return "no route";
        case emulator::kInvalidArgument:
            return "invalid argument";
        case emulator::kFavoriteEmpty:
            return "favourite empty";
        case emulator::kPoiNotFound:
            return "point of interest not found";
        case emulator::kStorageFailure:
            return "storage failure";
        case emulator::kOutputFileFailure:
            return "output file failure";
        case emulator::kInternalError:
            return "internal error";
        default:
            return nullptr;
    }
}

#define OXSDK_ENUMERATOR(Name, meaning) \
    TEnumerator { #Name, COstrelAPI::Name, meaning }

const TEnumeration& SettingEnumeration() {
    static const TEnumeration enumeration{
        "ESettingAndValue",
        "ESetting",
        {OXSDK_ENUMERATOR(ESettingSoundOn, "spoken instructions on"),
         OXSDK_ENUMERATOR(ESettingSoundOff, "spoken instructions off"),
         OXSDK_ENUMERATOR(ESettingDayColors, "day colour scheme"),
         OXSDK_ENUMERATOR(ESettingNightColors, "night colour scheme"),
         OXSDK_ENUMERATOR(ESettingAutoColors, "colour scheme follows the time of day"),
         OXSDK_ENUMERATOR(ESettingMap2D, "flat map view"),
         OXSDK_ENUMERATOR(ESettingMap3D, "perspective map view"),
         OXSDK_ENUMERATOR(ESettingRouteFastest, "plan the fastest route"),
         OXSDK_ENUMERATOR(ESettingRouteShortest, "plan the shortest route"),
         OXSDK_ENUMERATOR(ESettingAvoidTollOn, "avoid toll roads"),
         OXSDK_ENUMERATOR(ESettingAvoidTollOff, "allow toll roads"),
         OXSDK_ENUMERATOR(ESettingAvoidHighwaysOn, "avoid motorways"),
         OXSDK_ENUMERATOR(ESettingAvoidHighwaysOff, "allow motorways"),
         OXSDK_ENUMERATOR(ESettingUnitsMetric, "kilometres and metres"),
         OXSDK_ENUMERATOR(ESettingUnitsImperial, "miles and yards"),
         OXSDK_ENUMERATOR(ESettingAutoZoomOn, "zoom follows the speed"),
         OXSDK_ENUMERATOR(ESettingAutoZoomOff, "fixed zoom")}};
    return enumeration;
}

const TEnumeration& PropertyEnumeration() {
    static const TEnumeration enumeration{
        "EProperty",
        "EProperty",
        {OXSDK_ENUMERATOR(EPropertyVolume, "sound volume, 0 to 100"),
         OXSDK_ENUMERATOR(EPropertyZoomLevel, "map scale in metres per screen width"),
         OXSDK_ENUMERATOR(EPropertyMapRotation, "map heading in degrees, 0 north up"),
         OXSDK_ENUMERATOR(EPropertyBacklight, "screen brightness, 0 to 100"),
         OXSDK_ENUMERATOR(EPropertySpeedWarning, "speed warning threshold in km/h, 0 off"),
         OXSDK_ENUMERATOR(EPropertySimulationSpeed, "simulated travel speed in km/h")}};
    return enumeration;
}

const TEnumeration& PoiTypeEnumeration() {
    static const TEnumeration enumeration{
        "EPoiTypeCode",
        "EPoi",
        {OXSDK_ENUMERATOR(EPoiFuelStation, "fuel stations"),
         OXSDK_ENUMERATOR(EPoiParking, "car parks"),
         OXSDK_ENUMERATOR(EPoiRestaurant, "restaurants"),
         OXSDK_ENUMERATOR(EPoiHotel, "hotels"),
         OXSDK_ENUMERATOR(EPoiHospital, "hospitals"),
         OXSDK_ENUMERATOR(EPoiRailwayStation, "railway stations"),
         OXSDK_ENUMERATOR(EPoiAirport, "airports"),
         OXSDK_ENUMERATOR(EPoiCashDispenser, "cash dispensers"),
         OXSDK_ENUMERATOR(EPoiSpeedCamera, "speed cameras"),
         OXSDK_ENUMERATOR(EPoiTouristSight, "tourist sights")}};
    return enumeration;
}

#undef OXSDK_ENUMERATOR

std::string Degrees(std::int64_t microdegrees) {
    const std::int64_t magnitude = microdegrees < 0 ? -microdegrees : microdegrees;
    char text[40];
    std::snprintf(text, sizeof text, "%s%lld.%06lld", microdegrees < 0 ? "-" : "",
                  static_cast<long long>(magnitude / 1000000),
                  static_cast<long long>(magnitude % 1000000));
    return text;
}

}  // namespace oxsdk::cli
