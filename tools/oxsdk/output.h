// How the oxsdk client reports: an outcome as "name: value" lines or as one JSON object, and
// the command list from the catalogue. Called by main.cc, which writes an outcome straight to
// its output (a route of millions of points is never held as text or as a JSON tree); the
// functions that return text or a tree are there for the tests.
#pragma once

#include <iosfwd>
#include <string>

#include "command_runner.h"
#include "nlohmann/json.hpp"

namespace oxsdk::cli {

/// What the report names: the request ("GetFavorite", "status") and its wire name, if any.
struct TRequestName {
    std::string name;
    std::string wireName;
};

/// The outcome as one JSON object: command, wireName, status, exitStatus, result, errorCode,
/// replyFieldCount, record (members by name; for GetRouteCoordinates count and coordinates as
/// [first, second] pairs), running, message; members that do not apply are left out.
nlohmann::ordered_json OutcomeToJson(const TRequestName& request, const TCallOutcome& outcome);
/// Writes DumpJson(OutcomeToJson(request, outcome)) and a line feed to `out`, the same text,
/// without building the route's pairs as a tree.
void WriteOutcomeJson(std::ostream& out, const TRequestName& request, const TCallOutcome& outcome);

/// The outcome as lines for a person: "errorCode: 0", then one "member: value" line per record
/// member, or "coordinates[i]: first second" per route point. Control characters of texts are
/// shown escaped (see EscapedText).
std::string OutcomeToText(const TCallOutcome& outcome);
/// Writes OutcomeToText(outcome) to `out`, line by line.
void WriteOutcomeText(std::ostream& out, const TCallOutcome& outcome);

/// Every catalogue command with its subcommand, arguments, wire name and record, as JSON.
nlohmann::ordered_json CommandListToJson();
/// The same list as text, one command per line with its record on the next.
std::string CommandListToText();

/// Serialises JSON as the client prints it; texts that are not UTF-8 are printed with
/// replacement characters instead of failing.
std::string DumpJson(const nlohmann::ordered_json& value);

/// The name of an argument kind as the list and the help show it.
const char* ArgumentKindName(OXSDK5Link::EArgumentKind kind);

}  // namespace oxsdk::cli
