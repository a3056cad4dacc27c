// COstrelWatcher: tells an application what happens to the navigation application, its position
// and its route (started, stopped, route started, changed or cleared, progress, waypoints and
// destination reached, off and back on route, position lost and regained) as events, by polling
// it over the request/reply exchange at the application's pace.
#pragma once

/// @file
/// COstrelWatcher and MWatchHandlerInterface: events of the navigation application, its
/// position and its route, derived by polling.

#include <atomic>
#include <cstdint>

#include "OXSDK5Link/Export.h"
#include "OXSDK5Link/OstrelAPI.h"

class MWatchHandlerInterface;

/// Polls the navigation application and reports edges, not samples: each change of its state,
/// position or route once, as an event handed to an MWatchHandlerInterface.
///
/// One round (Poll) looks whether the navigation application's window exists (a look at the
/// device, no round trip) and, when it does, asks for the current position and the route info
/// (two round trips, sent together), and for the route's coordinates only when the route info
/// shows a new route (a third). It never starts the navigation application. A reply wait ends
/// when the navigation application's window goes; a deadline set on the file layer
/// (COstrelFileLayer::SetReplyTimeout) bounds it otherwise.
///
/// What the watcher reads. Of the position record only members value1 and value2 are used,
/// read as latitude and longitude in microdegrees (WGS 84), as the emulator and `oxsdk`'s
/// meanings table have them; speed is derived from positions at least 2 s apart. Of the route
/// info only the members that describe a route as a whole are compared, to notice a new
/// route: value1, value2, value7, value8, value9 and value13 (length, planned time,
/// destination, point count and route number in the emulator's meanings); a reply with a
/// non-zero code means no route. Everything else (distance left and travelled, arrival, off
/// route) is computed by the watcher from the route's points: the position is projected onto
/// the route's polyline (geodesics of the WGS 84 ellipsoid), the distance left is measured
/// along it.
///
/// Costs. A round is at most three round trips (the coordinates only for a new route). The
/// geometry of a round looks at every segment of the route once with a flat approximation and
/// refines the few nearest with geodesics. Measured by bench/watcher_cost.cc against the
/// emulator on a route of 3,300 points, on a loaded 2-core machine: the first round (which
/// reads the points) 128 ms; later rounds 1.2 to 2.8 ms of processor time each, nine tenths of
/// it the kernel's work on the exchange files and less than a tenth the geometry; a watcher at
/// a 1 s interval 0.12 % to 0.42 % of one core. Memory: the route's points and their distances
/// along the route (24 bytes a point), freed when the route goes.
///
/// Threads: the watcher and the COstrelAPI it uses (and that API's layer) are used from one
/// thread at a time; give the watcher an API of its own when the application calls the
/// navigation application from other threads. Nothing here starts a thread.
///
/// Availability: the library holds the watcher where it was built with GeographicLib (the
/// Linux builds, and the Windows cross build, which builds GeographicLib for itself); a
/// library built without it lacks these symbols.
///
/// Errors: no member throws. A handler must not throw either; an exception out of a handler is
/// caught, ends the round (the events after it in that round are lost) and Poll returns -1.
class OXSDK5LINK_API COstrelWatcher {
public:
    /// What happened. Each event is reported once per occurrence, on the round that sees it.
    enum EEvent {
        /// The navigation application's window appeared (or existed at the first round).
        ENavigatorStarted = 1,
        /// The window went, or a query ended with errorCode -5. Route and position are
        /// forgotten without events of their own.
        ENavigatorStopped = 2,
        /// A route appeared where there was none (or was there at the first round). The event
        /// carries the new route's length and its points' count.
        ERouteStarted = 3,
        /// A new route replaced the one known (new geometry): another destination, a route
        /// planned again, or a new route after arrival.
        ERouteChanged = 4,
        /// The route went before its destination was reached. A route that goes after
        /// EDestinationReached goes without an event. Either way an off-route state ends with
        /// the route, without an event of its own.
        ERouteCleared = 5,
        /// Distance and time left and distance travelled, on the route. Throttled: at most once
        /// per TThresholds::progressIntervalMilliseconds, and only when the distance left
        /// changed by TThresholds::progressFraction of the route's length or by
        /// TThresholds::progressMetres since the last report. Not after arrival.
        EProgress = 6,
        /// The vehicle came within the arrival radius of waypoint `waypointIndex` of those given
        /// to SetWaypoints; once per waypoint and route.
        EWaypointReached = 7,
        /// The vehicle came within the arrival radius of the route's last point; once per route.
        EDestinationReached = 8,
        /// The vehicle has been farther than TThresholds::offRouteMetres from the route for
        /// TThresholds::offRouteMilliseconds.
        EOffRoute = 9,
        /// After EOffRoute, the vehicle came closer than TThresholds::backOnRouteMetres to the
        /// route (or a new route was planned through where it is).
        EBackOnRoute = 10,
        /// No position could be read (a non-zero errorCode while the navigation application
        /// runs), or, while a route is driven and not yet arrived, the position stayed exactly
        /// the same for TThresholds::positionStaleMilliseconds.
        EPositionLost = 11,
        /// After EPositionLost, a position was read again that differs from the stale one.
        EPositionRegained = 12
    };

