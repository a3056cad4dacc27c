// The forms in which a user may type the arguments of a remote command, and their conversion to
// the values the command member takes:
//   number       decimal 32-bit integer
//   coordinate   microdegrees as a decimal integer (52370216), or degrees when the value holds
//                a decimal point (52.370216); a latitude and the longitude after it also
//                together as one "LAT,LON" or "geo:LAT,LON" (RFC 5870), always in degrees
//   enumerator   its value, or its name as COstrelAPI spells it (ESettingRouteFastest), letter
//                case aside and with or without the prefix (RouteFastest)
//   text         as typed (no "|", no line feed)
#pragma once

#include <string>
#include <vector>

#include "command_bindings.h"

namespace oxsdk::cli {

/// Converts the arguments typed for `binding`'s command into `values` (one per catalogue
/// argument). Empty on success; else the reason, naming the argument and the accepted forms.
std::string ConvertArguments(const TCommandBinding& binding, const std::vector<std::string>& typed,
                             TArgumentValues* values);

/// One line per argument of `binding`'s command: its name, kind, meaning and accepted forms.
std::string ArgumentsHelp(const TCommandBinding& binding);

/// The enumerator of `enumeration` named `name` (exact name or without the prefix, letter
/// case aside); null when none has that name.
const TEnumerator* FindEnumerator(const TEnumeration& enumeration, const std::string& name);

}  // namespace oxsdk::cli
