// COstrelWatcher: one round of queries, the route's geometry and the state machine that turns
// samples into events.
#include "OXSDK5Link/Watcher.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

#include "watcher/route_geometry.h"

namespace {

using oxsdk::watcher::CRouteGeometry;
using oxsdk::watcher::DistanceMetres;
using oxsdk::watcher::TPoint;
using oxsdk::watcher::TProjection;

// Members of the route info compared to notice a new route: those that describe it as a whole.
constexpr int kSignatureSize = 6;
// The speed is derived from positions at least this far apart in time.
constexpr std::int64_t kSpeedBaselineMilliseconds = 2000;
// Below this mean speed (m/s) no time left is estimated.
constexpr double kLeastMeanSpeed = 0.1;
// The longest wait between two looks at Run's stop flag.
constexpr std::int32_t kStopLookMilliseconds = 100;

std::int64_t SystemClock(void*) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool ValidMicrodegrees(std::int32_t latitude, std::int32_t longitude) {
    return latitude >= -90000000 && latitude <= 90000000 && longitude >= -180000000 &&
           longitude <= 180000000;
}

TPoint PointOf(std::int32_t latitude, std::int32_t longitude) {
    return TPoint{latitude / 1e6, longitude / 1e6};
}

}  // namespace

struct COstrelWatcher::TState {
    TClock clock = SystemClock;
    void* clockContext = nullptr;
    std::uint64_t sequence = 0;
    std::int64_t now = 0;
    std::vector<TEvent> pending;

    bool running = false;

    // Position.
    bool hasPosition = false;  // read in this round
    std::int32_t latitude = 0;
    std::int32_t longitude = 0;
    bool everPositioned = false;
    std::int64_t positionChangedAt = 0;
    double speed = 0.0;
    TPoint speedFrom;  // the position the speed is measured from, and when it was read
    std::int64_t speedFromAt = 0;
    bool positionLost = false;

    // Route.
    bool hasRoute = false;
    std::int32_t signature[kSignatureSize] = {};
    CRouteGeometry geometry;
    TProjection projection;
    std::int64_t routeStartedAt = 0;
    double startAlong = 0.0;
    bool arrived = false;
    bool offRoute = false;
    std::int64_t farSince = -1;
    std::int64_t lastProgressAt = 0;
    double lastProgressLeft = 0.0;

    std::vector<TPoint> waypoints;
    std::vector<bool> waypointReached;
};

namespace {

class CRound {
public:
    CRound(COstrelAPI& api, COstrelWatcher::TState& state,
           const COstrelWatcher::TThresholds& thresholds)
        : api_(api), s_(state), t_(thresholds) {}

    void Run();

private:
    using TEvent = COstrelWatcher::TEvent;

    void Emit(COstrelWatcher::EEvent kind, std::int32_t waypoint = -1);
    void Stopped();
    void ForgetRoute();
    void TakePosition(int errorCode, const COstrelAPI::TCurrentPositionInfo& position);
    // False when the navigation application went while the coordinates were read.
    bool TakeRoute(int errorCode, const COstrelAPI::TRouteInfo& info);
    void Follow();
    double LeftMetres() const {
        return s_.arrived ? 0.0 : s_.geometry.lengthMetres() - s_.projection.alongMetres;
    }

