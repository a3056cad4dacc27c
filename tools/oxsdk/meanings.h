// What the numbers of a reply mean: for every record member of the command catalogue its
// meaning and unit, the names of the error codes, the meanings of the coordinate arguments and
// the enumerators of COstrelAPI by name. The protocol fixes only the member names and types
// and the library's own codes (-1, -2, -5); everything else a navigator decides for itself.
// The meanings marked as the emulator's choice are those of oxsdk-navigator
// (docs/navigator-emulator.md); another navigator may answer with other meanings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OXSDK5Link/CommandCatalogue.h"

namespace oxsdk::cli {

/// The unit whose values the client also shows in degrees.
extern const char* const kMicrodegrees;

/// A value of a member that stands for a state rather than an amount.
struct TValueName {
    std::int32_t value;
    const char* name;
};

/// The meaning of one record member (or of one request argument).
struct TMeaning {
    const char* record;   ///< record type ("TRouteInfo"), or the command's member name
    const char* member;   ///< member or argument name
    const char* meaning;  ///< e.g. "route length"
    const char* unit;     ///< e.g. "m", kMicrodegrees; "" when the value has none
    bool emulatorChoice;  ///< true: the emulator's meaning, not fixed by the protocol
    std::vector<TValueName> valueNames = {};

    /// The name of `value` among valueNames, or null.
    const char* NameOf(std::int64_t value) const;
    bool IsCoordinate() const;
};

/// The meaning of member `member` of record type `record`, or null when none is known.
const TMeaning* FindMemberMeaning(const std::string& record, const std::string& member);
/// The meaning of argument `argument` of the command named `command`, or null.
const TMeaning* FindArgumentMeaning(const std::string& command, const std::string& argument);
/// The meanings of the route pairs of GetRouteCoordinates: {count, first, second}.
const std::vector<TMeaning>& RouteMeanings();

/// The name of an error code ("unknown place"), or null when the code has none. `command` is
/// the member name of the command that was answered (-5 means something else for
/// GetRouteCoordinates).
const char* ErrorName(std::int32_t code, const std::string& command = {});

/// One enumerator of COstrelAPI.
struct TEnumerator {
    const char* name;
    std::int32_t value;
    const char* meaning;
};

/// One enumeration of COstrelAPI with every enumerator, values taken from the header.
struct TEnumeration {
    const char* name;    ///< "ESettingAndValue"
    const char* prefix;  ///< shared start of the enumerator names, "ESetting"
    std::vector<TEnumerator> enumerators;
};

const TEnumeration& SettingEnumeration();
const TEnumeration& PropertyEnumeration();
const TEnumeration& PoiTypeEnumeration();

/// Microdegrees shown as degrees with six decimals ("52.370216").
std::string Degrees(std::int64_t microdegrees);

}  // namespace oxsdk::cli
