#include "scenario.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "gps_input.h"

namespace oxsdk::emulator {
namespace {

using nlohmann::json;

std::string NumberText(double number) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", number);
    return text;
}

// The number `value` of `key` when it lies in low..high; otherwise an error that names the key,
// the value and the range. Every number is read as a double first, so that no value, however
// large, is converted to an integer type before it is known to fit.
double NumberIn(const json& value, const std::string& key, double low, double high) {
    if (!value.is_number()) throw std::runtime_error(key + " must be a number");
    const double number = value.get<double>();
    if (!(number >= low && number <= high)) {
        throw std::runtime_error(key + " " + NumberText(number) + " lies outside " +
                                 NumberText(low) + ".." + NumberText(high));
    }
    return number;
}

TLocationQuery ParseLocation(const json& value, const std::string& key) {
    if (!value.is_object()) throw std::runtime_error(key + " must be an object");
    TLocationQuery query;
    if (value.contains("latitude") || value.contains("longitude")) {
        if (!value.contains("latitude") || !value.contains("longitude")) {
            throw std::runtime_error(key + " needs both latitude and longitude");
        }
        query.point = TGeoPoint{NumberIn(value.at("latitude"), key + ".latitude", -90.0, 90.0),
                                NumberIn(value.at("longitude"), key + ".longitude", -180.0, 180.0)};
    } else if (value.contains("place")) {
        query.place = value.at("place").get<std::string>();
    } else if (value.contains("postalCode")) {
        query.postalCode = value.at("postalCode").get<std::string>();
    } else {
        throw std::runtime_error(std::string(key) +
                                 " needs latitude and longitude, place or postalCode");
    }
    if (value.contains("country")) query.country = value.at("country").get<std::string>();
    return query;
}

}  // namespace

bool ParseScenario(const std::string& text, TScenario* scenario, std::string* error) {
    try {
        const json document = json::parse(text);
        if (!document.is_object()) throw std::runtime_error("a scenario is a JSON object");
        for (const auto& [key, value] : document.items()) {
            if (key == "position") {
                scenario->position = ParseLocation(value, "position");
            } else if (key == "destination") {
                scenario->destination = ParseLocation(value, "destination");
            } else if (key == "timeScale") {
                scenario->timeScale = NumberIn(value, key, 0.0, kMaxTimeScale);
            } else if (key == "simulationSpeed") {
                scenario->simulationSpeed =
                    static_cast<long>(NumberIn(value, key + " (km/h)", 0.0, kMaxSimulationSpeed));
            } else if (key == "map") {
                scenario->map = value.get<std::string>();
            } else if (key == "deviceId") {
                scenario->deviceId = value.get<std::string>();
                if (scenario->deviceId->empty() || scenario->deviceId->size() > 31) {
                    throw std::runtime_error("deviceId must hold 1 to 31 characters");
                }
            } else if (key == "detour") {
                if (!value.is_object()) throw std::runtime_error("detour must be an object");
                TDetour detour;
                for (const auto& [name, number] : value.items()) {
                    double* target = name == "afterMetres"    ? &detour.afterMetres
                                     : name == "lengthMetres" ? &detour.lengthMetres
                                     : name == "offsetMetres" ? &detour.offsetMetres
                                                              : nullptr;
                    if (target == nullptr)
                        throw std::runtime_error("unknown key \"detour." + name + "\"");
                    const double low = name == "offsetMetres" ? -kMaxDetourMetres : 0.0;
                    *target = NumberIn(number, "detour." + name, low, kMaxDetourMetres);
                }
                scenario->detour = detour;
            } else if (key == "waypoints" || key == "faults") {
                if (!value.is_array()) throw std::runtime_error(key + " must be an array");
                for (const json& entry : value) {
                    if (key == "waypoints") {
                        if (scenario->waypoints.size() == kMaxWaypoints) {
                            throw std::runtime_error("waypoints: more than " +
                                                     std::to_string(kMaxWaypoints));
                        }
                        scenario->waypoints.push_back(ParseLocation(entry, "waypoints[]"));
                        continue;
                    }
                    std::string problem;
                    scenario->faults.emplace_back();
                    if (!entry.is_string() ||
                        !ParseFault(entry.get<std::string>(), &scenario->faults.back(), &problem)) {
                        throw std::runtime_error(
                            "faults: " + (problem.empty() ? "a fault is a string" : problem));
                    }
                }
            } else {
                throw std::runtime_error("unknown key \"" + key + "\"");
            }
        }
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
    return true;
}

bool LoadScenario(const std::string& path, TScenario* scenario, std::string* error) {
    std::string text;
    if (!ReadBoundedFile(path, kMaxScenarioBytes, &text, error)) return false;
    if (!ParseScenario(text, scenario, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

bool ResolveLocation(const TLocationQuery& query, const CGeocoder& geocoder, TGeoPoint* point,
                     std::string* error) {
    if (query.point) {
        *point = *query.point;
        return true;
    }
    const std::optional<TGeocodeMatch> match =
        query.postalCode.empty() ? geocoder.Address("", "", query.place, query.country)
                                 : geocoder.PostalCode(query.postalCode, "", query.country);
    if (!match) {
        *error =
            "unknown place \"" + (query.postalCode.empty() ? query.place : query.postalCode) + "\"";
        return false;
    }
    *point = match->point;
    return true;
}

}  // namespace oxsdk::emulator
