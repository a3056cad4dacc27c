// The commands of the navigator emulator, one function per wire name, grouped in
// navigation_commands.cc (routes, map, display, settings), place_commands.cc (favourites and
// POI) and query_commands.cc (version, position, location, route, geocoding, device, GPS,
// stop). The command handler looks them up in CommandTable() and checks argument counts and
// reply shapes; a function receives exactly the arguments its command takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OXSDK5Link/CommandCatalogue.h"
#include "emulated_navigator.h"
#include "result_codes.h"

namespace oxsdk::emulator {

using TArguments = std::vector<std::string>;

/// A command's outcome: a code, and with kSuccess the record's fields in reply order.
struct TReply {
    int code = kSuccess;
    std::vector<std::string> fields;
};

using TCommandFunction = TReply (*)(CEmulatedNavigator& navigator, const TArguments& arguments);

struct TCommandEntry {
    const OXSDK5Link::TCommandDescription* description;
    TCommandFunction function;
};

/// Every command the emulator answers.
const std::vector<TCommandEntry>& CommandTable();

// ---- helpers shared by the command groups ----

/// Strict decimal integer in the signed 32-bit range: optional "-" or "+", digits, nothing
/// else.
bool ParseInteger(const std::string& text, std::int32_t* value);
/// Two wire coordinates (microdegrees, latitude first) that form a valid point.
bool ParsePoint(const std::string& latitude, const std::string& longitude, TGeoPoint* point);
inline TReply Fail(int code) {
    return TReply{code, {}};
}
inline TReply Done(std::vector<std::string> fields = {}) {
    return TReply{kSuccess, std::move(fields)};
}
std::string Integer(double value);             ///< rounded to the nearest integer, as decimal text
std::string Micro(double degrees);             ///< degrees as microdegrees, decimal text
std::string Describe(const TGeoPoint& point);  ///< "52.370216,4.895168" for the log

std::vector<TCommandEntry> NavigationCommands();
std::vector<TCommandEntry> PlaceCommands();
std::vector<TCommandEntry> QueryCommands();

}  // namespace oxsdk::emulator
