// GPX and GeoJSON of a route.
#include "route_export.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "meanings.h"
#include "nlohmann/json.hpp"

namespace oxsdk::cli {

std::string RouteToGpx(const TRoutePairs& pairs) {
    std::string gpx =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"oxsdk\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
        "  <trk>\n    <name>route</name>\n    <trkseg>\n";
    for (const auto& pair : pairs) {
        gpx += "      <trkpt lat=\"" + Degrees(pair.first) + "\" lon=\"" + Degrees(pair.second) +
               "\"/>\n";
    }
    return gpx + "    </trkseg>\n  </trk>\n</gpx>\n";
}

std::string RouteToGeoJson(const TRoutePairs& pairs) {
    // Degrees as numbers with six decimals: parse the exact text rather than divide.
    auto position = [](const COstrelAPI::TRouteCoordinatePair& pair) {
        return nlohmann::ordered_json::array({nlohmann::ordered_json::parse(Degrees(pair.second)),
                                              nlohmann::ordered_json::parse(Degrees(pair.first))});
    };
    nlohmann::ordered_json geometry = nlohmann::ordered_json::object();
    if (pairs.size() == 1) {
        geometry["type"] = "Point";
        geometry["coordinates"] = position(pairs[0]);
    } else {
        geometry["type"] = "LineString";
        geometry["coordinates"] = nlohmann::ordered_json::array();
        for (const auto& pair : pairs) geometry["coordinates"].push_back(position(pair));
    }
    nlohmann::ordered_json feature = {{"type", "Feature"},
                                      {"geometry", geometry},
                                      {"properties", {{"name", "route"}, {"points", pairs.size()}}}};
    return feature.dump() + "\n";
}

std::string WriteExportFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file << content;
    if (file) file.close();
    if (!file) {
        const int error = errno;
        return "cannot write " + path + (error != 0 ? ": " + std::string(std::strerror(error)) : "");
    }
    return {};
}

}  // namespace oxsdk::cli
