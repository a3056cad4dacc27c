// The catalogue of remote commands: for every command its member name, wire name, request
// arguments and the record members that a full reply fills. The library's own command members
// are driven by these descriptions; tools read them to list, call and answer commands.
//
// Header only: the descriptions are constant data, nothing here is a symbol of the library.
#pragma once

/// @file
/// The command catalogue: one description per remote command of COstrelAPI.

#include <cstddef>

#include "OXSDK5Link/OstrelAPI.h"

/// Public declarations of the link library that are not classes of its exported interface.
namespace OXSDK5Link {

/// How a request argument travels: texts as given, numbers and enumerators as decimal text.
enum class EArgumentKind { Text, Number, Enumeration };

/// One request argument, in parameter order.
struct TArgumentDescription {
    const char* name;    ///< parameter name of the command member, e.g. "coordinate1"
    EArgumentKind kind;  ///< encoding on the wire
};

/// How a reply field is stored in its record member.
enum class EFieldKind { Integer, Text };

/// One record member filled from reply field (position in the list + 1).
struct TReplyFieldDescription {
    const char* member;    ///< member name, e.g. "versionText"
    EFieldKind kind;       ///< decimal conversion or bounded text copy
    std::size_t offset;    ///< offset of the member in its record
    std::size_t capacity;  ///< size of the member in bytes (texts: including the terminator)
};

/// Shape of a command's reply.
enum class EReplyShape {
    Fixed,            ///< 1 field (error only) or 1 + replyFieldCount fields
    RouteCoordinates  ///< error, announced pair count, then pairs (GetRouteCoordinates)
};

/// One remote command.
struct TCommandDescription {
    const char* name;                         ///< member name, e.g. "GetLocationInfo"
    const char* wireName;                     ///< field 0 of the command
    const TArgumentDescription* arguments;    ///< request arguments in order (may be null)
    int argumentCount;                        ///< number of request arguments
    const char* recordName;                   ///< record type name, or null for none
    const TReplyFieldDescription* replyFields;  ///< record members in reply order (may be null)
    int replyFieldCount;                      ///< record members filled by a full reply
    EReplyShape replyShape;                   ///< how the reply is laid out
};

/// The description of every remote command, named after its member, and the shared argument
/// lists and record layouts they point to.
namespace commands {

/// Describes the integer member `member` of `Record` (defined for this header only).
#define OXSDK_INTEGER_FIELD(Record, member) \
    TReplyFieldDescription { #member, EFieldKind::Integer, offsetof(Record, member), sizeof(Record::member) }
/// Describes the text member `member` of `Record` (defined for this header only).
#define OXSDK_TEXT_FIELD(Record, member) \
    TReplyFieldDescription { #member, EFieldKind::Text, offsetof(Record, member), sizeof(Record::member) }
/// Number of elements of `array` (defined for this header only).
#define OXSDK_COUNT(array) static_cast<int>(sizeof(array) / sizeof((array)[0]))

// ---- request argument lists, shared by the commands that take the same parameters ----
/// Arguments of FlashMessage.
inline constexpr TArgumentDescription kFlashMessageArguments[] = {
    {"messageText", EArgumentKind::Text}, {"number", EArgumentKind::Number}};
/// Arguments of NavigateToCoordinates.
inline constexpr TArgumentDescription kNavigateToCoordinatesArguments[] = {
    {"coordinate1", EArgumentKind::Number},
    {"coordinate2", EArgumentKind::Number},
    {"destinationText", EArgumentKind::Text}};
/// The favourite index of NavigateToFavorite, ClearFavorite and GetFavorite.
inline constexpr TArgumentDescription kFavoriteIndexArguments[] = {
    {"favoriteIndex", EArgumentKind::Number}};
/// The four address parts of the address commands and of Geocode and GeocodeExtended.
inline constexpr TArgumentDescription kAddressArguments[] = {
    {"addressPart1", EArgumentKind::Text},
    {"addressPart2", EArgumentKind::Text},
    {"addressPart3", EArgumentKind::Text},
    {"addressPart4", EArgumentKind::Text}};
/// The three address parts of the postal-code commands: the first three address parts.
inline constexpr const TArgumentDescription* kPostalCodeArguments = kAddressArguments;
/// Two or four coordinates: the leading two serve the point commands.
inline constexpr TArgumentDescription kCoordinateArguments[] = {
    {"coordinate1", EArgumentKind::Number},
    {"coordinate2", EArgumentKind::Number},
    {"coordinate3", EArgumentKind::Number},
    {"coordinate4", EArgumentKind::Number}};
/// Argument of ChangeSetting.
inline constexpr TArgumentDescription kChangeSettingArguments[] = {
    {"setting", EArgumentKind::Enumeration}};
/// Argument of SwitchMap.
inline constexpr TArgumentDescription kSwitchMapArguments[] = {{"mapName", EArgumentKind::Text}};
/// Arguments of SetNavigatorProperty.
inline constexpr TArgumentDescription kSetNavigatorPropertyArguments[] = {
    {"property", EArgumentKind::Enumeration}, {"value", EArgumentKind::Number}};
/// Argument of SetRouteSummaryVisible.
inline constexpr TArgumentDescription kSetRouteSummaryVisibleArguments[] = {
    {"visible", EArgumentKind::Number}};
/// Arguments of SetFavorite.
inline constexpr TArgumentDescription kSetFavoriteArguments[] = {
    {"favoriteIndex", EArgumentKind::Number},
    {"text1", EArgumentKind::Text},
    {"text2", EArgumentKind::Text},
    {"value1", EArgumentKind::Number},
    {"value2", EArgumentKind::Number}};
/// Arguments of MakePoiVisible.
inline constexpr TArgumentDescription kMakePoiVisibleArguments[] = {
    {"poiType", EArgumentKind::Enumeration}, {"value", EArgumentKind::Number}};
/// Arguments of AddPoi.
inline constexpr TArgumentDescription kAddPoiArguments[] = {
    {"poiSetName", EArgumentKind::Text},
    {"coordinate1", EArgumentKind::Number},
    {"coordinate2", EArgumentKind::Number},
    {"text1", EArgumentKind::Text},
    {"text2", EArgumentKind::Text}};
// DeleteClosestPoi, DeleteAllPoi and MoveClosestPoi take the poi set name and 2, 0 or 4
// coordinates: leading parts of one list.
/// A poi set name and up to four coordinates (DeleteClosestPoi, DeleteAllPoi, MoveClosestPoi).
inline constexpr TArgumentDescription kPoiSetCoordinateArguments[] = {
    {"poiSetName", EArgumentKind::Text},
    {"coordinate1", EArgumentKind::Number},
    {"coordinate2", EArgumentKind::Number},
    {"coordinate3", EArgumentKind::Number},
    {"coordinate4", EArgumentKind::Number}};
/// Arguments of MakeUserPoiVisible.
inline constexpr TArgumentDescription kMakeUserPoiVisibleArguments[] = {
    {"poiSetName", EArgumentKind::Text}, {"value", EArgumentKind::Number}};
/// Argument of EnableRawGPSOutput.
inline constexpr TArgumentDescription kEnableRawGPSOutputArguments[] = {
    {"outputText", EArgumentKind::Text}};

// ---- record layouts ----
/// Short name for the record layouts below.
using API = COstrelAPI;
/// Members of TVersion in reply order.
inline constexpr TReplyFieldDescription kVersionFields[] = {
    OXSDK_TEXT_FIELD(API::TVersion, versionText), OXSDK_INTEGER_FIELD(API::TVersion, versionNumber)};
/// Members of TFavoriteInfo in reply order.
inline constexpr TReplyFieldDescription kFavoriteFields[] = {
    OXSDK_TEXT_FIELD(API::TFavoriteInfo, text1), OXSDK_TEXT_FIELD(API::TFavoriteInfo, text2),
    OXSDK_INTEGER_FIELD(API::TFavoriteInfo, value1), OXSDK_INTEGER_FIELD(API::TFavoriteInfo, value2)};
/// Members of TCurrentPositionInfo in reply order.
inline constexpr TReplyFieldDescription kCurrentPositionFields[] = {
    OXSDK_INTEGER_FIELD(API::TCurrentPositionInfo, value1),
    OXSDK_INTEGER_FIELD(API::TCurrentPositionInfo, value2),
    OXSDK_INTEGER_FIELD(API::TCurrentPositionInfo, value3),
    OXSDK_INTEGER_FIELD(API::TCurrentPositionInfo, value4),
    OXSDK_INTEGER_FIELD(API::TCurrentPositionInfo, value5)};
/// Members of TLocationInfo in reply order.
inline constexpr TReplyFieldDescription kLocationInfoFields[] = {
    OXSDK_INTEGER_FIELD(API::TLocationInfo, value1), OXSDK_INTEGER_FIELD(API::TLocationInfo, value2),
    OXSDK_INTEGER_FIELD(API::TLocationInfo, value3), OXSDK_TEXT_FIELD(API::TLocationInfo, text1),
    OXSDK_INTEGER_FIELD(API::TLocationInfo, value4), OXSDK_INTEGER_FIELD(API::TLocationInfo, value5)};
/// Members of TLocationInfoEx in reply order.
inline constexpr TReplyFieldDescription kLocationInfoExFields[] = {
    OXSDK_INTEGER_FIELD(API::TLocationInfoEx, value1),
    OXSDK_INTEGER_FIELD(API::TLocationInfoEx, value2),
    OXSDK_INTEGER_FIELD(API::TLocationInfoEx, value3), OXSDK_TEXT_FIELD(API::TLocationInfoEx, text1),
    OXSDK_INTEGER_FIELD(API::TLocationInfoEx, value4),
    OXSDK_INTEGER_FIELD(API::TLocationInfoEx, value5), OXSDK_TEXT_FIELD(API::TLocationInfoEx, text2)};
/// Members of TRouteInfo in reply order.
inline constexpr TReplyFieldDescription kRouteInfoFields[] = {
    OXSDK_INTEGER_FIELD(API::TRouteInfo, value1),  OXSDK_INTEGER_FIELD(API::TRouteInfo, value2),
    OXSDK_INTEGER_FIELD(API::TRouteInfo, value3),  OXSDK_INTEGER_FIELD(API::TRouteInfo, value4),
    OXSDK_INTEGER_FIELD(API::TRouteInfo, value5),  OXSDK_INTEGER_FIELD(API::TRouteInfo, value6),
    OXSDK_INTEGER_FIELD(API::TRouteInfo, value7),  OXSDK_INTEGER_FIELD(API::TRouteInfo, value8),
    OXSDK_INTEGER_FIELD(API::TRouteInfo, value9),  OXSDK_INTEGER_FIELD(API::TRouteInfo, value10),
    OXSDK_INTEGER_FIELD(API::TRouteInfo, value11), OXSDK_INTEGER_FIELD(API::TRouteInfo, value12),
    OXSDK_INTEGER_FIELD(API::TRouteInfo, value13)};
/// Members of TGeocodeResult in reply order.
inline constexpr TReplyFieldDescription kGeocodeFields[] = {
    OXSDK_INTEGER_FIELD(API::TGeocodeResult, value1), OXSDK_INTEGER_FIELD(API::TGeocodeResult, value2),
    OXSDK_INTEGER_FIELD(API::TGeocodeResult, value3), OXSDK_TEXT_FIELD(API::TGeocodeResult, text1),
    OXSDK_TEXT_FIELD(API::TGeocodeResult, text2)};
/// Members of TDataSetInfo in reply order.
inline constexpr TReplyFieldDescription kDataSetInfoFields[] = {
    OXSDK_TEXT_FIELD(API::TDataSetInfo, text1), OXSDK_TEXT_FIELD(API::TDataSetInfo, text2),
    OXSDK_INTEGER_FIELD(API::TDataSetInfo, value1), OXSDK_INTEGER_FIELD(API::TDataSetInfo, value2)};
/// Members of TDeviceId in reply order.
inline constexpr TReplyFieldDescription kDeviceIdFields[] = {
    OXSDK_TEXT_FIELD(API::TDeviceId, text1), OXSDK_INTEGER_FIELD(API::TDeviceId, value1)};
/// Members of TExternalGPSResult in reply order.
inline constexpr TReplyFieldDescription kExternalGPSFields[] = {
    OXSDK_INTEGER_FIELD(API::TExternalGPSResult, value1)};

// ---- the commands ----
/// Defines the description of a command without a record (defined for this header only).
#define OXSDK_ACTION(Name, wire, arguments, count) \
    inline constexpr TCommandDescription Name { #Name, wire, arguments, count, nullptr, nullptr, 0, EReplyShape::Fixed }
/// Defines the description of a command with a record (defined for this header only).
#define OXSDK_QUERY(Name, wire, arguments, count, Record, fields) \
    inline constexpr TCommandDescription Name { #Name, wire, arguments, count, #Record, fields, OXSDK_COUNT(fields), EReplyShape::Fixed }

/// Description of COstrelAPI::GetApplicationVersion.
OXSDK_QUERY(GetApplicationVersion, "GetApplicationVersionV01", nullptr, 0, TVersion, kVersionFields);

/// Description of COstrelAPI::FlashMessage.
OXSDK_ACTION(FlashMessage, "FlashMessageV01", kFlashMessageArguments, 2);
/// Description of COstrelAPI::NavigateToCoordinates.
OXSDK_ACTION(NavigateToCoordinates, "NavigateToCoordinatesV01", kNavigateToCoordinatesArguments, 3);
/// Description of COstrelAPI::NavigateToFavorite.
OXSDK_ACTION(NavigateToFavorite, "NavigateToFavoriteV01", kFavoriteIndexArguments, 1);
/// Description of COstrelAPI::NavigateToAddress.
OXSDK_ACTION(NavigateToAddress, "NavigateToAddressV01", kAddressArguments, 4);
/// Description of COstrelAPI::NavigateToPostalCode.
OXSDK_ACTION(NavigateToPostalCode, "NavigateToPostalCodeV01", kPostalCodeArguments, 3);
/// Description of COstrelAPI::ShowAddressOnMap.
OXSDK_ACTION(ShowAddressOnMap, "ShowAddressOnMapV01", kAddressArguments, 4);
/// Description of COstrelAPI::ShowPostalCodeOnMap.
OXSDK_ACTION(ShowPostalCodeOnMap, "ShowPostalCodeOnMapV01", kPostalCodeArguments, 3);
/// Description of COstrelAPI::ShowCoordinatesOnMap.
OXSDK_ACTION(ShowCoordinatesOnMap, "ShowCoordinatesOnMapV01", kCoordinateArguments, 2);
/// Description of COstrelAPI::ShowRectangleOnMap.
OXSDK_ACTION(ShowRectangleOnMap, "ShowRectangleOnMapV01", kCoordinateArguments, 4);
/// Description of COstrelAPI::ChangeSetting.
OXSDK_ACTION(ChangeSetting, "ChangeSettingV01", kChangeSettingArguments, 1);
/// Description of COstrelAPI::SwitchMap.
OXSDK_ACTION(SwitchMap, "SwitchMapV01", kSwitchMapArguments, 1);
/// Description of COstrelAPI::SetNavigatorProperty.
OXSDK_ACTION(SetNavigatorProperty, "SetNavigatorPropertyV01", kSetNavigatorPropertyArguments, 2);
/// Description of COstrelAPI::BringNavigatorToForeground.
OXSDK_ACTION(BringNavigatorToForeground, "BringNavigatorToForegroundV01", nullptr, 0);
/// Description of COstrelAPI::SwitchToNavigatorView.
OXSDK_ACTION(SwitchToNavigatorView, "SwitchToNavigatorViewV01", nullptr, 0);
/// Description of COstrelAPI::SetRouteSummaryVisible.
OXSDK_ACTION(SetRouteSummaryVisible, "SetRouteSummaryVisibleV01", kSetRouteSummaryVisibleArguments, 1);
/// Description of COstrelAPI::ClearRoute.
OXSDK_ACTION(ClearRoute, "ClearRouteV01", nullptr, 0);

/// Description of COstrelAPI::ClearFavorite.
OXSDK_ACTION(ClearFavorite, "ClearFavoriteV01", kFavoriteIndexArguments, 1);
/// Description of COstrelAPI::SetFavorite.
OXSDK_ACTION(SetFavorite, "SetFavoriteV01", kSetFavoriteArguments, 5);
/// Description of COstrelAPI::GetFavorite.
OXSDK_QUERY(GetFavorite, "GetFavoriteV01", kFavoriteIndexArguments, 1, TFavoriteInfo, kFavoriteFields);
/// Description of COstrelAPI::MakePoiVisible.
OXSDK_ACTION(MakePoiVisible, "MakePoiVisibleV01", kMakePoiVisibleArguments, 2);
/// Description of COstrelAPI::AddPoi.
OXSDK_ACTION(AddPoi, "AddPoiV01", kAddPoiArguments, 5);
/// Description of COstrelAPI::DeleteClosestPoi.
OXSDK_ACTION(DeleteClosestPoi, "DeleteClosestPoiV01", kPoiSetCoordinateArguments, 3);
/// Description of COstrelAPI::DeleteAllPoi.
OXSDK_ACTION(DeleteAllPoi, "DeleteAllPoiV01", kPoiSetCoordinateArguments, 1);
/// Description of COstrelAPI::MakeUserPoiVisible.
OXSDK_ACTION(MakeUserPoiVisible, "MakeUserPoiVisibleV01", kMakeUserPoiVisibleArguments, 2);
/// Description of COstrelAPI::MoveClosestPoi.
OXSDK_ACTION(MoveClosestPoi, "MoveClosestPoiV01", kPoiSetCoordinateArguments, 5);

/// Description of COstrelAPI::GetCurrentPosition.
OXSDK_QUERY(GetCurrentPosition, "GetCurrentPositionV01", nullptr, 0, TCurrentPositionInfo, kCurrentPositionFields);
/// Description of COstrelAPI::GetLocationInfo.
OXSDK_QUERY(GetLocationInfo, "GetLocationInfoV01", kCoordinateArguments, 2, TLocationInfo, kLocationInfoFields);
/// Description of COstrelAPI::GetLocationInfoEx.
OXSDK_QUERY(GetLocationInfoEx, "GetLocationInfoExV01", kCoordinateArguments, 2, TLocationInfoEx, kLocationInfoExFields);

/// Description of COstrelAPI::GetRouteInfo.
OXSDK_QUERY(GetRouteInfo, "GetRouteInfoV01", nullptr, 0, TRouteInfo, kRouteInfoFields);
/// Description of COstrelAPI::GetRouteCoordinates.
inline constexpr TCommandDescription GetRouteCoordinates{
    "GetRouteCoordinates", "GetRouteCoordinatesV01", nullptr, 0, "TRouteCoordinates", nullptr, 0,
    EReplyShape::RouteCoordinates};

/// Description of COstrelAPI::Geocode.
OXSDK_QUERY(Geocode, "GeocodeV01", kAddressArguments, 3, TGeocodeResult, kGeocodeFields);
/// Description of COstrelAPI::GeocodeExtended.
OXSDK_QUERY(GeocodeExtended, "GeocodeExtendedV01", kAddressArguments, 4, TGeocodeResult, kGeocodeFields);
/// Description of COstrelAPI::GeocodeByPostalCode.
OXSDK_QUERY(GeocodeByPostalCode, "GeocodeByPostalCode", kAddressArguments, 3, TGeocodeResult, kGeocodeFields);

/// Description of COstrelAPI::GetDataSetInfo.
OXSDK_QUERY(GetDataSetInfo, "GetDataSetInfoV01", nullptr, 0, TDataSetInfo, kDataSetInfoFields);
/// Description of COstrelAPI::GetUniqueDeviceId.
OXSDK_QUERY(GetUniqueDeviceId, "GetUniqueDeviceIdV01", nullptr, 0, TDeviceId, kDeviceIdFields);
/// Description of COstrelAPI::EnableExternalGPSInput.
OXSDK_QUERY(EnableExternalGPSInput, "EnableExternalGPSInputV01", nullptr, 0, TExternalGPSResult, kExternalGPSFields);
/// Description of COstrelAPI::DisableExternalGPSInput.
OXSDK_ACTION(DisableExternalGPSInput, "DisableExternalGPSInputV01", nullptr, 0);
/// Description of COstrelAPI::EnableRawGPSOutput.
OXSDK_ACTION(EnableRawGPSOutput, "EnableRawGPSOutputV01", kEnableRawGPSOutputArguments, 1);
/// Description of COstrelAPI::DisableRawGPSOutput.
OXSDK_ACTION(DisableRawGPSOutput, "DisableRawGPSOutputV01", nullptr, 0);

/// Description of COstrelAPI::StopApplication.
OXSDK_ACTION(StopApplication, "StopApplicationV01", nullptr, 0);

#undef OXSDK_ACTION
#undef OXSDK_QUERY
#undef OXSDK_COUNT
#undef OXSDK_TEXT_FIELD
#undef OXSDK_INTEGER_FIELD

/// Every remote command, in the order of the command groups of COstrelAPI.
inline constexpr const TCommandDescription* kAll[] = {
    &GetApplicationVersion, &FlashMessage, &NavigateToCoordinates, &NavigateToFavorite,
    &NavigateToAddress, &NavigateToPostalCode, &ShowAddressOnMap, &ShowPostalCodeOnMap,
    &ShowCoordinatesOnMap, &ShowRectangleOnMap, &ChangeSetting, &SwitchMap,
    &SetNavigatorProperty, &BringNavigatorToForeground, &SwitchToNavigatorView,
    &SetRouteSummaryVisible, &ClearRoute, &ClearFavorite, &SetFavorite, &GetFavorite,
    &MakePoiVisible, &AddPoi, &DeleteClosestPoi, &DeleteAllPoi, &MakeUserPoiVisible,
    &MoveClosestPoi, &GetCurrentPosition, &GetLocationInfo, &GetLocationInfoEx, &GetRouteInfo,
    &GetRouteCoordinates, &Geocode, &GeocodeExtended, &GeocodeByPostalCode, &GetDataSetInfo,
    &GetUniqueDeviceId, &EnableExternalGPSInput, &DisableExternalGPSInput, &EnableRawGPSOutput,
    &DisableRawGPSOutput, &StopApplication};

/// Number of remote commands.
inline constexpr int kCount = static_cast<int>(sizeof(kAll) / sizeof(kAll[0]));
static_assert(kCount == 41, "the catalogue holds every remote command");

/// The description whose wire name is `wireName`, or null.
inline const TCommandDescription* FindByWireName(const char* wireName) {
    for (const TCommandDescription* command : kAll) {
        const char* a = command->wireName;
        const char* b = wireName;
        while (*a != '\0' && *a == *b) {
            ++a;
            ++b;
        }
        if (*a == *b) return command;
    }
    return nullptr;
}

}  // namespace commands
}  // namespace OXSDK5Link