    COstrelAPI& api_;
    COstrelWatcher::TState& s_;
    const COstrelWatcher::TThresholds& t_;
};

void CRound::Emit(COstrelWatcher::EEvent kind, std::int32_t waypoint) {
    TEvent event{};
    event.kind = kind;
    event.sequence = ++s_.sequence;
    event.timeMilliseconds = s_.now;
    event.hasPosition = s_.hasPosition;
    event.latitude = s_.latitude;
    event.longitude = s_.longitude;
    event.speedMetresPerSecond = s_.speed;
    event.hasRoute = s_.hasRoute;
    event.waypointIndex = waypoint;
    event.secondsLeft = -1.0;
    if (s_.hasRoute) {
        event.routePoints = static_cast<std::int32_t>(s_.geometry.size());
        event.routeMetres = s_.geometry.lengthMetres();
        event.travelledMetres = s_.projection.alongMetres;
        event.leftMetres = LeftMetres();
        event.offRouteMetres = s_.projection.crossMetres;
        event.offRoute = s_.offRoute;
        event.arrived = s_.arrived;
        const double seconds = static_cast<double>(s_.now - s_.routeStartedAt) / 1000.0;
        const double meanSpeed =
            seconds > 0.0 ? (s_.projection.alongMetres - s_.startAlong) / seconds : 0.0;
        if (s_.arrived) {
            event.secondsLeft = 0.0;
        } else if (meanSpeed >= kLeastMeanSpeed) {
            event.secondsLeft = event.leftMetres / meanSpeed;
        }
    }
    s_.pending.push_back(event);
}

void CRound::ForgetRoute() {
    s_.hasRoute = false;
    s_.geometry.Clear();
    s_.projection = TProjection();
    s_.arrived = false;
    s_.offRoute = false;
    s_.farSince = -1;
}

void CRound::Stopped() {
    Emit(COstrelWatcher::ENavigatorStopped);
    s_.running = false;
    s_.hasPosition = false;
    s_.everPositioned = false;
    s_.positionLost = false;
    s_.speed = 0.0;
    ForgetRoute();
}

void CRound::Run() {
    COstrelAPI::TError error{0};
    s_.hasPosition = false;
    if (api_.IsApplicationRunning(&error) != 1) {
        if (s_.running) Stopped();
        return;
    }
    const bool started = !s_.running;
    s_.running = true;
    // Both questions are sent before either answer is awaited: one wait for two replies.
    COstrelAPI::TCurrentPositionInfo position{};
    COstrelAPI::TRouteInfo info{};
    COstrelAPI::TError positionError{-1};
    COstrelAPI::TError routeError{-1};
    MOstrelSession* positionSession = api_.GetCurrentPositionAsync(0);
    MOstrelSession* routeSession = api_.GetRouteInfoAsync(0);
    const int positionResult =
        api_.GetCurrentPositionAsyncRetrieve(positionSession, &positionError, &position);
    const int routeResult = api_.GetRouteInfoAsyncRetrieve(routeSession, &routeError, &info);
    // The start is reported with the first position, before what that position shows.
    if (started && positionResult == 0 && positionError.errorCode == 0) {
        s_.hasPosition = ValidMicrodegrees(position.value1, position.value2);
        s_.latitude = position.value1;
        s_.longitude = position.value2;
    }
    if (started) Emit(COstrelWatcher::ENavigatorStarted);
    s_.hasPosition = false;
    if (positionError.errorCode == -5 || routeError.errorCode == -5) {
        Stopped();
        return;
    }
    TakePosition(positionResult == 0 ? positionError.errorCode : -1, position);
    if (!TakeRoute(routeResult == 0 ? routeError.errorCode : -1, info)) {
        Stopped();
        return;
    }
    if (s_.hasRoute && s_.hasPosition) Follow();
}

void CRound::TakePosition(int errorCode, const COstrelAPI::TCurrentPositionInfo& position) {
    const bool read = errorCode == 0 && ValidMicrodegrees(position.value1, position.value2);
    if (!read) {
        if (!s_.positionLost) {
            s_.positionLost = true;
            Emit(COstrelWatcher::EPositionLost);
        }
        return;
    }
    const bool changed =
        !s_.everPositioned || position.value1 != s_.latitude || position.value2 != s_.longitude;
    // Speed over a baseline of a few seconds: the time between two fixes as the watcher sees it
    // varies with the delay of each reply, which over one round would make the speed jitter.
    if (!s_.everPositioned) {
        s_.speedFrom = PointOf(position.value1, position.value2);
        s_.speedFromAt = s_.now;
    } else if (s_.now - s_.speedFromAt >= kSpeedBaselineMilliseconds) {
        const TPoint here = PointOf(position.value1, position.value2);
        s_.speed = DistanceMetres(s_.speedFrom, here) * 1000.0 /
                   static_cast<double>(s_.now - s_.speedFromAt);
        s_.speedFrom = here;
        s_.speedFromAt = s_.now;
    }
    if (changed) {
        s_.latitude = position.value1;
        s_.longitude = position.value2;
        s_.positionChangedAt = s_.now;
        s_.everPositioned = true;
    }
    s_.hasPosition = true;
    const bool driving = s_.hasRoute && !s_.arrived;
    if (s_.positionLost && changed) {
        s_.positionLost = false;
        Emit(COstrelWatcher::EPositionRegained);
    } else if (!s_.positionLost && !changed && driving &&
               s_.now - s_.positionChangedAt >= t_.positionStaleMilliseconds) {
        s_.positionLost = true;
        Emit(COstrelWatcher::EPositionLost);
    }
}

bool CRound::TakeRoute(int errorCode, const COstrelAPI::TRouteInfo& info) {
    if (errorCode != 0) {
        if (s_.hasRoute && !s_.arrived) Emit(COstrelWatcher::ERouteCleared);
        ForgetRoute();
        return true;
    }
    const std::int32_t signature[kSignatureSize] = {info.value1, info.value2, info.value7,
                                                    info.value8, info.value9, info.value13};
    if (s_.hasRoute && std::equal(signature, signature + kSignatureSize, s_.signature)) {
        return true;
    }
    COstrelAPI::TError error{-1};
    COstrelAPI::TRouteCoordinates route{-1, nullptr};
    api_.GetRouteCoordinatesAsyncRetrieve(api_.GetRouteCoordinatesAsync(0), &error, &route);
    std::vector<TPoint> points;
    bool usable = error.errorCode == 0 && route.count > 0 && route.coordinates != nullptr;
    if (usable) {
        points.reserve(static_cast<std::size_t>(route.count));
        for (std::int32_t i = 0; i < route.count && usable; ++i) {
            const COstrelAPI::TRouteCoordinatePair& pair = route.coordinates[i];
            usable = ValidMicrodegrees(pair.first, pair.second);
            points.push_back(PointOf(pair.first, pair.second));
        }
    }
    std::free(route.coordinates);
    if (error.errorCode == -5) return false;
    // Without usable points the route is looked at again in the next round.
    if (!usable) return true;
    const bool replaced = s_.hasRoute;
    const bool wasOffRoute = s_.offRoute;  // ends with EBackOnRoute when the new route is near
    ForgetRoute();
    if (!s_.geometry.Assign(std::move(points))) return true;
    s_.offRoute = wasOffRoute;
    std::copy(signature, signature + kSignatureSize, s_.signature);
    s_.hasRoute = true;
    s_.routeStartedAt = s_.now;
    if (s_.hasPosition) {
        s_.projection = s_.geometry.Project(PointOf(s_.latitude, s_.longitude), 0.0);
    }
    s_.startAlong = s_.projection.alongMetres;
    s_.lastProgressAt = s_.now;
    s_.lastProgressLeft = LeftMetres();
    std::fill(s_.waypointReached.begin(), s_.waypointReached.end(), false);
    Emit(replaced ? COstrelWatcher::ERouteChanged : COstrelWatcher::ERouteStarted);
    return true;
}

void CRound::Follow() {
    const TPoint here = PointOf(s_.latitude, s_.longitude);
    s_.projection = s_.geometry.Project(here, s_.projection.alongMetres);

    if (s_.projection.crossMetres > t_.offRouteMetres) {
        if (s_.farSince < 0) s_.farSince = s_.now;
        if (!s_.offRoute && s_.now - s_.farSince >= t_.offRouteMilliseconds) {
            s_.offRoute = true;
            Emit(COstrelWatcher::EOffRoute);
        }
    } else {
        s_.farSince = -1;
        if (s_.offRoute && s_.projection.crossMetres < t_.backOnRouteMetres) {
            s_.offRoute = false;
            Emit(COstrelWatcher::EBackOnRoute);
        }
    }

    const double radius =
        std::max(t_.arrivalMetres, std::min(s_.speed * t_.arrivalSeconds, t_.arrivalMaxMetres));
    for (std::size_t i = 0; i < s_.waypoints.size(); ++i) {
        if (!s_.waypointReached[i] && DistanceMetres(here, s_.waypoints[i]) <= radius) {
            s_.waypointReached[i] = true;
            Emit(COstrelWatcher::EWaypointReached, static_cast<std::int32_t>(i));
        }
    }
    if (s_.arrived) return;
    if (DistanceMetres(here, s_.geometry.last()) <= radius) {
        s_.arrived = true;
        Emit(COstrelWatcher::EDestinationReached);
        return;
    }
    const double left = LeftMetres();
    const double step =
        std::min(t_.progressFraction * s_.geometry.lengthMetres(), t_.progressMetres);
    if (s_.now - s_.lastProgressAt >= t_.progressIntervalMilliseconds &&
        std::fabs(left - s_.lastProgressLeft) >= step) {
        s_.lastProgressAt = s_.now;
        s_.lastProgressLeft = left;
        Emit(COstrelWatcher::EProgress);
    }
}

}  // namespace

