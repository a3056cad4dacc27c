// COstrelAPI: the calls through which an application drives the navigation application.
//
// Every remote command X has three forms:
//   int X(TError*, [record*,] arguments...)              blocking: starts the navigation
//                                                         application when needed, sends, waits
//   MOstrelSession* XAsync(int, arguments...)             sends; returns the session, or null
//   int XAsyncRetrieve(MOstrelSession*, TError*, [record*])  waits for and decodes the reply
// The int result of the blocking and retrieve forms says only whether a well-formed reply
// arrived: 0 yes, -1 nothing was sent or a null session was given, -2 the reply had a field
// count that the command does not accept. The navigation application's verdict is always in
// TError::errorCode (0 success, -5 the navigation application does not run or could not be
// started, any other value its own code). The leading int of an Async form is ignored.
//
// Numbers travel as decimal text, texts unchanged (a "|" in a text splits it into two fields).
// Reply texts are copied into the record members bounded by each member's size: a longer text
// is cut and terminated inside its member. What each value means is decided by the navigation
// application that answers; the library converts and stores it without interpreting it.
#pragma once

#include <cstdint>

#include "OXSDK5Link/CommunicationLayer.h"
#include "OXSDK5Link/Export.h"

class OXSDK5LINK_API COstrelAPI {
public:
    /// Result code of every operation that takes a TError.
    struct TError {
        std::int32_t errorCode;  ///< 0 success, -1 not sent, -2 malformed reply, -5 not running
    };

    /// Version of the link library (GetSDKVersion) or of the navigation application.
    struct TVersion {
        char versionText[16];       ///< version text, for example "5.2"
        std::int32_t versionNumber;  ///< number that accompanies the version text
    };

    /// A favourite, as written by SetFavorite and read by GetFavorite.
    struct TFavoriteInfo {
        char text1[64];        ///< reply field 1 (SetFavorite's text1)
        char text2[128];       ///< reply field 2 (SetFavorite's text2)
        std::int32_t value1;   ///< reply field 3 (SetFavorite's value1)
        std::int32_t value2;   ///< reply field 4 (SetFavorite's value2)
    };

    /// Current position of the device (GetCurrentPosition), reply fields 1 to 5.
    struct TCurrentPositionInfo {
        std::int32_t value1;  ///< reply field 1
        std::int32_t value2;  ///< reply field 2
        std::int32_t value3;  ///< reply field 3
        std::int32_t value4;  ///< reply field 4
        std::int32_t value5;  ///< reply field 5
    };

    /// Information on a location (GetLocationInfo), reply fields 1 to 6.
    struct TLocationInfo {
        std::int32_t value1;  ///< reply field 1
        std::int32_t value2;  ///< reply field 2
        std::int32_t value3;  ///< reply field 3
        char text1[128];      ///< reply field 4
        std::int32_t value4;  ///< reply field 5
        std::int32_t value5;  ///< reply field 6
    };

    /// Extended information on a location (GetLocationInfoEx): the members of TLocationInfo,
    /// then one more text of at most 127 characters (reply field 7).
    struct TLocationInfoEx {
        std::int32_t value1;  ///< reply field 1
        std::int32_t value2;  ///< reply field 2
        std::int32_t value3;  ///< reply field 3
        char text1[128];      ///< reply field 4
        std::int32_t value4;  ///< reply field 5
        std::int32_t value5;  ///< reply field 6
        char text2[128];      ///< reply field 7
    };

    /// Summary of the planned route (GetRouteInfo), reply fields 1 to 13.
    struct TRouteInfo {
        std::int32_t value1;   ///< reply field 1
        std::int32_t value2;   ///< reply field 2
        std::int32_t value3;   ///< reply field 3
        std::int32_t value4;   ///< reply field 4
        std::int32_t value5;   ///< reply field 5
        std::int32_t value6;   ///< reply field 6
        std::int32_t value7;   ///< reply field 7
        std::int32_t value8;   ///< reply field 8
        std::int32_t value9;   ///< reply field 9
        std::int32_t value10;  ///< reply field 10
        std::int32_t value11;  ///< reply field 11
        std::int32_t value12;  ///< reply field 12
        std::int32_t value13;  ///< reply field 13
    };

