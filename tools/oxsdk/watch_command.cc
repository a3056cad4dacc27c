// `oxsdk watch`: a COstrelWatcher polled at --interval, its events printed at once.
#include "watch_command.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>
#include <type_traits>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "OXSDK5Link/Watcher.h"
#include "exit_status.h"

namespace oxsdk::cli {
namespace {

std::atomic<bool> gStop{false};

extern "C" void OnWatchInterrupt(int) {
    gStop = true;
}

const char* EventName(COstrelWatcher::EEvent kind) {
    switch (kind) {
        case COstrelWatcher::ENavigatorStarted:
            return "navigator-started";
        case COstrelWatcher::ENavigatorStopped:
            return "navigator-stopped";
        case COstrelWatcher::ERouteStarted:
            return "route-started";
        case COstrelWatcher::ERouteChanged:
            return "route-changed";
        case COstrelWatcher::ERouteCleared:
            return "route-cleared";
        case COstrelWatcher::EProgress:
            return "progress";
        case COstrelWatcher::EWaypointReached:
            return "waypoint-reached";
        case COstrelWatcher::EDestinationReached:
            return "destination-reached";
        case COstrelWatcher::EOffRoute:
            return "off-route";
        case COstrelWatcher::EBackOnRoute:
            return "back-on-route";
        case COstrelWatcher::EPositionLost:
            return "position-lost";
        case COstrelWatcher::EPositionRegained:
            return "position-regained";
    }
    return "unknown";
}

std::string JsonLine(const COstrelWatcher::TEvent& event) {
    nlohmann::ordered_json line = {{"event", EventName(event.kind)},
                                   {"seq", event.sequence},
                                   {"time", event.timeMilliseconds}};
    if (event.hasPosition) {
        line["lat"] = event.latitude / 1e6;
        line["lon"] = event.longitude / 1e6;
        line["speed_mps"] = std::round(event.speedMetresPerSecond * 10.0) / 10.0;
    }
    if (event.hasRoute) {
        line["route_m"] = std::lround(event.routeMetres);
        line["route_points"] = event.routePoints;
        line["travelled_m"] = std::lround(event.travelledMetres);
        line["left_m"] = std::lround(event.leftMetres);
        line["left_s"] = event.secondsLeft < 0
                             ? nlohmann::ordered_json()
                             : nlohmann::ordered_json(std::lround(event.secondsLeft));
        line["off_route_m"] = std::lround(event.offRouteMetres);
    }
    if (event.waypointIndex >= 0) line["waypoint"] = event.waypointIndex;
    return line.dump() + "\n";
}

// "2026-12-10T08:05:01.123Z #12 destination-reached 52.370216 4.895168 route 2314 m, 0 m left".
std::string TextLine(const COstrelWatcher::TEvent& event) {
    const std::time_t seconds = static_cast<std::time_t>(event.timeMilliseconds / 1000);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[256];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::string line = text;
    std::snprintf(text, sizeof text, ".%03dZ #%llu %s",
                  static_cast<int>(event.timeMilliseconds % 1000),
                  static_cast<unsigned long long>(event.sequence), EventName(event.kind));
    line += text;
    if (event.waypointIndex >= 0) line += " " + std::to_string(event.waypointIndex);
    if (event.hasPosition) {
        std::snprintf(text, sizeof text, " at %.6f %.6f", event.latitude / 1e6,
                      event.longitude / 1e6);
        line += text;
    }
    if (event.hasRoute) {
        std::snprintf(text, sizeof text, ", route %.0f m: %.0f m travelled, %.0f m left",
                      event.routeMetres, event.travelledMetres, event.leftMetres);
        line += text;
        if (event.secondsLeft >= 0) {
            std::snprintf(text, sizeof text, " (%.0f s)", event.secondsLeft);
            line += text;
        }
        if (event.offRouteMetres >= 1) {
            std::snprintf(text, sizeof text, ", %.0f m off the route", event.offRouteMetres);
            line += text;
        }
    }
    return line + "\n";
}

class CPrinter : public MWatchHandlerInterface {
public:
    CPrinter(bool json, std::uint64_t count) : json_(json), count_(count) {}
    void HandleWatchEvent(const COstrelWatcher::TEvent& event) override {
        if (count_ > 0 && printed_ >= count_) return;
        std::cout << (json_ ? JsonLine(event) : TextLine(event)) << std::flush;
        ++printed_;
    }
    bool Done() const { return count_ > 0 && printed_ >= count_; }

private:
    bool json_;
    std::uint64_t count_;
    std::uint64_t printed_ = 0;
};

}  // namespace

void DefineWatchCommand(CLI::App& app, TWatchOptions& options) {
    CLI::App* sub = app.add_subcommand(
        "watch",
        "print the navigator's events as they happen: started and stopped, route started, "
        "changed and cleared, progress, waypoint and destination reached, off and back on "
        "route, position lost and regained (polls; never starts the navigator)");
    sub->fallthrough();
    const auto seconds = CLI::Range(0.001, 86400.0);
    const auto metres = CLI::Range(0.0, 1000000.0);
    sub->add_option("--interval", options.intervalSeconds, "seconds between two polls (default 1)")
        ->type_name("SECONDS")
        ->check(seconds);
    sub->add_option("--count", options.count, "end after N events")
        ->type_name("N")
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{4294967295u}));
    sub->add_option("--duration", options.duration, "end after SECONDS")
        ->type_name("SECONDS")
        ->check(seconds);
    sub->add_option("--waypoint", options.waypoints,
                    "an intermediate stop, reported as waypoint-reached (repeatable)")
        ->type_name("LAT,LON");
    sub->add_option("--arrival-m", options.arrivalMetres,
                    "least arrival radius (default 12; grows to speed x 5 s)")
        ->type_name("METRES")
        ->check(metres);
    sub->add_option("--off-route-m", options.offRouteMetres, "off route beyond (default 50)")
        ->type_name("METRES")
        ->check(metres);
    sub->add_option("--off-route-s", options.offRouteSeconds, "...for this long (default 3)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.0, 86400.0));
    sub->add_option("--back-on-route-m", options.backOnRouteMetres,
                    "back on route within (default 25)")
        ->type_name("METRES")
        ->check(metres);
    sub->add_option("--progress-m", options.progressMetres,
                    "progress after this change of the distance left (default 100)")
        ->type_name("METRES")
        ->check(metres);
    sub->add_option("--progress-percent", options.progressPercent,
                    "...or after this share of the route (default 1)")
        ->type_name("PERCENT")
        ->check(CLI::Range(0.0, 100.0));
    sub->add_option("--stale-s", options.staleSeconds,
                    "position lost when unchanged this long while driving (default 10)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.0, 86400.0));
    sub->callback([&options] { options.chosen = true; });
}

int RunWatch(const TWatchOptions& options, bool json, const TClientOptions& client) {
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New(client.clientName.c_str(), client.navigatorName.c_str(), -1));
    if (!layer) {
        std::cerr << "oxsdk: the exchange layer could not be created for client \""
                  << client.clientName << "\" and navigator \"" << client.navigatorName << "\"\n";
        return ExitCode(EExitStatus::TransportFailure);
    }
    std::vector<COstrelAPI::TRouteCoordinatePair> waypoints;
    for (const std::string& text : options.waypoints) {
        double latitude = 0, longitude = 0;
        char end = 0;
        if (std::sscanf(text.c_str(), "%lf,%lf%c", &latitude, &longitude, &end) != 2 ||
            !(std::fabs(latitude) <= 90) || !(std::fabs(longitude) <= 180)) {
            std::cerr << "oxsdk: --waypoint " << text << ": not LAT,LON in degrees\n";
            return ExitCode(EExitStatus::UsageError);
        }
        waypoints.push_back({static_cast<std::int32_t>(std::lround(latitude * 1e6)),
                             static_cast<std::int32_t>(std::lround(longitude * 1e6))});
    }
    COstrelAPI api(*layer);
    CPrinter printer(json, options.count);
    COstrelWatcher watcher(api, printer);
    watcher.SetWaypoints(waypoints.data(), static_cast<std::int32_t>(waypoints.size()));
    COstrelWatcher::TThresholds& t = watcher.thresholds;
    const auto set = [](double value, double scale, auto* member) {
        if (value >= 0)
            *member = static_cast<std::remove_pointer_t<decltype(member)>>(value * scale);
    };
    set(options.arrivalMetres, 1.0, &t.arrivalMetres);
    set(options.offRouteMetres, 1.0, &t.offRouteMetres);
    set(options.offRouteSeconds, 1000.0, &t.offRouteMilliseconds);
    set(options.backOnRouteMetres, 1.0, &t.backOnRouteMetres);
    set(options.progressMetres, 1.0, &t.progressMetres);
    set(options.progressPercent, 0.01, &t.progressFraction);
    set(options.staleSeconds, 1000.0, &t.positionStaleMilliseconds);
    t.progressIntervalMilliseconds =
        std::max(t.progressIntervalMilliseconds,
                 static_cast<std::int32_t>(std::lround(options.intervalSeconds * 1000.0)));

    std::signal(SIGINT, OnWatchInterrupt);
    std::signal(SIGTERM, OnWatchInterrupt);
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options.intervalSeconds));
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = options.duration > 0
                                      ? start + std::chrono::duration_cast<Clock::duration>(
                                                    std::chrono::duration<double>(options.duration))
                                      : Clock::time_point::max();
    Clock::time_point next = start;
    while (!gStop && !printer.Done() && Clock::now() < end) {
        watcher.Poll();
        next = std::max(next + interval, Clock::now());
        while (!gStop && !printer.Done() && Clock::now() < std::min(next, end)) {
            std::this_thread::sleep_for(std::min<Clock::duration>(
                std::min(next, end) - Clock::now(), std::chrono::milliseconds(100)));
        }
    }
    return ExitCode(EExitStatus::Success);
}

}  // namespace oxsdk::cli
