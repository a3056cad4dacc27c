#include "commands.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace oxsdk::emulator {

const std::vector<TCommandEntry>& CommandTable() {
    static const std::vector<TCommandEntry> table = [] {
        std::vector<TCommandEntry> all;
        for (auto group : {NavigationCommands, PlaceCommands, QueryCommands}) {
            for (const TCommandEntry& entry : group()) all.push_back(entry);
        }
        return all;
    }();
    return table;
}

bool ParseInteger(const std::string& text, std::int32_t* value) {
    if (text.empty() || text.size() > 11) return false;
    std::size_t start = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (start == text.size()) return false;
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || parsed < std::numeric_limits<std::int32_t>::min() ||
        parsed > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    *value = static_cast<std::int32_t>(parsed);
    return true;
}

bool ParsePoint(const std::string& latitude, const std::string& longitude, TGeoPoint* point) {
    std::int32_t lat = 0, lon = 0;
    if (!ParseInteger(latitude, &lat) || !ParseInteger(longitude, &lon)) return false;
    *point = PointFromMicrodegrees(lat, lon);
    return IsValidPoint(*point);
}

std::string Integer(double value) {
    return std::to_string(std::llround(value));
}

std::string Micro(double degrees) {
    return std::to_string(ToMicrodegrees(degrees));
}

std::string Describe(const TGeoPoint& point) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6f,%.6f", point.latitude, point.longitude);
    return text;
}

}  // namespace oxsdk::emulator
