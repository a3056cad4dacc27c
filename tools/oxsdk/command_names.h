// Names of the client's subcommands, derived from the member names of the command catalogue so
// that the command line never carries a second list of commands. Used by the command-line
// setup and by `oxsdk list`.
#pragma once

#include <string>
#include <vector>

namespace oxsdk::cli {

/// The subcommand name of a command member: its words in lower case joined by "-". A word
/// starts at an upper-case letter that follows a lower-case letter or a digit, and at the last
/// upper-case letter of a run that a lower-case letter follows, so that an acronym stays one
/// word: "GetRouteInfo" -> "get-route-info", "EnableExternalGPSInput" ->
/// "enable-external-gps-input", "GetLocationInfoEx" -> "get-location-info-ex".
std::string SubcommandName(const std::string& memberName);

/// The candidate closest to `word` (edit distance with transpositions, letter case aside) when
/// it is close enough to be a slip of the fingers (at most a third of the word's letters, at
/// least 1, or `word` starts it); empty when none is.
std::string ClosestName(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace oxsdk::cli