    /// One point of the route: reply fields 2 + 2i and 3 + 2i.
    struct TRouteCoordinatePair {
        std::int32_t first;   ///< first coordinate of the point
        std::int32_t second;  ///< second coordinate of the point
    };

    /// The route's points (GetRouteCoordinates). `coordinates` is allocated with malloc and
    /// belongs to the caller, who releases it with free; a retrieve sets it to null first
    /// without releasing what it held.
    struct TRouteCoordinates {
        std::int32_t count;                 ///< pairs in `coordinates`; -1 none read; 0 none
        TRouteCoordinatePair* coordinates;  ///< the pairs, or null
    };

    /// Result of Geocode, GeocodeExtended and GeocodeByPostalCode, reply fields 1 to 5.
    struct TGeocodeResult {
        std::int32_t value1;  ///< reply field 1
        std::int32_t value2;  ///< reply field 2
        std::int32_t value3;  ///< reply field 3
        char text1[128];      ///< reply field 4
        char text2[128];      ///< reply field 5 (at most 127 characters)
    };

    /// The navigation application's map data set (GetDataSetInfo), reply fields 1 to 4.
    struct TDataSetInfo {
        char text1[128];      ///< reply field 1
        char text2[128];      ///< reply field 2
        std::int32_t value1;  ///< reply field 3
        std::int32_t value2;  ///< reply field 4
    };

    /// The device's identifier (GetUniqueDeviceId), reply fields 1 and 2.
    struct TDeviceId {
        char text1[32];       ///< reply field 1
        std::int32_t value1;  ///< reply field 2
    };

    /// Answer to EnableExternalGPSInput, reply field 1.
    struct TExternalGPSResult {
        std::int32_t value1;  ///< reply field 1
    };

    /// A setting together with the value it is to take (ChangeSetting).
    enum ESettingAndValue {
        ESettingSoundOn = 1,          ///< spoken instructions on
        ESettingSoundOff = 2,         ///< spoken instructions off
        ESettingDayColors = 3,        ///< day colour scheme
        ESettingNightColors = 4,      ///< night colour scheme
        ESettingAutoColors = 5,       ///< colour scheme follows the time of day
        ESettingMap2D = 6,            ///< flat map view
        ESettingMap3D = 7,            ///< perspective map view
        ESettingRouteFastest = 8,     ///< plan the fastest route
        ESettingRouteShortest = 9,    ///< plan the shortest route
        ESettingAvoidTollOn = 10,     ///< avoid toll roads
        ESettingAvoidTollOff = 11,    ///< allow toll roads
        ESettingAvoidHighwaysOn = 12,   ///< avoid motorways
        ESettingAvoidHighwaysOff = 13,  ///< allow motorways
        ESettingUnitsMetric = 14,     ///< kilometres and metres
        ESettingUnitsImperial = 15,   ///< miles and yards
        ESettingAutoZoomOn = 16,      ///< zoom follows the speed
        ESettingAutoZoomOff = 17      ///< fixed zoom
    };

    /// A property of the navigation application, sent with a value (SetNavigatorProperty).
    enum EProperty {
        EPropertyVolume = 1,           ///< sound volume, 0 to 100
        EPropertyZoomLevel = 2,        ///< map scale in metres per screen width
        EPropertyMapRotation = 3,      ///< map heading in degrees, 0 north up
        EPropertyBacklight = 4,        ///< screen brightness, 0 to 100
        EPropertySpeedWarning = 5,     ///< speed warning threshold in km/h, 0 off
        EPropertySimulationSpeed = 6   ///< simulated travel speed in km/h
    };

