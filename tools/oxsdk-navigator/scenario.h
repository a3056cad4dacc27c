// Scenario files of the navigator emulator: a JSON object that sets where the vehicle starts,
// how fast simulated time runs, the simulation speed, the map name, the device identifier and
// optionally a destination to drive to from the start. Every key is optional:
//
//   {
//     "position":        {"latitude": 52.370216, "longitude": 4.895168},
//     "destination":     {"place": "Utrecht", "country": "NL"},
//     "timeScale":       10,
//     "simulationSpeed": 120,
//     "map":             "Benelux",
//     "deviceId":        "OXEMU-TEST-0001",
//     "waypoints":       [{"place": "Haarlem"}, {"latitude": 52.16, "longitude": 4.49}],
//     "faults":          ["GetApplicationVersionV01:delay=2000"],
//     "detour":          {"afterMetres": 500, "lengthMetres": 800, "offsetMetres": 150}
//   }
//
// The scenario's route passes its waypoints in order on the way to the destination (the last
// waypoint is the destination when there is none); faults are written as for --fault. A detour
// takes the vehicle off every route it drives for a while and back (see TDetour).
//
// A location is {"latitude", "longitude"} in decimal degrees, {"place"[, "country"]} or
// {"postalCode"[, "country"]}, resolved through the gazetteer. Numbers are range-checked before
// use: latitude -90..90, longitude -180..180, timeScale 0..kMaxTimeScale, simulationSpeed
// 0..kMaxSimulationSpeed km/h (a fraction is dropped); an error names the key and the range.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "fault_script.h"
#include "geo.h"
#include "geocoder.h"
#include "navigator_model.h"

namespace oxsdk::emulator {

/// Largest time scale: a simulated day passes in under a wall-clock second.
constexpr double kMaxTimeScale = 100000.0;
/// Largest simulation speed, km/h.
constexpr double kMaxSimulationSpeed = 1000.0;
/// Largest scenario file, and most waypoints a scenario may list.
constexpr std::size_t kMaxScenarioBytes = 1024 * 1024;
constexpr std::size_t kMaxWaypoints = 1000;
/// Largest distance of a detour's keys, metres.
constexpr double kMaxDetourMetres = 1000000.0;

struct TLocationQuery {
    std::optional<TGeoPoint> point;
    std::string place;
    std::string postalCode;
    std::string country;
};

struct TScenario {
    std::optional<TLocationQuery> position;
    std::optional<TLocationQuery> destination;
    std::optional<double> timeScale;
    std::optional<long> simulationSpeed;
    std::optional<std::string> map;
    std::optional<std::string> deviceId;
    std::vector<TLocationQuery> waypoints;
    std::vector<TFault> faults;
    std::optional<TDetour> detour;
};

/// Parses scenario text; false with a message when it is not a scenario.
bool ParseScenario(const std::string& text, TScenario* scenario, std::string* error);
/// Reads and parses a scenario file: a regular file of at most kMaxScenarioBytes (a FIFO or
/// device is refused at once, never waited for).
bool LoadScenario(const std::string& path, TScenario* scenario, std::string* error);
/// The point a location stands for; false with a message when it names no known place.
bool ResolveLocation(const TLocationQuery& query, const CGeocoder& geocoder, TGeoPoint* point,
                     std::string* error);

}  // namespace oxsdk::emulator
