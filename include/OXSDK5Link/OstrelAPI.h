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
// Reply waits. A retrieve (and so a blocking form, and StopApplication) waits for its reply
// without bound while the navigation application runs, but not for one that can no longer
// come: when the navigation application's window existed as the wait began (for a blocking
// form: when StartApplication found it) and has gone (checked at most every 100 ms), the wait
// ends with errorCode -5, result -5, the record untouched, the session released and the
// command withdrawn. A navigation application without a window (one that only drives
// COstrelFileLayer::ProcessEvents) is waited for without bound, as before. A deadline can be
// set on the file layer (COstrelFileLayer::SetReplyTimeout, none by default); a wait that
// reaches it ends the same way with errorCode -6 and result -6. Neither code is one that the
// navigation application sends. The layer learns of the navigation application's window only
// through a watch that COstrelAPI installs for the wait on the calling thread: the file layer
// itself knows nothing of the navigation application.
//
// Numbers travel as decimal text, texts unchanged (a "|" in a text splits it into two fields).
// Reply texts are copied into the record members bounded by each member's size: a longer text
// is cut and terminated inside its member. What each value means is decided by the navigation
// application that answers; the library converts and stores it without interpreting it.
#pragma once

/// @file
/// COstrelAPI, the calls through which an application drives the navigation application.

#include <cstdint>

#include "OXSDK5Link/CommunicationLayer.h"
#include "OXSDK5Link/Export.h"

/// Drives the navigation application through a communication layer.
///
/// Every remote command X has a blocking form X(TError*, [record*,] arguments...), which
/// starts the navigation application when needed, sends and waits; an XAsync(int, arguments...)
/// form, which sends and returns the session (null when nothing was sent); and an
/// XAsyncRetrieve(MOstrelSession*, TError*, [record*]) form, which waits for the reply to that
/// session, destroys the session and decodes the reply. The int result of the blocking and
/// retrieve forms is 0 when a well-formed reply arrived, -1 when nothing was sent or the session
/// was null, -2 when the reply had a field count the command does not accept; the navigation
/// application's verdict is in TError::errorCode. A record is filled only by a full reply.
/// The object holds the layer by reference and one conversion buffer.
///
/// Threads: distinct COstrelAPI objects, each over its own layer, may be used from distinct
/// threads at the same time (the library's shared state, such as the navigation application's
/// last found window and path and the busy cursor, is safe for that); one object, like one
/// layer, is used from one thread at a time.
class OXSDK5LINK_API COstrelAPI {
public:
    /// Result code of every operation that takes a TError.
    struct TError {
        /// 0 success, -1 not sent, -2 malformed reply, -5 not running (or its window went
        /// during the reply wait), -6 the reply wait reached the layer's deadline
        std::int32_t errorCode;
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

    /// Why the last StartApplication of this process left the navigation application not
    /// running (GetLastStartFailure). StartApplication's errorCode stays -5 (-1 for
    /// EStartNotReady) whatever the cause.
    enum EStartFailure {
        EStartSucceeded = 0,     ///< no start has failed, or the last one found it running
        EStartNoExecutable = 1,  ///< the search of the whole device, from its root folder, found
                                 ///< no executable "Ostrel Navigator.exe", "ZEV Izizararar.exe"
                                 ///< or "Ostrel Mobile.exe"
        EStartLaunchFailed = 2,  ///< the executable found could not be started
        EStartNoWindow = 3,      ///< it was started, but its window did not appear within the
                                 ///< wait (about 25 s), or went again at once
        EStartNotReady = 4       ///< its window appeared, but the readiness command could not be
                                 ///< sent (errorCode -1)
    };

    /// The cause of the last failed start, as GetLastStartFailure reports it.
    struct TStartFailure {
        std::int32_t cause;        ///< an EStartFailure
        char searchedFolder[260];  ///< device folder the search began at: the root, `\`
        /// Device path of the executable the search found (one byte a character, as the layer
        /// writes names), or empty when it found none or the path has no such form.
        char executable[260];
    };