    /// Kind of point of interest (MakePoiVisible).
    enum EPoiTypeCode {
        EPoiFuelStation = 1,     ///< fuel stations
        EPoiParking = 2,         ///< car parks
        EPoiRestaurant = 3,      ///< restaurants
        EPoiHotel = 4,           ///< hotels
        EPoiHospital = 5,        ///< hospitals
        EPoiRailwayStation = 6,  ///< railway stations
        EPoiAirport = 7,         ///< airports
        EPoiCashDispenser = 8,   ///< cash dispensers
        EPoiSpeedCamera = 9,     ///< speed cameras
        EPoiTouristSight = 10    ///< tourist sights
    };

    /// Builds the API over `layer`, which the caller keeps alive and deletes afterwards.
    explicit COstrelAPI(MOstrelCommunicationLayerInterface& layer);

    /// Version of this library: "5.2", 223, errorCode 0; sends nothing. Returns 0.
    int GetSDKVersion(TError* error, TVersion* version);

    /// Makes sure the navigation application runs and answers: starts it when its window does
    /// not exist. Returns 0; errorCode 0 when it runs, -5 when it could not be started, -1 when
    /// it did not take the readiness command.
    int StartApplication(TError* error);
    /// 1 when the navigation application's window exists (errorCode 0), else 0 (errorCode -5).
    int IsApplicationRunning(TError* error);
    /// Brings the running navigation application's window forward: 0, or -5 when it does not
    /// run (it is not started).
    int OstrelApplicationToForeground();
    /// Does nothing; returns -1.
    int GetGPSFeedFile();

    /// @name Version of the navigation application
    ///@{
    int GetApplicationVersion(TError* error, TVersion* version);
    MOstrelSession* GetApplicationVersionAsync(int unused);
    int GetApplicationVersionAsyncRetrieve(MOstrelSession* session, TError* error,
                                           TVersion* version);
    ///@}

    /// @name Navigation, map and display
    ///@{
    int FlashMessage(TError* error, const char* messageText, int number);
    MOstrelSession* FlashMessageAsync(int unused, const char* messageText, int number);
    int FlashMessageAsyncRetrieve(MOstrelSession* session, TError* error);

    int NavigateToCoordinates(TError* error, std::int32_t coordinate1, std::int32_t coordinate2,
                              const char* destinationText);
    MOstrelSession* NavigateToCoordinatesAsync(int unused, std::int32_t coordinate1,
                                               std::int32_t coordinate2,
                                               const char* destinationText);
    int NavigateToCoordinatesAsyncRetrieve(MOstrelSession* session, TError* error);

    int NavigateToFavorite(TError* error, int favoriteIndex);
    MOstrelSession* NavigateToFavoriteAsync(int unused, int favoriteIndex);
    int NavigateToFavoriteAsyncRetrieve(MOstrelSession* session, TError* error);

    int NavigateToAddress(TError* error, const char* addressPart1, const char* addressPart2,
                          const char* addressPart3, const char* addressPart4);
    MOstrelSession* NavigateToAddressAsync(int unused, const char* addressPart1,
                                           const char* addressPart2, const char* addressPart3,
                                           const char* addressPart4);
    int NavigateToAddressAsyncRetrieve(MOstrelSession* session, TError* error);

    int NavigateToPostalCode(TError* error, const char* addressPart1, const char* addressPart2,
                             const char* addressPart3);
    MOstrelSession* NavigateToPostalCodeAsync(int unused, const char* addressPart1,
                                              const char* addressPart2, const char* addressPart3);
    int NavigateToPostalCodeAsyncRetrieve(MOstrelSession* session, TError* error);

    int ShowAddressOnMap(TError* error, const char* addressPart1, const char* addressPart2,
                         const char* addressPart3, const char* addressPart4);
    MOstrelSession* ShowAddressOnMapAsync(int unused, const char* addressPart1,
                                          const char* addressPart2, const char* addressPart3,
                                          const char* addressPart4);
    int ShowAddressOnMapAsyncRetrieve(MOstrelSession* session, TError* error);

