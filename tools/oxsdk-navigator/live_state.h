// What the live view shows, as JSON snapshots that the emulator's command loop publishes and
// the view's HTTP thread reads. The loop builds a snapshot only while a reader asked for one
// recently, so an unwatched emulator pays nothing; a reader never holds the lock for longer
// than a pointer copy, so the loop never waits for a browser.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "emulated_navigator.h"

namespace oxsdk::emulator {

struct TLiveSnapshot {
    /// When the loop published it.
    std::chrono::steady_clock::time_point published;
    /// The state (position, view, message, favourites, ...) as a JSON object; "{}" before the
    /// first publication.
    std::string stateJson = "{}";
    /// The route's points as JSON ({"number": N, "startName": "...", "points": [lat, lon, ...]}
    /// in microdegrees, the start named after its nearest place), rebuilt only when a new route
    /// is planned; {"number": 0, "points": []} without a route.
    std::shared_ptr<const std::string> routeJson;
    /// The gazetteer's places as JSON ({"places": [[name, lat, lon, population], ...]}, most
    /// populous first, at most kMaxLivePlaces), built once; {"places": []} before that.
    std::shared_ptr<const std::string> placesJson;
};

/// The most places the live view's map is given (the most populous of the gazetteer).
constexpr std::size_t kMaxLivePlaces = 5000;

/// The state of `navigator` as a JSON object. `messageShown`: whether the last flashed message
/// is still on screen.
std::string LiveStateJson(CEmulatedNavigator& navigator, bool messageShown);
/// The route's points as JSON (see TLiveSnapshot::routeJson).
std::string LiveRouteJson(CEmulatedNavigator& navigator);
/// The places of `gazetteer` as JSON (see TLiveSnapshot::placesJson).
std::string LivePlacesJson(const CGazetteer& gazetteer);

class CLiveState {
public:
    CLiveState();

    /// Called by the command loop after each pass: while a reader asked within the last few
    /// seconds, publishes a new snapshot of `navigator`.
    void Publish(CEmulatedNavigator& navigator);

    /// The latest snapshot (never null). Tells the loop that a reader is there; when the
    /// latest snapshot is older than `freshness`, waits up to that long for the next one.
    std::shared_ptr<const TLiveSnapshot> Latest(std::chrono::milliseconds freshness);

private:
    using TClock = std::chrono::steady_clock;

    std::mutex mutex_;
    std::condition_variable published_;
    std::shared_ptr<const TLiveSnapshot> latest_;
    TClock::time_point lastRequest_;  // guarded by mutex_

    // The loop's own bookkeeping.
    int routeNumber_ = -1;
    std::shared_ptr<const std::string> routeJson_;
    std::shared_ptr<const std::string> placesJson_;
    int messageCount_ = 0;
    double messageSince_ = 0.0;  // wall-clock seconds of the clock when it was flashed
};

}  // namespace oxsdk::emulator