    /// Fills `failure` with why the last StartApplication of this process, through any
    /// COstrelAPI object, left the navigation application not running (EStartSucceeded when
    /// it ran, or before any start). Sends nothing; does not start it. Returns the cause.
    static int GetLastStartFailure(TStartFailure* failure);

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

    /// Reads the navigation application's version into `version`. Blocking form of
    /// "GetApplicationVersionV01": starts the navigation application when needed, sends, waits for
    /// the reply.
    int GetApplicationVersion(TError* error, TVersion* version);
    /// Sends "GetApplicationVersionV01" (see GetApplicationVersion); returns its session, or null
    /// when nothing was sent.
    MOstrelSession* GetApplicationVersionAsync(int unused);
    /// Waits for the reply to a GetApplicationVersionAsync session, destroys the session and
    /// decodes the reply into `version`.
    int GetApplicationVersionAsyncRetrieve(MOstrelSession* session, TError* error,
                                           TVersion* version);
    ///@}

    /// @name Navigation, map and display
    ///@{

    /// Asks the navigation application to flash `messageText`; `number` is passed on as given.
    /// Blocking form of "FlashMessageV01": starts the navigation application when needed, sends,
    /// waits for the reply.
    int FlashMessage(TError* error, const char* messageText, int number);
    /// Sends "FlashMessageV01" (see FlashMessage); returns its session, or null when nothing was
    /// sent.
    MOstrelSession* FlashMessageAsync(int unused, const char* messageText, int number);
    /// Waits for the reply to a FlashMessageAsync session, destroys the session and decodes the
    /// reply.
    int FlashMessageAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks for a route to the point (`coordinate1`, `coordinate2`) named `destinationText`.
    /// Blocking form of "NavigateToCoordinatesV01": starts the navigation application when needed,
    /// sends, waits for the reply.
    int NavigateToCoordinates(TError* error, std::int32_t coordinate1, std::int32_t coordinate2,
                              const char* destinationText);
    /// Sends "NavigateToCoordinatesV01" (see NavigateToCoordinates); returns its session, or null
    /// when nothing was sent.
    MOstrelSession* NavigateToCoordinatesAsync(int unused, std::int32_t coordinate1,
                                               std::int32_t coordinate2,
                                               const char* destinationText);
    /// Waits for the reply to a NavigateToCoordinatesAsync session, destroys the session and
    /// decodes the reply.
    int NavigateToCoordinatesAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks for a route to the favourite `favoriteIndex`. Blocking form of "NavigateToFavoriteV01":
    /// starts the navigation application when needed, sends, waits for the reply.
    int NavigateToFavorite(TError* error, int favoriteIndex);
    /// Sends "NavigateToFavoriteV01" (see NavigateToFavorite); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* NavigateToFavoriteAsync(int unused, int favoriteIndex);
    /// Waits for the reply to a NavigateToFavoriteAsync session, destroys the session and decodes
    /// the reply.
    int NavigateToFavoriteAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks for a route to the address given in four parts. Blocking form of
    /// "NavigateToAddressV01": starts the navigation application when needed, sends, waits for the
    /// reply.
    int NavigateToAddress(TError* error, const char* addressPart1, const char* addressPart2,
                          const char* addressPart3, const char* addressPart4);
    /// Sends "NavigateToAddressV01" (see NavigateToAddress); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* NavigateToAddressAsync(int unused, const char* addressPart1,
                                           const char* addressPart2, const char* addressPart3,
                                           const char* addressPart4);
    /// Waits for the reply to a NavigateToAddressAsync session, destroys the session and decodes
    /// the reply.
    int NavigateToAddressAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks for a route to the postal-code address given in three parts. Blocking form of
    /// "NavigateToPostalCodeV01": starts the navigation application when needed, sends, waits for
    /// the reply.
    int NavigateToPostalCode(TError* error, const char* addressPart1, const char* addressPart2,
                             const char* addressPart3);
    /// Sends "NavigateToPostalCodeV01" (see NavigateToPostalCode); returns its session, or null
    /// when nothing was sent.
    MOstrelSession* NavigateToPostalCodeAsync(int unused, const char* addressPart1,
                                              const char* addressPart2, const char* addressPart3);
    /// Waits for the reply to a NavigateToPostalCodeAsync session, destroys the session and decodes
    /// the reply.
    int NavigateToPostalCodeAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to show the address given in four parts on the map. Blocking form of
    /// "ShowAddressOnMapV01": starts the navigation application when needed, sends, waits for the
    /// reply.
    int ShowAddressOnMap(TError* error, const char* addressPart1, const char* addressPart2,
                         const char* addressPart3, const char* addressPart4);
    /// Sends "ShowAddressOnMapV01" (see ShowAddressOnMap); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* ShowAddressOnMapAsync(int unused, const char* addressPart1,
                                          const char* addressPart2, const char* addressPart3,
                                          const char* addressPart4);
    /// Waits for the reply to a ShowAddressOnMapAsync session, destroys the session and decodes the
    /// reply.
    int ShowAddressOnMapAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to show the postal-code address given in three parts on the map. Blocking form of
    /// "ShowPostalCodeOnMapV01": starts the navigation application when needed, sends, waits for
    /// the reply.
    int ShowPostalCodeOnMap(TError* error, const char* addressPart1, const char* addressPart2,
                            const char* addressPart3);
    /// Sends "ShowPostalCodeOnMapV01" (see ShowPostalCodeOnMap); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* ShowPostalCodeOnMapAsync(int unused, const char* addressPart1,
                                             const char* addressPart2, const char* addressPart3);
    /// Waits for the reply to a ShowPostalCodeOnMapAsync session, destroys the session and decodes
    /// the reply.
    int ShowPostalCodeOnMapAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to show the point (`coordinate1`, `coordinate2`) on the map. Blocking form of
    /// "ShowCoordinatesOnMapV01": starts the navigation application when needed, sends, waits for
    /// the reply.
    int ShowCoordinatesOnMap(TError* error, std::int32_t coordinate1, std::int32_t coordinate2);
    /// Sends "ShowCoordinatesOnMapV01" (see ShowCoordinatesOnMap); returns its session, or null
    /// when nothing was sent.
    MOstrelSession* ShowCoordinatesOnMapAsync(int unused, std::int32_t coordinate1,
                                              std::int32_t coordinate2);
    /// Waits for the reply to a ShowCoordinatesOnMapAsync session, destroys the session and decodes
    /// the reply.
    int ShowCoordinatesOnMapAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to show the rectangle between (`coordinate1`, `coordinate2`) and (`coordinate3`,
    /// `coordinate4`) on the map; the values are sent as given, not normalised. Blocking form of
    /// "ShowRectangleOnMapV01": starts the navigation application when needed, sends, waits for the
    /// reply.
    int ShowRectangleOnMap(TError* error, std::int32_t coordinate1, std::int32_t coordinate2,
                           std::int32_t coordinate3, std::int32_t coordinate4);
    /// Sends "ShowRectangleOnMapV01" (see ShowRectangleOnMap); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* ShowRectangleOnMapAsync(int unused, std::int32_t coordinate1,
                                            std::int32_t coordinate2, std::int32_t coordinate3,
                                            std::int32_t coordinate4);
    /// Waits for the reply to a ShowRectangleOnMapAsync session, destroys the session and decodes
    /// the reply.
    int ShowRectangleOnMapAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to change the setting that `setting` names to the value it names. Blocking form of
    /// "ChangeSettingV01": starts the navigation application when needed, sends, waits for the
    /// reply.
    int ChangeSetting(TError* error, ESettingAndValue setting);
    /// Sends "ChangeSettingV01" (see ChangeSetting); returns its session, or null when nothing was
    /// sent.
    MOstrelSession* ChangeSettingAsync(int unused, ESettingAndValue setting);
    /// Waits for the reply to a ChangeSettingAsync session, destroys the session and decodes the
    /// reply.
    int ChangeSettingAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to switch to the map `mapName`. Blocking form of "SwitchMapV01": starts the navigation
    /// application when needed, sends, waits for the reply.
    int SwitchMap(TError* error, const char* mapName);
    /// Sends "SwitchMapV01" (see SwitchMap); returns its session, or null when nothing was sent.
    MOstrelSession* SwitchMapAsync(int unused, const char* mapName);
    /// Waits for the reply to a SwitchMapAsync session, destroys the session and decodes the reply.
    int SwitchMapAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to set `property` to `value`. Blocking form of "SetNavigatorPropertyV01": starts the
    /// navigation application when needed, sends, waits for the reply.
    int SetNavigatorProperty(TError* error, EProperty property, std::int32_t value);
    /// Sends "SetNavigatorPropertyV01" (see SetNavigatorProperty); returns its session, or null
    /// when nothing was sent.
    MOstrelSession* SetNavigatorPropertyAsync(int unused, EProperty property, std::int32_t value);
    /// Waits for the reply to a SetNavigatorPropertyAsync session, destroys the session and decodes
    /// the reply.
    int SetNavigatorPropertyAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks the navigation application to come to the foreground; StartApplication uses it as the
    /// readiness test. Blocking form of "BringNavigatorToForegroundV01": starts the navigation
    /// application when needed, sends, waits for the reply.
    int BringNavigatorToForeground(TError* error);
    /// Sends "BringNavigatorToForegroundV01" (see BringNavigatorToForeground); returns its session,
    /// or null when nothing was sent.
    MOstrelSession* BringNavigatorToForegroundAsync(int unused);
    /// Waits for the reply to a BringNavigatorToForegroundAsync session, destroys the session and
    /// decodes the reply.
    int BringNavigatorToForegroundAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks the navigation application to switch to its navigation view. Blocking form of
    /// "SwitchToNavigatorViewV01": starts the navigation application when needed, sends, waits for
    /// the reply.
    int SwitchToNavigatorView(TError* error);
    /// Sends "SwitchToNavigatorViewV01" (see SwitchToNavigatorView); returns its session, or null
    /// when nothing was sent.
    MOstrelSession* SwitchToNavigatorViewAsync(int unused);
    /// Waits for the reply to a SwitchToNavigatorViewAsync session, destroys the session and
    /// decodes the reply.
    int SwitchToNavigatorViewAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to show or hide the route summary as `visible` says. Blocking form of
    /// "SetRouteSummaryVisibleV01": starts the navigation application when needed, sends, waits for
    /// the reply.
    int SetRouteSummaryVisible(TError* error, std::int32_t visible);
    /// Sends "SetRouteSummaryVisibleV01" (see SetRouteSummaryVisible); returns its session, or null
    /// when nothing was sent.
    MOstrelSession* SetRouteSummaryVisibleAsync(int unused, std::int32_t visible);
    /// Waits for the reply to a SetRouteSummaryVisibleAsync session, destroys the session and
    /// decodes the reply.
    int SetRouteSummaryVisibleAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to clear the planned route. Blocking form of "ClearRouteV01": starts the navigation
    /// application when needed, sends, waits for the reply.
    int ClearRoute(TError* error);
    /// Sends "ClearRouteV01" (see ClearRoute); returns its session, or null when nothing was sent.
    MOstrelSession* ClearRouteAsync(int unused);
    /// Waits for the reply to a ClearRouteAsync session, destroys the session and decodes the
    /// reply.
    int ClearRouteAsyncRetrieve(MOstrelSession* session, TError* error);
    ///@}

    /// @name Favourites and points of interest
    ///@{

    /// Asks to clear the favourite `favoriteIndex`. Blocking form of "ClearFavoriteV01": starts the
    /// navigation application when needed, sends, waits for the reply.
    int ClearFavorite(TError* error, std::int32_t favoriteIndex);
    /// Sends "ClearFavoriteV01" (see ClearFavorite); returns its session, or null when nothing was
    /// sent.
    MOstrelSession* ClearFavoriteAsync(int unused, std::int32_t favoriteIndex);
    /// Waits for the reply to a ClearFavoriteAsync session, destroys the session and decodes the
    /// reply.
    int ClearFavoriteAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to write the favourite `favoriteIndex` with two texts and two values. Blocking form of
    /// "SetFavoriteV01": starts the navigation application when needed, sends, waits for the reply.
    int SetFavorite(TError* error, std::int32_t favoriteIndex, const char* text1,
                    const char* text2, std::int32_t value1, std::int32_t value2);
    /// Sends "SetFavoriteV01" (see SetFavorite); returns its session, or null when nothing was
    /// sent.
    MOstrelSession* SetFavoriteAsync(int unused, std::int32_t favoriteIndex, const char* text1,
                                     const char* text2, std::int32_t value1, std::int32_t value2);
    /// Waits for the reply to a SetFavoriteAsync session, destroys the session and decodes the
    /// reply.
    int SetFavoriteAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Reads the favourite `favoriteIndex` into `favorite`. Blocking form of "GetFavoriteV01":
    /// starts the navigation application when needed, sends, waits for the reply.
    int GetFavorite(TError* error, TFavoriteInfo* favorite, std::int32_t favoriteIndex);
    /// Sends "GetFavoriteV01" (see GetFavorite); returns its session, or null when nothing was
    /// sent.
    MOstrelSession* GetFavoriteAsync(int unused, std::int32_t favoriteIndex);
    /// Waits for the reply to a GetFavoriteAsync session, destroys the session and decodes the
    /// reply into `favorite`.
    int GetFavoriteAsyncRetrieve(MOstrelSession* session, TError* error,
                                 TFavoriteInfo* favorite);

    /// Asks to show or hide the points of interest of type `poiType` as `value` says. Blocking form
    /// of "MakePoiVisibleV01": starts the navigation application when needed, sends, waits for the
    /// reply.
    int MakePoiVisible(TError* error, EPoiTypeCode poiType, std::int32_t value);
    /// Sends "MakePoiVisibleV01" (see MakePoiVisible); returns its session, or null when nothing
    /// was sent.
    MOstrelSession* MakePoiVisibleAsync(int unused, EPoiTypeCode poiType, std::int32_t value);
    /// Waits for the reply to a MakePoiVisibleAsync session, destroys the session and decodes the
    /// reply.
    int MakePoiVisibleAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to add a point of interest at (`coordinate1`, `coordinate2`) with two texts to the set
    /// `poiSetName`. Blocking form of "AddPoiV01": starts the navigation application when needed,
    /// sends, waits for the reply.
    int AddPoi(TError* error, const char* poiSetName, std::int32_t coordinate1,
               std::int32_t coordinate2, const char* text1, const char* text2);
    /// Sends "AddPoiV01" (see AddPoi); returns its session, or null when nothing was sent.
    MOstrelSession* AddPoiAsync(int unused, const char* poiSetName, std::int32_t coordinate1,
                                std::int32_t coordinate2, const char* text1, const char* text2);
    /// Waits for the reply to a AddPoiAsync session, destroys the session and decodes the reply.
    int AddPoiAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to delete the point of the set `poiSetName` closest to (`coordinate1`, `coordinate2`).
    /// Blocking form of "DeleteClosestPoiV01": starts the navigation application when needed,
    /// sends, waits for the reply.
    int DeleteClosestPoi(TError* error, const char* poiSetName, std::int32_t coordinate1,
                         std::int32_t coordinate2);
    /// Sends "DeleteClosestPoiV01" (see DeleteClosestPoi); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* DeleteClosestPoiAsync(int unused, const char* poiSetName,
                                          std::int32_t coordinate1, std::int32_t coordinate2);
    /// Waits for the reply to a DeleteClosestPoiAsync session, destroys the session and decodes the
    /// reply.
    int DeleteClosestPoiAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to delete every point of the set `poiSetName`. Blocking form of "DeleteAllPoiV01":
    /// starts the navigation application when needed, sends, waits for the reply.
    int DeleteAllPoi(TError* error, const char* poiSetName);
    /// Sends "DeleteAllPoiV01" (see DeleteAllPoi); returns its session, or null when nothing was
    /// sent.
    MOstrelSession* DeleteAllPoiAsync(int unused, const char* poiSetName);
    /// Waits for the reply to a DeleteAllPoiAsync session, destroys the session and decodes the
    /// reply.
    int DeleteAllPoiAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to show or hide the points of the set `poiSetName` as `value` says. Blocking form of
    /// "MakeUserPoiVisibleV01": starts the navigation application when needed, sends, waits for the
    /// reply.
    int MakeUserPoiVisible(TError* error, const char* poiSetName, std::int32_t value);
    /// Sends "MakeUserPoiVisibleV01" (see MakeUserPoiVisible); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* MakeUserPoiVisibleAsync(int unused, const char* poiSetName,
                                            std::int32_t value);
    /// Waits for the reply to a MakeUserPoiVisibleAsync session, destroys the session and decodes
    /// the reply.
    int MakeUserPoiVisibleAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to move the point of the set `poiSetName` closest to (`coordinate1`, `coordinate2`) to
    /// (`coordinate3`, `coordinate4`). Blocking form of "MoveClosestPoiV01": starts the navigation
    /// application when needed, sends, waits for the reply.
    int MoveClosestPoi(TError* error, const char* poiSetName, std::int32_t coordinate1,
                       std::int32_t coordinate2, std::int32_t coordinate3,
                       std::int32_t coordinate4);
    /// Sends "MoveClosestPoiV01" (see MoveClosestPoi); returns its session, or null when nothing
    /// was sent.
    MOstrelSession* MoveClosestPoiAsync(int unused, const char* poiSetName,
                                        std::int32_t coordinate1, std::int32_t coordinate2,
                                        std::int32_t coordinate3, std::int32_t coordinate4);
    /// Waits for the reply to a MoveClosestPoiAsync session, destroys the session and decodes the
    /// reply.
    int MoveClosestPoiAsyncRetrieve(MOstrelSession* session, TError* error);
    ///@}

    /// @name Position and location
    ///@{

    /// Reads the current position into `position`. Blocking form of "GetCurrentPositionV01": starts
    /// the navigation application when needed, sends, waits for the reply.
    int GetCurrentPosition(TError* error, TCurrentPositionInfo* position);
    /// Sends "GetCurrentPositionV01" (see GetCurrentPosition); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* GetCurrentPositionAsync(int unused);
    /// Waits for the reply to a GetCurrentPositionAsync session, destroys the session and decodes
    /// the reply into `position`.
    int GetCurrentPositionAsyncRetrieve(MOstrelSession* session, TError* error,
                                        TCurrentPositionInfo* position);

    /// Reads information on the location (`coordinate1`, `coordinate2`) into `location`. Blocking
    /// form of "GetLocationInfoV01": starts the navigation application when needed, sends, waits
    /// for the reply.
    int GetLocationInfo(TError* error, TLocationInfo* location, std::int32_t coordinate1,
                        std::int32_t coordinate2);
    /// Sends "GetLocationInfoV01" (see GetLocationInfo); returns its session, or null when nothing
    /// was sent.
    MOstrelSession* GetLocationInfoAsync(int unused, std::int32_t coordinate1,
                                         std::int32_t coordinate2);
    /// Waits for the reply to a GetLocationInfoAsync session, destroys the session and decodes the
    /// reply into `location`.
    int GetLocationInfoAsyncRetrieve(MOstrelSession* session, TError* error,
                                     TLocationInfo* location);

    /// Reads extended information on the location (`coordinate1`, `coordinate2`) into `location`.
    /// Blocking form of "GetLocationInfoExV01": starts the navigation application when needed,
    /// sends, waits for the reply.
    int GetLocationInfoEx(TError* error, TLocationInfoEx* location, std::int32_t coordinate1,
                          std::int32_t coordinate2);
    /// Sends "GetLocationInfoExV01" (see GetLocationInfoEx); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* GetLocationInfoExAsync(int unused, std::int32_t coordinate1,
                                           std::int32_t coordinate2);
    /// Waits for the reply to a GetLocationInfoExAsync session, destroys the session and decodes
    /// the reply into `location`.
    int GetLocationInfoExAsyncRetrieve(MOstrelSession* session, TError* error,
                                       TLocationInfoEx* location);
    ///@}

    /// @name Route
    ///@{

    /// Reads the summary of the planned route into `route`. Blocking form of "GetRouteInfoV01":
    /// starts the navigation application when needed, sends, waits for the reply.
    int GetRouteInfo(TError* error, TRouteInfo* route);
    /// Sends "GetRouteInfoV01" (see GetRouteInfo); returns its session, or null when nothing was
    /// sent.
    MOstrelSession* GetRouteInfoAsync(int unused);
    /// Waits for the reply to a GetRouteInfoAsync session, destroys the session and decodes the
    /// reply into `route`.
    int GetRouteInfoAsyncRetrieve(MOstrelSession* session, TError* error, TRouteInfo* route);

    /// Blocking form; returns -2 (not -1) when the navigation application cannot be started.
    int GetRouteCoordinates(TError* error, TRouteCoordinates* route);
    /// Sends "GetRouteCoordinatesV01" (see GetRouteCoordinates); returns its session, or null when
    /// nothing was sent.
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

    /// Geocodes the address given in three parts into `result`. Blocking form of "GeocodeV01":
    /// starts the navigation application when needed, sends, waits for the reply.
    int Geocode(TError* error, TGeocodeResult* result, const char* addressPart1,
                const char* addressPart2, const char* addressPart3);
    /// Sends "GeocodeV01" (see Geocode); returns its session, or null when nothing was sent.
    MOstrelSession* GeocodeAsync(int unused, const char* addressPart1, const char* addressPart2,
                                 const char* addressPart3);
    /// Waits for the reply to a GeocodeAsync session, destroys the session and decodes the reply
    /// into `result`.
    int GeocodeAsyncRetrieve(MOstrelSession* session, TError* error, TGeocodeResult* result);

    /// Geocodes the address given in four parts into `result`. Blocking form of
    /// "GeocodeExtendedV01": starts the navigation application when needed, sends, waits for the
    /// reply.
    int GeocodeExtended(TError* error, TGeocodeResult* result, const char* addressPart1,
                        const char* addressPart2, const char* addressPart3,
                        const char* addressPart4);
    /// Sends "GeocodeExtendedV01" (see GeocodeExtended); returns its session, or null when nothing
    /// was sent.
    MOstrelSession* GeocodeExtendedAsync(int unused, const char* addressPart1,
                                         const char* addressPart2, const char* addressPart3,
                                         const char* addressPart4);
    /// Waits for the reply to a GeocodeExtendedAsync session, destroys the session and decodes the
    /// reply into `result`.
    int GeocodeExtendedAsyncRetrieve(MOstrelSession* session, TError* error,
                                     TGeocodeResult* result);

    /// Geocodes the postal-code address given in three parts into `result`. Blocking form of
    /// "GeocodeByPostalCode": starts the navigation application when needed, sends, waits for the
    /// reply.
    int GeocodeByPostalCode(TError* error, TGeocodeResult* result, const char* addressPart1,
                            const char* addressPart2, const char* addressPart3);
    /// Sends "GeocodeByPostalCode" (see GeocodeByPostalCode); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* GeocodeByPostalCodeAsync(int unused, const char* addressPart1,
                                             const char* addressPart2, const char* addressPart3);
    /// Waits for the reply to a GeocodeByPostalCodeAsync session, destroys the session and decodes
    /// the reply into `result`.
    int GeocodeByPostalCodeAsyncRetrieve(MOstrelSession* session, TError* error,
                                         TGeocodeResult* result);
    ///@}

    /// @name Device, map data and GPS
    ///@{

    /// Reads the description of the map data set into `info`. Blocking form of "GetDataSetInfoV01":
    /// starts the navigation application when needed, sends, waits for the reply.
    int GetDataSetInfo(TError* error, TDataSetInfo* info);
    /// Sends "GetDataSetInfoV01" (see GetDataSetInfo); returns its session, or null when nothing
    /// was sent.
    MOstrelSession* GetDataSetInfoAsync(int unused);
    /// Waits for the reply to a GetDataSetInfoAsync session, destroys the session and decodes the
    /// reply into `info`.
    int GetDataSetInfoAsyncRetrieve(MOstrelSession* session, TError* error, TDataSetInfo* info);

    /// Reads the device's identifier into `id`. Blocking form of "GetUniqueDeviceIdV01": starts the
    /// navigation application when needed, sends, waits for the reply.
    int GetUniqueDeviceId(TError* error, TDeviceId* id);
    /// Sends "GetUniqueDeviceIdV01" (see GetUniqueDeviceId); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* GetUniqueDeviceIdAsync(int unused);
    /// Waits for the reply to a GetUniqueDeviceIdAsync session, destroys the session and decodes
    /// the reply into `id`.
    int GetUniqueDeviceIdAsyncRetrieve(MOstrelSession* session, TError* error, TDeviceId* id);

    /// Asks to switch external GPS input on; its answer goes into `result`. Blocking form of
    /// "EnableExternalGPSInputV01": starts the navigation application when needed, sends, waits for
    /// the reply.
    int EnableExternalGPSInput(TError* error, TExternalGPSResult* result);
    /// Sends "EnableExternalGPSInputV01" (see EnableExternalGPSInput); returns its session, or null
    /// when nothing was sent.
    MOstrelSession* EnableExternalGPSInputAsync(int unused);
    /// Waits for the reply to a EnableExternalGPSInputAsync session, destroys the session and
    /// decodes the reply into `result`.
    int EnableExternalGPSInputAsyncRetrieve(MOstrelSession* session, TError* error,
                                            TExternalGPSResult* result);

    /// Asks to switch external GPS input off. Blocking form of "DisableExternalGPSInputV01": starts
    /// the navigation application when needed, sends, waits for the reply.
    int DisableExternalGPSInput(TError* error);
    /// Sends "DisableExternalGPSInputV01" (see DisableExternalGPSInput); returns its session, or
    /// null when nothing was sent.
    MOstrelSession* DisableExternalGPSInputAsync(int unused);
    /// Waits for the reply to a DisableExternalGPSInputAsync session, destroys the session and
    /// decodes the reply.
    int DisableExternalGPSInputAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to switch raw GPS output on, passing `outputText`. Blocking form of
    /// "EnableRawGPSOutputV01": starts the navigation application when needed, sends, waits for the
    /// reply.
    int EnableRawGPSOutput(TError* error, const char* outputText);
    /// Sends "EnableRawGPSOutputV01" (see EnableRawGPSOutput); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* EnableRawGPSOutputAsync(int unused, const char* outputText);
    /// Waits for the reply to a EnableRawGPSOutputAsync session, destroys the session and decodes
    /// the reply.
    int EnableRawGPSOutputAsyncRetrieve(MOstrelSession* session, TError* error);

    /// Asks to switch raw GPS output off. Blocking form of "DisableRawGPSOutputV01": starts the
    /// navigation application when needed, sends, waits for the reply.
    int DisableRawGPSOutput(TError* error);
    /// Sends "DisableRawGPSOutputV01" (see DisableRawGPSOutput); returns its session, or null when
    /// nothing was sent.
    MOstrelSession* DisableRawGPSOutputAsync(int unused);
    /// Waits for the reply to a DisableRawGPSOutputAsync session, destroys the session and decodes
    /// the reply.
    int DisableRawGPSOutputAsyncRetrieve(MOstrelSession* session, TError* error);
    ///@}

    /// @name Stopping the navigation application
    ///@{

    /// Does not start the navigation application: returns 0 with errorCode -5 when it does not
    /// run. After an accepted stop, waits up to 11 s for its window to go; errorCode is then -5
    /// when it went, 0 when it stayed.
    int StopApplication(TError* error);
    /// Sends "StopApplicationV01" (see StopApplication); returns its session, or null when nothing
    /// was sent.
    MOstrelSession* StopApplicationAsync(int unused);
    /// Waits for the reply to a StopApplicationAsync session, destroys the session and decodes the
    /// reply.
    int StopApplicationAsyncRetrieve(MOstrelSession* session, TError* error);
    ///@}

    /// Size of the buffer in which each numeric argument is formatted before it is appended.
    static constexpr int kConversionBufferSize = 12;

private:
    MOstrelCommunicationLayerInterface& layer;     ///< the layer given to the constructor
    char conversionBuffer[kConversionBufferSize];  ///< decimal text of the last number sent
};
