// `oxsdk watch`: prints the events of the library's COstrelWatcher as they happen (navigator
// started and stopped, route started, changed and cleared, progress, waypoint and destination
// reached, off and back on route, position lost and regained), as lines for a person or as
// JSON lines. Called by main.cc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CLI/CLI.hpp"
#include "command_runner.h"

namespace oxsdk::cli {

struct TWatchOptions {
    bool chosen = false;                 ///< the watch subcommand was given
    double intervalSeconds = 1;          ///< between two rounds of queries
    std::uint64_t count = 0;             ///< end after this many events; 0: no bound
    double duration = 0;                 ///< end after this many seconds; 0: no bound
    std::vector<std::string> waypoints;  ///< "LAT,LON" in degrees, for waypoint-reached
    // Thresholds; a negative value keeps the watcher's default.
    double arrivalMetres = -1;
    double offRouteMetres = -1;
    double offRouteSeconds = -1;
    double backOnRouteMetres = -1;
    double progressMetres = -1;
    double progressPercent = -1;
    double staleSeconds = -1;
};

/// Declares the watch subcommand and its options on `app` (nothing where the library was built
/// without its watcher).
void DefineWatchCommand(CLI::App& app, TWatchOptions& options);

/// Watches until --count events were printed, --duration passed or an interrupt arrived.
/// Returns the exit status: 0, 2 for a waypoint that is not LAT,LON in degrees, or 3 when the
/// exchange layer cannot be created.
int RunWatch(const TWatchOptions& options, bool json, const TClientOptions& client);

}  // namespace oxsdk::cli
