#include "scenario.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace oxsdk::emulator {
namespace {

using nlohmann::json;

TLocationQuery ParseLocation(const json& value, const char* key) {
    if (!value.is_object()) throw std::runtime_error(std::string(key) + " must be an object");
    TLocationQuery query;
    if (value.contains("latitude") || value.contains("longitude")) {
        query.point =
            TGeoPoint{value.at("latitude").get<double>(), value.at("longitude").get<double>()};
        if (!IsValidPoint(*query.point)) {
            throw std::runtime_error(std::string(key) + " lies outside -90..90, -180..180");
        }
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
                scenario->timeScale = value.get<double>();
                if (*scenario->timeScale < 0) throw std::runtime_error("timeScale below 0");
            } else if (key == "simulationSpeed") {
                scenario->simulationSpeed = value.get<long>();
                if (*scenario->simulationSpeed < 0 || *scenario->simulationSpeed > 1000) {
                    throw std::runtime_error("simulationSpeed outside 0..1000 km/h");
                }
            } else if (key == "map") {
                scenario->map = value.get<std::string>();
            } else if (key == "deviceId") {
                scenario->deviceId = value.get<std::string>();
                if (scenario->deviceId->empty() || scenario->deviceId->size() > 31) {
                    throw std::runtime_error("deviceId must hold 1 to 31 characters");
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
    std::ifstream in(path);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseScenario(text.str(), scenario, error)) {
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
