// GPX and GeoJSON of a route.
#include "route_export.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>

#include "meanings.h"
#include "nlohmann/json.hpp"

namespace oxsdk::cli {
namespace {

// Degrees as a JSON number with six decimals at most: the exact text read as a number and
// written as the JSON library writes numbers ("4.0", "1e-06").
std::string JsonDegrees(std::int64_t microdegrees) {
    return nlohmann::ordered_json(std::strtod(Degrees(microdegrees).c_str(), nullptr)).dump();
}

void WritePosition(std::ostream& out, const COstrelAPI::TRouteCoordinatePair& pair) {
    out << '[' << JsonDegrees(pair.second) << ',' << JsonDegrees(pair.first) << ']';
}

}  // namespace

void WriteRouteGpx(std::ostream& out, const TRoutePairs& pairs) {
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"oxsdk\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
           "  <trk>\n    <name>route</name>\n    <trkseg>\n";
    for (const auto& pair : pairs) {
        out << "      <trkpt lat=\"" << Degrees(pair.first) << "\" lon=\"" << Degrees(pair.second)
            << "\"/>\n";
    }
    out << "    </trkseg>\n  </trk>\n</gpx>\n";
}

void WriteRouteGeoJson(std::ostream& out, const TRoutePairs& pairs) {
    out << "{\"type\":\"Feature\",\"geometry\":{\"type\":";
    if (pairs.size() == 1) {
        out << "\"Point\",\"coordinates\":";
        WritePosition(out, pairs[0]);
    } else {
        out << "\"LineString\",\"coordinates\":[";
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            if (i > 0) out << ',';
            WritePosition(out, pairs[i]);
        }
        out << ']';
    }
    out << "},\"properties\":{\"name\":\"route\",\"points\":" << pairs.size() << "}}\n";
}

std::string WriteExportFile(const std::string& path, const TRoutePairs& pairs,
                            void (*format)(std::ostream&, const TRoutePairs&)) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) format(file, pairs);
    if (file) file.close();
    if (!file) {
        const int error = errno;
        return "cannot write " + path + (error != 0 ? ": " + std::string(std::strerror(error)) : "");
    }
    return {};
}

}  // namespace oxsdk::cli
