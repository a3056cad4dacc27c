// Arguments for every command of the catalogue with which the navigator emulator answers 0,
// once favourite 1 is set, the POI set "Cafes" holds a point and a route is planned. Shared by
// the unit tests of the command handler and the end-to-end tests of the emulator.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace oxsdk::emulator::testing {

inline const std::map<std::string, std::vector<std::string>> kSampleArguments = {
    {"GetApplicationVersionV01", {}},
    {"FlashMessageV01", {"Hello", "3"}},
    {"NavigateToCoordinatesV01", {"52090700", "5121400", "Utrecht"}},
    {"NavigateToFavoriteV01", {"1"}},
    {"NavigateToAddressV01", {"Domplein", "9", "Utrecht", "NL"}},
    {"NavigateToPostalCodeV01", {"3511 AB", "9", "Nederland"}},
    {"ShowAddressOnMapV01", {"Unter den Linden", "1", "Berlin", "Deutschland"}},
    {"ShowPostalCodeOnMapV01", {"75001", "", "FR"}},
    {"ShowCoordinatesOnMapV01", {"48856600", "2352200"}},
    {"ShowRectangleOnMapV01", {"52000000", "4000000", "53000000", "6000000"}},
    {"ChangeSettingV01", {"9"}},
    {"SwitchMapV01", {"Benelux"}},
    {"SetNavigatorPropertyV01", {"6", "120"}},
    {"BringNavigatorToForegroundV01", {}},
    {"SwitchToNavigatorViewV01", {}},
    {"SetRouteSummaryVisibleV01", {"1"}},
    {"ClearRouteV01", {}},
    {"ClearFavoriteV01", {"1"}},
    {"SetFavoriteV01", {"2", "Home", "Dam 1", "52373080", "4892453"}},
    {"GetFavoriteV01", {"1"}},
    {"MakePoiVisibleV01", {"3", "0"}},
    {"AddPoiV01", {"Cafes", "52370000", "4890000", "Cafe", "Corner"}},
    {"DeleteClosestPoiV01", {"Cafes", "52370000", "4890000"}},
    {"DeleteAllPoiV01", {"Cafes"}},
    {"MakeUserPoiVisibleV01", {"Cafes", "0"}},
    {"MoveClosestPoiV01", {"Cafes", "52370000", "4890000", "52380000", "4900000"}},
    {"GetCurrentPositionV01", {}},
    {"GetLocationInfoV01", {"52090700", "5121400"}},
    {"GetLocationInfoExV01", {"52090700", "5121400"}},
    {"GetRouteInfoV01", {}},
    {"GetRouteCoordinatesV01", {}},
    {"GeocodeV01", {"Domplein 9", "Utrecht", "NL"}},
    {"GeocodeExtendedV01", {"Domplein", "9", "Utrecht", "NL"}},
    {"GeocodeByPostalCode", {"3511", "", ""}},
    {"GetDataSetInfoV01", {}},
    {"GetUniqueDeviceIdV01", {}},
    {"EnableExternalGPSInputV01", {}},
    {"DisableExternalGPSInputV01", {}},
    {"EnableRawGPSOutputV01", {"\\Temp\\gps.nmea"}},
    {"DisableRawGPSOutputV01", {}},
    {"StopApplicationV01", {}},
};

}  // namespace oxsdk::emulator::testing