    int ShowPostalCodeOnMap(TError* error, const char* addressPart1, const char* addressPart2,
                            const char* addressPart3);
    MOstrelSession* ShowPostalCodeOnMapAsync(int unused, const char* addressPart1,
                                             const char* addressPart2, const char* addressPart3);
    int ShowPostalCodeOnMapAsyncRetrieve(MOstrelSession* session, TError* error);

    int ShowCoordinatesOnMap(TError* error, std::int32_t coordinate1, std::int32_t coordinate2);
    MOstrelSession* ShowCoordinatesOnMapAsync(int unused, std::int32_t coordinate1,
                                              std::int32_t coordinate2);
    int ShowCoordinatesOnMapAsyncRetrieve(MOstrelSession* session, TError* error);

    int ShowRectangleOnMap(TError* error, std::int32_t coordinate1, std::int32_t coordinate2,
                           std::int32_t coordinate3, std::int32_t coordinate4);
    MOstrelSession* ShowRectangleOnMapAsync(int unused, std::int32_t coordinate1,
                                            std::int32_t coordinate2, std::int32_t coordinate3,
                                            std::int32_t coordinate4);
    int ShowRectangleOnMapAsyncRetrieve(MOstrelSession* session, TError* error);

    int ChangeSetting(TError* error, ESettingAndValue setting);
    MOstrelSession* ChangeSettingAsync(int unused, ESettingAndValue setting);
    int ChangeSettingAsyncRetrieve(MOstrelSession* session, TError* error);

    int SwitchMap(TError* error, const char* mapName);
    MOstrelSession* SwitchMapAsync(int unused, const char* mapName);
    int SwitchMapAsyncRetrieve(MOstrelSession* session, TError* error);

    int SetNavigatorProperty(TError* error, EProperty property, std::int32_t value);
    MOstrelSession* SetNavigatorPropertyAsync(int unused, EProperty property, std::int32_t value);
    int SetNavigatorPropertyAsyncRetrieve(MOstrelSession* session, TError* error);

    int BringNavigatorToForeground(TError* error);
    MOstrelSession* BringNavigatorToForegroundAsync(int unused);
    int BringNavigatorToForegroundAsyncRetrieve(MOstrelSession* session, TError* error);

    int SwitchToNavigatorView(TError* error);
    MOstrelSession* SwitchToNavigatorViewAsync(int unused);
    int SwitchToNavigatorViewAsyncRetrieve(MOstrelSession* session, TError* error);

    int SetRouteSummaryVisible(TError* error, std::int32_t visible);
    MOstrelSession* SetRouteSummaryVisibleAsync(int unused, std::int32_t visible);
    int SetRouteSummaryVisibleAsyncRetrieve(MOstrelSession* session, TError* error);

    int ClearRoute(TError* error);
    MOstrelSession* ClearRouteAsync(int unused);
    int ClearRouteAsyncRetrieve(MOstrelSession* session, TError* error);
    ///@}

    /// @name Favourites and points of interest
    ///@{
    int ClearFavorite(TError* error, std::int32_t favoriteIndex);
    MOstrelSession* ClearFavoriteAsync(int unused, std::int32_t favoriteIndex);
    int ClearFavoriteAsyncRetrieve(MOstrelSession* session, TError* error);

    int SetFavorite(TError* error, std::int32_t favoriteIndex, const char* text1,
                    const char* text2, std::int32_t value1, std::int32_t value2);
    MOstrelSession* SetFavoriteAsync(int unused, std::int32_t favoriteIndex, const char* text1,
                                     const char* text2, std::int32_t value1, std::int32_t value2);
    int SetFavoriteAsyncRetrieve(MOstrelSession* session, TError* error);

    int GetFavorite(TError* error, TFavoriteInfo* favorite, std::int32_t favoriteIndex);
    MOstrelSession* GetFavoriteAsync(int unused, std::int32_t favoriteIndex);
    int GetFavoriteAsyncRetrieve(MOstrelSession* session, TError* error,
                                 TFavoriteInfo* favorite);