    /// One event, with the state it was derived from.
    struct TEvent {
        EEvent kind;                    ///< what happened
        std::uint64_t sequence;         ///< 1 for the watcher's first event, then 2, 3, ...
        std::int64_t timeMilliseconds;  ///< the watcher's clock when the round began (see SetClock)
        bool hasPosition;               ///< a position was read in this round
        std::int32_t latitude;          ///< microdegrees, when hasPosition
        std::int32_t longitude;         ///< microdegrees, when hasPosition
        double speedMetresPerSecond;    ///< derived from positions at least 2 s apart; 0 at first
        bool hasRoute;             ///< a route is known (for ERouteCleared: the route that went)
        std::int32_t routePoints;  ///< points of the route
        double routeMetres;        ///< length of the route's polyline
        double travelledMetres;    ///< distance along the route to the projected position
        double leftMetres;         ///< routeMetres - travelledMetres; 0 once arrived
        double secondsLeft;     ///< leftMetres at the mean speed since the route began; -1 unknown
        double offRouteMetres;  ///< distance from the position to the route's polyline
        bool offRoute;          ///< off route (after EOffRoute, until EBackOnRoute)
        bool arrived;           ///< the route's destination was reached
        std::int32_t waypointIndex;  ///< EWaypointReached: index into the waypoints given; else -1
    };

    /// The thresholds of the events. Defaults are those of everyday car navigation.
    struct TThresholds {
        /// Least arrival radius around the destination and the waypoints, metres. 12 m: the
        /// radius open navigation apps use for arrival at walking and parking speeds, a little
        /// more than a consumer receiver's error.
        double arrivalMetres = 12.0;
        /// The arrival radius grows with speed: speed times this many seconds when that is more
        /// (default 5 s: the radius a moving vehicle covers between two rounds of a slow poll,
        /// so that a destination passed at speed is not missed).
        double arrivalSeconds = 5.0;
        /// Largest arrival radius (default 200 m, what 5 s at motorway speed cover), so that a
        /// speed derived from sparse fixes, or from a navigator in fast simulated time, cannot
        /// make the radius swallow a short route.
        double arrivalMaxMetres = 200.0;
        /// Off route: farther than this from the route's polyline (default 50 m: beyond a
        /// receiver's error in a street canyon and a road's width)...
        double offRouteMetres = 50.0;
        /// ...for at least this long (default 3 s, so that one stray fix does not count).
        std::int32_t offRouteMilliseconds = 3000;
        /// Back on route: closer than this (default 25 m, half the off-route distance, so that
        /// a position near the threshold does not flap).
        double backOnRouteMetres = 25.0;
        /// Progress is reported when the distance left changed by this fraction of the route's
        /// length (default 0.01: 1 %)...
        double progressFraction = 0.01;
        /// ...or by this many metres (default 100 m), whichever comes first...
        double progressMetres = 100.0;
        /// ...and not more often than this (default 1000 ms).
        std::int32_t progressIntervalMilliseconds = 1000;
        /// The position counts as lost when it stays exactly the same this long while a route
        /// is driven (default 10000 ms: a receiver reports at least once a second, a moving
        /// vehicle's fix changes in its last digit every few metres).
        std::int32_t positionStaleMilliseconds = 10000;
    };

    /// The watcher's clock: milliseconds; by default the system clock since 1970 (UTC).
    using TClock = std::int64_t (*)(void* context);

    /// Most waypoints SetWaypoints keeps.
    static constexpr std::int32_t kMaxWaypoints = 1000;

    /// Watches through `api`, reporting to `handler`; both are kept by reference and must
    /// outlive the watcher. Nothing is sent until the first Poll.
    COstrelWatcher(COstrelAPI& api, MWatchHandlerInterface& handler);
    /// Releases the watcher's state (the route's points); sends nothing.
    ~COstrelWatcher();
    /// Not copyable: a watcher's state belongs to one watch.
    COstrelWatcher(const COstrelWatcher&) = delete;
    /// Not copyable.
    COstrelWatcher& operator=(const COstrelWatcher&) = delete;

    /// One round: queries as described above, then every event since the last round handed to
    /// the handler in order. Returns the number of events handed over, or -1 when the watcher
    /// has no memory for its state or a handler threw.
    int Poll();

    /// Calls Poll every `intervalMilliseconds` (at least 1) on the calling thread until
    /// `stopFlag` is true (looked at between rounds and at least every 100 ms while waiting).
    /// Returns the number of rounds made.
    std::int64_t Run(std::int32_t intervalMilliseconds, const std::atomic<bool>& stopFlag);

    /// Intermediate stops the application planned, in microdegrees (latitude, longitude), for
    /// EWaypointReached; at most kMaxWaypoints are kept (the rest are ignored). Replaces the
    /// earlier list; a null `points` or a `count` of 0 clears it. Returns the number kept.
    std::int32_t SetWaypoints(const COstrelAPI::TRouteCoordinatePair* points, std::int32_t count);

    /// Replaces the clock (for example by a simulated one); null restores the system clock.
    void SetClock(TClock clock, void* context);

    /// The thresholds; change them between rounds.
    TThresholds thresholds;

    /// The watcher's state between rounds, defined inside the library only.
    struct TState;

private:
    COstrelAPI& api_;
    MWatchHandlerInterface& handler_;
    TState* state_;  ///< null when it could not be allocated
};

/// Receives the events of a COstrelWatcher.
class OXSDK5LINK_API MWatchHandlerInterface {
public:
    /// Handlers are deleted through this interface.
    virtual ~MWatchHandlerInterface();
    /// Called for each event, in order, on the thread that called Poll, after the round's
    /// queries. The reference is valid during the call only. It may use the watcher's
    /// COstrelAPI; it must not throw, and must not call Poll or Run of the same watcher.
    virtual void HandleWatchEvent(const COstrelWatcher::TEvent& event) = 0;
};