COstrelWatcher::COstrelWatcher(COstrelAPI& api, MWatchHandlerInterface& handler)
    : api_(api), handler_(handler), state_(new (std::nothrow) TState) {}

COstrelWatcher::~COstrelWatcher() {
    delete state_;
}

int COstrelWatcher::Poll() {
    if (state_ == nullptr) return -1;
    try {
        state_->pending.clear();
        state_->now = state_->clock(state_->clockContext);
        CRound(api_, *state_, thresholds).Run();
        for (const TEvent& event : state_->pending) handler_.HandleWatchEvent(event);
        return static_cast<int>(state_->pending.size());
    } catch (...) {
        return -1;
    }
}

std::int64_t COstrelWatcher::Run(std::int32_t intervalMilliseconds,
                                 const std::atomic<bool>& stopFlag) {
    using Clock = std::chrono::steady_clock;
    const std::chrono::milliseconds interval(std::max<std::int32_t>(intervalMilliseconds, 1));
    std::int64_t rounds = 0;
    Clock::time_point next = Clock::now();
    while (!stopFlag.load()) {
        Poll();
        ++rounds;
        next += interval;
        const Clock::time_point now = Clock::now();
        if (next < now) next = now;  // a slow round does not make the next ones hurry
        while (!stopFlag.load() && Clock::now() < next) {
            std::this_thread::sleep_for(std::min<Clock::duration>(
                next - Clock::now(), std::chrono::milliseconds(kStopLookMilliseconds)));
        }
    }
    return rounds;
}

std::int32_t COstrelWatcher::SetWaypoints(const COstrelAPI::TRouteCoordinatePair* points,
                                          std::int32_t count) {
    if (state_ == nullptr) return 0;
    try {
        state_->waypoints.clear();
        state_->waypointReached.clear();
        if (points == nullptr || count <= 0) return 0;
        const std::int32_t kept = std::min(count, kMaxWaypoints);
        for (std::int32_t i = 0; i < kept; ++i) {
            state_->waypoints.push_back(PointOf(points[i].first, points[i].second));
        }
        state_->waypointReached.assign(state_->waypoints.size(), false);
        return kept;
    } catch (...) {
        state_->waypoints.clear();
        state_->waypointReached.clear();
        return 0;
    }
}

void COstrelWatcher::SetClock(TClock clock, void* context) {
    if (state_ == nullptr) return;
    state_->clock = clock != nullptr ? clock : SystemClock;
    state_->clockContext = clock != nullptr ? context : nullptr;
}

MWatchHandlerInterface::~MWatchHandlerInterface() = default;