    int MakePoiVisible(TError* error, EPoiTypeCode poiType, std::int32_t value);
    MOstrelSession* MakePoiVisibleAsync(int unused, EPoiTypeCode poiType, std::int32_t value);
    int MakePoiVisibleAsyncRetrieve(MOstrelSession* session, TError* error);

    int AddPoi(TError* error, const char* poiSetName, std::int32_t coordinate1,
               std::int32_t coordinate2, const char* text1, const char* text2);
    MOstrelSession* AddPoiAsync(int unused, const char* poiSetName, std::int32_t coordinate1,
                                std::int32_t coordinate2, const char* text1, const char* text2);
    int AddPoiAsyncRetrieve(MOstrelSession* session, TError* error);

    int DeleteClosestPoi(TError* error, const char* poiSetName, std::int32_t coordinate1,
                         std::int32_t coordinate2);
    MOstrelSession* DeleteClosestPoiAsync(int unused, const char* poiSetName,
                                          std::int32_t coordinate1, std::int32_t coordinate2);
    int DeleteClosestPoiAsyncRetrieve(MOstrelSession* session, TError* error);

    int DeleteAllPoi(TError* error, const char* poiSetName);
    MOstrelSession* DeleteAllPoiAsync(int unused, const char* poiSetName);
    int DeleteAllPoiAsyncRetrieve(MOstrelSession* session, TError* error);

    int MakeUserPoiVisible(TError* error, const char* poiSetName, std::int32_t value);
    MOstrelSession* MakeUserPoiVisibleAsync(int unused, const char* poiSetName,
                                            std::int32_t value);
    int MakeUserPoiVisibleAsyncRetrieve(MOstrelSession* session, TError* error);

    int MoveClosestPoi(TError* error, const char* poiSetName, std::int32_t coordinate1,
                       std::int32_t coordinate2, std::int32_t coordinate3,
                       std::int32_t coordinate4);
    MOstrelSession* MoveClosestPoiAsync(int unused, const char* poiSetName,
                                        std::int32_t coordinate1, std::int32_t coordinate2,
                                        std::int32_t coordinate3, std::int32_t coordinate4);
    int MoveClosestPoiAsyncRetrieve(MOstrelSession* session, TError* error);
    ///@}

    /// @name Position and location
    ///@{
    int GetCurrentPosition(TError* error, TCurrentPositionInfo* position);
    MOstrelSession* GetCurrentPositionAsync(int unused);
    int GetCurrentPositionAsyncRetrieve(MOstrelSession* session, TError* error,
                                        TCurrentPositionInfo* position);

    int GetLocationInfo(TError* error, TLocationInfo* location, std::int32_t coordinate1,
                        std::int32_t coordinate2);
    MOstrelSession* GetLocationInfoAsync(int unused, std::int32_t coordinate1,
                                         std::int32_t coordinate2);
    int GetLocationInfoAsyncRetrieve(MOstrelSession* session, TError* error,
                                     TLocationInfo* location);

    int GetLocationInfoEx(TError* error, TLocationInfoEx* location, std::int32_t coordinate1,
                          std::int32_t coordinate2);
    MOstrelSession* GetLocationInfoExAsync(int unused, std::int32_t coordinate1,
                                           std::int32_t coordinate2);
    int GetLocationInfoExAsyncRetrieve(MOstrelSession* session, TError* error,
                                       TLocationInfoEx* location);
    ///@}

    /// @name Route
    ///@{
    int GetRouteInfo(TError* error, TRouteInfo* route);
    MOstrelSession* GetRouteInfoAsync(int unused);
    int GetRouteInfoAsyncRetrieve(MOstrelSession* session, TError* error, TRouteInfo* route);

    /// Blocking form; returns -2 (not -1) when the navigation application cannot be started.
    int GetRouteCoordinates(TError* error, TRouteCoordinates* route);
    MOstrelSession* GetRouteCoordinatesAsync(int unused);
    /// Sets count -1 and coordinates null first. Returns 0 except for a reply without any pair
    /// (count 0, errorCode -5, result -5). errorCode: -1 null session, -2 fewer than 2 fields,
    /// the navigation application's code, -5 when the pair array cannot be allocated, else 0
    /// with `count` pairs in `coordinates` (the smaller of the announced and present pairs).
    int GetRouteCoordinatesAsyncRetrieve(MOstrelSession* session, TError* error,
                                         TRouteCoordinates* route);
    ///@}

