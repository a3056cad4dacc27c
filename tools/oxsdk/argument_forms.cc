// Typed arguments to command values.
#include "argument_forms.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "command_line.h"
#include "command_names.h"
#include "meanings.h"

namespace oxsdk::cli {
namespace {

using OXSDK5Link::EArgumentKind;

// A whole number of this magnitude or less is as likely meant as degrees as microdegrees.
constexpr std::int32_t kLargestAmbiguous = 180;

std::string CoordinateForms(bool latitude) {
    return latitude ? "microdegrees as an integer (52370216, or 52u), or degrees with a decimal "
                      "point (52.370216)"
                    : "microdegrees as an integer (4895168, or 4u), or degrees with a decimal "
                      "point (4.895168)";
}
const char* const kPairForms = "LAT,LON or geo:LAT,LON in degrees (geo:52.3702,4.8952)";

bool IsLatitude(const TMeaning* meaning) {
    return meaning != nullptr && meaning->IsCoordinate() &&
           std::string(meaning->meaning).find("latitude") != std::string::npos;
}

const TMeaning* ArgumentMeaning(const TCommandDescription& command, int index) {
    if (index < 0 || index >= command.argumentCount) return nullptr;
    return FindArgumentMeaning(command.name, command.arguments[index].name);
}

// A latitude whose next argument is a coordinate: the two may come as one pair.
bool StartsPair(const TCommandDescription& command, int index) {
    const TMeaning* next = ArgumentMeaning(command, index + 1);
    return IsLatitude(ArgumentMeaning(command, index)) && next != nullptr && next->IsCoordinate();
}

// A decimal number of degrees: optional sign, digits with at most one decimal point (at least
// one digit). No exponent, no hexadecimal, no inf or nan.
bool ParseDegrees(const std::string& text, double* degrees) {
    std::size_t at = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    int digits = 0, points = 0;
    for (; at < text.size(); ++at) {
        if (std::isdigit(static_cast<unsigned char>(text[at]))) {
            ++digits;
        } else if (text[at] == '.') {
            ++points;
        } else {
            return false;
        }
    }
    if (digits == 0 || points > 1) return false;
    *degrees = std::strtod(text.c_str(), nullptr);
    return true;
}

// Degrees of a latitude (within +-90) or longitude (within +-180) to microdegrees.
std::string DegreesToMicro(const std::string& text, bool latitude, std::int32_t* micro) {
    double degrees = 0;
    if (!ParseDegrees(text, &degrees)) {
        return "'" + text + "' is not a number of degrees";
    }
    const double limit = latitude ? 90.0 : 180.0;
    if (std::fabs(degrees) > limit) {
        return std::string(latitude ? "a latitude" : "a longitude") + " lies within -" +
               (latitude ? "90" : "180") + ".." + (latitude ? "90" : "180") + " degrees, not " +
               text;
    }
    *micro = static_cast<std::int32_t>(std::llround(degrees * 1e6));
    return {};
}

std::string ConvertCoordinate(const std::string& text, const TMeaning& meaning,
                              std::int32_t* value) {
    if (text.find('.') != std::string::npos) {
        const std::string refused = DegreesToMicro(text, IsLatitude(&meaning), value);
        if (refused.empty()) return {};
        return refused + "; a " + meaning.meaning + " is " + CoordinateForms(IsLatitude(&meaning));
    }
    // "52370216u": microdegrees, whatever the magnitude.
    const bool marked = !text.empty() && text.back() == 'u';
    const std::string digits = marked ? text.substr(0, text.size() - 1) : text;
    if (CheckNumber(digits).empty()) {
        const std::int32_t number = ParseNumber(digits);
        if (!marked && number != 0 && number >= -kLargestAmbiguous && number <= kLargestAmbiguous) {
            return "'" + text + "' is ambiguous: as degrees write " + text + ".0 (" + text +
                   " degrees), as microdegrees write " + text + "u (" + Degrees(number) +
                   " degrees); a whole number up to 180 is refused without either mark";
        }
        *value = number;
        return {};
    }
    return "'" + text + "' is not a " + meaning.meaning + ": give " +
           CoordinateForms(IsLatitude(&meaning));
}

// "LAT,LON" or "geo:LAT,LON[,ALT][;PARAMETERS]": false when `text` is not of that shape at all.
bool ConvertPair(const std::string& text, std::int32_t* latitude, std::int32_t* longitude,
                 std::string* refused) {
    std::string body = text;
    const bool uri = body.size() >= 4 && (body.compare(0, 4, "geo:") == 0 ||
                                          body.compare(0, 4, "GEO:") == 0);
    if (uri) {
        body = body.substr(4);
        const std::size_t parameters = body.find(';');
        if (parameters != std::string::npos) {
            const std::string rest = body.substr(parameters);
            if (rest.find(";crs=") != std::string::npos &&
                rest.find(";crs=wgs84") == std::string::npos) {
                *refused = "'" + text + "': only the wgs84 reference system is understood";
                return true;
            }
            body.resize(parameters);
        }
    } else if (body.find(',') == std::string::npos) {
        return false;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t comma; (comma = body.find(',', start)) != std::string::npos;
         start = comma + 1) {
        parts.push_back(body.substr(start, comma - start));
    }
    parts.push_back(body.substr(start));
    if (parts.size() < 2 || parts.size() > (uri ? 3u : 2u)) {
        *refused = "'" + text + "' is not a pair " + kPairForms;
        return true;
    }
    *refused = DegreesToMicro(parts[0], true, latitude);
    if (refused->empty()) *refused = DegreesToMicro(parts[1], false, longitude);
    if (!refused->empty()) *refused += " in '" + text + "'; a pair is " + kPairForms;
    return true;
}

std::string EnumeratorNames(const TEnumeration& enumeration) {
    std::string names;
    for (const TEnumerator& enumerator : enumeration.enumerators) {
        if (!names.empty()) names += ", ";
        names += enumerator.name;
    }
    return names;
}

std::string ConvertEnumerator(const std::string& text, const TEnumeration& enumeration,
                              std::int32_t* value) {
    if (CheckNumber(text).empty()) {
        *value = ParseNumber(text);  // any 32-bit value: the navigator decides
        return {};
    }
    if (const TEnumerator* enumerator = FindEnumerator(enumeration, text)) {
        *value = enumerator->value;
        return {};
    }
    std::vector<std::string> names;
    for (const TEnumerator& enumerator : enumeration.enumerators) names.push_back(enumerator.name);
    const std::string closest = ClosestName(text, names);
    std::string reason =
        "'" + text + "' is neither a number nor an enumerator of " + enumeration.name;
    if (!closest.empty()) return reason + "; did you mean " + closest + "?";
    return reason + " (" + EnumeratorNames(enumeration) + ")";
}

std::string Signature(const TCommandDescription& command) {
    std::string names;
    for (int i = 0; i < command.argumentCount; ++i) {
        names += std::string(i > 0 ? " " : "") + command.arguments[i].name;
    }
    return names.empty() ? "no arguments" : names;
}

}  // namespace

const TEnumerator* FindEnumerator(const TEnumeration& enumeration, const std::string& name) {
    auto same = [](const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(a[i])) !=
                std::tolower(static_cast<unsigned char>(b[i])))
                return false;
        }
        return true;
    };
    const std::string prefix = enumeration.prefix;
    for (const TEnumerator& enumerator : enumeration.enumerators) {
        const std::string full = enumerator.name;
        if (same(name, full) || same(name, full.substr(prefix.size()))) return &enumerator;
    }
    return nullptr;
}

