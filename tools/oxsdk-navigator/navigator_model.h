// The state of the emulated navigation application: where the vehicle is, the route it
// follows and how far it got, and the settings, properties and display state that commands
// change. The command handlers read and change it; the main loop advances it in simulated time.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "geo.h"
#include "route_planner.h"

namespace oxsdk::emulator {

/// Screen the navigator shows.
enum class EView { kNavigation, kMap };

/// A route being followed.
struct TTrip {
    TRoute route;
    std::string destinationName;
    int routeNumber = 0;  ///< 1 for the first route planned since start, then 2, ...
    double travelledMetres = 0.0;
    double elapsedSeconds = 0.0;  ///< simulated seconds since the route was planned
    bool arrived = false;
};

/// A stretch of every route on which the vehicle leaves the road and comes back: from
/// `afterMetres` travelled, for `lengthMetres`, it drives up to `offsetMetres` to the right of the
/// route (to the left when negative), easing out and back. The route's progress is unchanged.
struct TDetour {
    double afterMetres = 0.0;
    double lengthMetres = 0.0;
    double offsetMetres = 0.0;
};

/// Result codes of the model's changes (the command handler passes them on).
enum class EChange { kDone, kOutOfRange };

class CNavigatorModel {
public:
    explicit CNavigatorModel(const TGeoPoint& start);

    // ---- position and trip ----
    const TGeoPoint& position() const { return position_; }
    double headingDegrees() const { return heading_; }
    /// Current speed in km/h: the fix's while a position source holds the position, else the
    /// travel speed while a trip is under way, else 0.
    double speedKmh() const;
    /// Places the vehicle (a scenario's start, or a jump); a trip under way is cleared.
    void SetPosition(const TGeoPoint& point);
    /// Puts the vehicle where a position source (a replayed track, the external GPS input)
    /// has it. From then on the source holds the position: a trip under way is no longer
    /// driven, until ReleaseFix.
    void SetFix(const TGeoPoint& point, double headingDegrees, double speedKmh);
    void ReleaseFix() { fixed_ = false; }
    /// Plans a route from the current position through `via` (in order) to `destination` and
    /// starts following it.
    const TTrip& NavigateTo(const TGeoPoint& destination, const std::string& name,
                            const std::vector<TGeoPoint>& via = {});
    /// Stops and forgets the route; false when there was none.
    bool ClearRoute();
    const std::optional<TTrip>& trip() const { return trip_; }
    /// Moves the vehicle `simulatedSeconds` along the route at the travel speed.
    void Advance(double simulatedSeconds);
    /// Makes every route's vehicle take `detour` (a length of 0: none).
    void SetDetour(const TDetour& detour) { detour_ = detour; }
    /// How far the vehicle is off its route on the detour now, metres (0 on the route).
    double detourMetres() const { return detourMetres_; }
    /// Speed in km/h at which the vehicle follows a route: the simulation speed property when
    /// it is above 0, else the route's planned average speed.
    double TravelSpeedKmh() const;
    /// Remaining simulated seconds to the destination at the travel speed (0 when none).
    double RemainingSeconds() const;

    // ---- settings (ChangeSetting) and properties (SetNavigatorProperty) ----
    /// Applies a setting-and-value code (1 to 17); kOutOfRange for other codes.
    EChange ApplySetting(int code);
    /// Current value of each setting group, by name ("sound": "on", ...).
    const std::map<std::string, std::string>& settings() const { return settings_; }
    TRouteOptions routeOptions() const;
    /// Sets property `property` (1 to 6) to `value` when it lies in the property's range.
    EChange SetProperty(int property, long value);
    long property(int property) const;

    // ---- display ----
    EView view() const { return view_; }
    void SetView(EView view) { view_ = view; }
    /// Centres the map on `centre` at a scale of `widthMetres` per screen width (0 keeps the
    /// zoom level property), and switches to the map view.
    void ShowOnMap(const TGeoPoint& centre, long widthMetres);
    const TGeoPoint& mapCentre() const { return mapCentre_; }
    const std::string& mapName() const { return mapName_; }
    void SetMapName(const std::string& name) { mapName_ = name; }
    bool routeSummaryVisible() const { return routeSummaryVisible_; }
    void SetRouteSummaryVisible(bool visible) { routeSummaryVisible_ = visible; }
    /// Category visibility of built-in points of interest (MakePoiVisible), by type code.
    void SetPoiTypeVisible(int type, bool visible) { poiTypeVisible_[type] = visible; }
    bool poiTypeVisible(int type) const;
    /// The message last flashed and for how many seconds it shows (0: until the next one).
    void FlashMessage(const std::string& text, int seconds) {
        message_ = text;
        messageSeconds_ = seconds;
        ++messagesFlashed_;
    }
    const std::string& message() const { return message_; }
    int messageSeconds() const { return messageSeconds_; }
    /// Messages flashed since start: tells a repeated message from the one before.
    int messagesFlashed() const { return messagesFlashed_; }

    // ---- GPS ----
    bool externalGpsInput() const { return externalGpsInput_; }
    void SetExternalGpsInput(bool on) { externalGpsInput_ = on; }

private:
    TGeoPoint position_;
    double heading_ = 0.0;
    bool fixed_ = false;  // a position source holds the position
    double fixSpeedKmh_ = 0.0;
    std::optional<TTrip> trip_;
    TDetour detour_;
    double detourMetres_ = 0.0;
    int routesPlanned_ = 0;
    std::map<std::string, std::string> settings_;
    std::map<int, long> properties_;
    EView view_ = EView::kNavigation;
    TGeoPoint mapCentre_;
    std::string mapName_ = "Western Europe";
    bool routeSummaryVisible_ = false;
    std::map<int, bool> poiTypeVisible_;
    std::string message_;
    int messageSeconds_ = 0;
    int messagesFlashed_ = 0;
    bool externalGpsInput_ = false;
};

}  // namespace oxsdk::emulator