    /// @name Geocoding
    ///@{
    int Geocode(TError* error, TGeocodeResult* result, const char* addressPart1,
                const char* addressPart2, const char* addressPart3);
    MOstrelSession* GeocodeAsync(int unused, const char* addressPart1, const char* addressPart2,
                                 const char* addressPart3);
    int GeocodeAsyncRetrieve(MOstrelSession* session, TError* error, TGeocodeResult* result);

    int GeocodeExtended(TError* error, TGeocodeResult* result, const char* addressPart1,
                        const char* addressPart2, const char* addressPart3,
                        const char* addressPart4);
    MOstrelSession* GeocodeExtendedAsync(int unused, const char* addressPart1,
                                         const char* addressPart2, const char* addressPart3,
                                         const char* addressPart4);
    int GeocodeExtendedAsyncRetrieve(MOstrelSession* session, TError* error,
                                     TGeocodeResult* result);

    int GeocodeByPostalCode(TError* error, TGeocodeResult* result, const char* addressPart1,
                            const char* addressPart2, const char* addressPart3);
    MOstrelSession* GeocodeByPostalCodeAsync(int unused, const char* addressPart1,
                                             const char* addressPart2, const char* addressPart3);
    int GeocodeByPostalCodeAsyncRetrieve(MOstrelSession* session, TError* error,
                                         TGeocodeResult* result);
    ///@}

    /// @name Device, map data and GPS
    ///@{
    int GetDataSetInfo(TError* error, TDataSetInfo* info);
    MOstrelSession* GetDataSetInfoAsync(int unused);
    int GetDataSetInfoAsyncRetrieve(MOstrelSession* session, TError* error, TDataSetInfo* info);

    int GetUniqueDeviceId(TError* error, TDeviceId* id);
    MOstrelSession* GetUniqueDeviceIdAsync(int unused);
    int GetUniqueDeviceIdAsyncRetrieve(MOstrelSession* session, TError* error, TDeviceId* id);

    int EnableExternalGPSInput(TError* error, TExternalGPSResult* result);
    MOstrelSession* EnableExternalGPSInputAsync(int unused);
    int EnableExternalGPSInputAsyncRetrieve(MOstrelSession* session, TError* error,
                                            TExternalGPSResult* result);

    int DisableExternalGPSInput(TError* error);
    MOstrelSession* DisableExternalGPSInputAsync(int unused);
    int DisableExternalGPSInputAsyncRetrieve(MOstrelSession* session, TError* error);

    int EnableRawGPSOutput(TError* error, const char* outputText);
    MOstrelSession* EnableRawGPSOutputAsync(int unused, const char* outputText);
    int EnableRawGPSOutputAsyncRetrieve(MOstrelSession* session, TError* error);

    int DisableRawGPSOutput(TError* error);
    MOstrelSession* DisableRawGPSOutputAsync(int unused);
    int DisableRawGPSOutputAsyncRetrieve(MOstrelSession* session, TError* error);
    ///@}

    /// @name Stopping the navigation application
    ///@{
    /// Does not start the navigation application: returns 0 with errorCode -5 when it does not
    /// run. After an accepted stop, waits up to 11 s for its window to go; errorCode is then -5
    /// when it went, 0 when it stayed.
    int StopApplication(TError* error);
    MOstrelSession* StopApplicationAsync(int unused);
    int StopApplicationAsyncRetrieve(MOstrelSession* session, TError* error);
    ///@}

    /// Size of the buffer in which each numeric argument is formatted before it is appended.
    static constexpr int kConversionBufferSize = 12;

private:
    MOstrelCommunicationLayerInterface& layer;
    char conversionBuffer[kConversionBufferSize];
};