std::string ConvertArguments(const TCommandBinding& binding, const std::vector<std::string>& typed,
                             TArgumentValues* values) {
    const TCommandDescription& command = *binding.command;
    const std::vector<const TEnumeration*> enumerations = binding.parameterEnumerations();
    *values = TArgumentValues(static_cast<std::size_t>(command.argumentCount));
    std::size_t next = 0;
    for (int i = 0; i < command.argumentCount; ++i) {
        const auto& argument = command.arguments[i];
        const auto index = static_cast<std::size_t>(i);
        if (next == typed.size()) {
            return SubcommandName(command.name) + " takes " + Signature(command) + "; " +
                   argument.name + " is missing";
        }
        const std::string& text = typed[next++];
        std::string refused;
        if (argument.kind == EArgumentKind::Text) {
            refused = CheckText(text);
            values->texts[index] = text;
        } else if (StartsPair(command, i) &&
                   ConvertPair(text, &values->numbers[index], &values->numbers[index + 1],
                               &refused)) {
            ++i;  // the pair filled the next argument too
        } else if (const TMeaning* meaning = ArgumentMeaning(command, i);
                   meaning != nullptr && meaning->IsCoordinate()) {
            refused = ConvertCoordinate(text, *meaning, &values->numbers[index]);
        } else if (argument.kind == EArgumentKind::Enumeration && enumerations[index] != nullptr) {
            refused = ConvertEnumerator(text, *enumerations[index], &values->numbers[index]);
        } else {
            refused = CheckNumber(text);
            if (refused.empty()) values->numbers[index] = ParseNumber(text);
        }
        if (!refused.empty()) return std::string(argument.name) + ": " + refused;
    }
    if (next < typed.size()) {
        return SubcommandName(command.name) + " takes " + Signature(command) + "; '" +
               typed[next] + "' is one argument too many";
    }
    return {};
}

std::string ArgumentsHelp(const TCommandBinding& binding) {
    const TCommandDescription& command = *binding.command;
    const std::vector<const TEnumeration*> enumerations = binding.parameterEnumerations();
    std::string help;
    for (int i = 0; i < command.argumentCount; ++i) {
        const auto& argument = command.arguments[i];
        help += std::string("  ") + argument.name + ": ";
        const TMeaning* meaning = ArgumentMeaning(command, i);
        if (meaning != nullptr && meaning->IsCoordinate()) {
            help += std::string(meaning->meaning) + ", " + CoordinateForms(IsLatitude(meaning));
            if (StartsPair(command, i)) {
                help += std::string("; with ") + command.arguments[i + 1].name +
                        " also as one " + kPairForms;
            }
        } else if (argument.kind == EArgumentKind::Text) {
            if (meaning != nullptr) help += std::string(meaning->meaning) + "; ";
            help += "text, sent unchanged (must not hold \"|\" or a line feed)";
        } else if (argument.kind == EArgumentKind::Enumeration &&
                   enumerations[static_cast<std::size_t>(i)] != nullptr) {
            const TEnumeration& enumeration = *enumerations[static_cast<std::size_t>(i)];
            help += std::string(enumeration.name) + ", a name or its value:";
            for (const TEnumerator& enumerator : enumeration.enumerators) {
                help += "\n      " + std::string(enumerator.name) + " = " +
                        std::to_string(enumerator.value) + "  " + enumerator.meaning;
            }
        } else {
            help += "number, decimal 32-bit";
            if (meaning != nullptr) help += std::string(": ") + meaning->meaning;
        }
        help += '\n';
    }
    return help;
}

}  // namespace oxsdk::cli
