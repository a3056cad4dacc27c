// Text and JSON reports of the client.
#include "output.h"

#include <ostream>
#include <sstream>

#include "argument_forms.h"
#include "command_bindings.h"
#include "command_names.h"
#include "escaped_text.h"
#include "meanings.h"

namespace oxsdk::cli {

using OXSDK5Link::EArgumentKind;
using OXSDK5Link::EFieldKind;
using OXSDK5Link::EReplyShape;
using OXSDK5Link::TCommandDescription;

const char* ArgumentKindName(EArgumentKind kind) {
    switch (kind) {
        case EArgumentKind::Text:
            return "text";
        case EArgumentKind::Number:
            return "number";
        case EArgumentKind::Enumeration:
            return "enumeration";
    }
    return "?";
}

std::string DumpJson(const nlohmann::ordered_json& value) {
    return value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

namespace {

const char* Source(bool emulatorChoice) {
    return emulatorChoice ? "emulator" : "protocol";
}

nlohmann::ordered_json MeaningToJson(const TMeaning& meaning) {
    nlohmann::ordered_json json = {{"meaning", meaning.meaning}};
    if (*meaning.unit != '\0') json["unit"] = meaning.unit;
    json["source"] = Source(meaning.emulatorChoice);
    return json;
}

// " m (route length)", " microdegrees = 52.370216 degrees (latitude)", " (state: driving)".
std::string Explained(const TMeaning& meaning, std::int64_t number) {
    std::string text;
    if (*meaning.unit != '\0') text += std::string(" ") + meaning.unit;
    if (meaning.IsCoordinate()) text += " = " + Degrees(number) + " degrees";
    text += std::string(" (") + meaning.meaning;
    if (const char* name = meaning.NameOf(number)) text += std::string(": ") + name;
    return text + ")";
}

}  // namespace

namespace {

// The outcome's JSON object; the route's pairs are given only `withPairs`, else the
// coordinates member is null.
nlohmann::ordered_json OutcomeToJsonTree(const TRequestName& request, const TCallOutcome& outcome,
                                         bool withPairs) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["command"] = request.name;
    if (!request.wireName.empty()) json["wireName"] = request.wireName;
    json["status"] = StatusName(outcome.status);
    json["exitStatus"] = ExitCode(outcome.status);
    if (outcome.result) json["result"] = *outcome.result;
    if (outcome.errorCode) {
        json["errorCode"] = *outcome.errorCode;
        if (const char* name = ErrorName(*outcome.errorCode, outcome.commandName)) {
            json["errorMeaning"] = name;
        }
    }
    if (outcome.replyFieldCount) json["replyFieldCount"] = *outcome.replyFieldCount;
    if (outcome.recordFilled) {
        nlohmann::ordered_json record = nlohmann::ordered_json::object();
        nlohmann::ordered_json meanings = nlohmann::ordered_json::object();
        for (const TNamedValue& value : outcome.record) {
            if (value.isText) {
                record[value.name] = value.text;
            } else {
                record[value.name] = value.number;
            }
            const TMeaning* meaning = FindMemberMeaning(outcome.recordName, value.name);
            if (meaning == nullptr) continue;
            nlohmann::ordered_json explained = MeaningToJson(*meaning);
            if (!value.isText && meaning->IsCoordinate()) {
                explained["degrees"] = nlohmann::ordered_json::parse(Degrees(value.number));
            }
            if (const char* name = value.isText ? nullptr : meaning->NameOf(value.number)) {
                explained["valueName"] = name;
            }
            meanings[value.name] = explained;
        }
        if (outcome.hasRoute) {
            record["count"] = outcome.routeCount;
            if (withPairs) {
                nlohmann::ordered_json pairs = nlohmann::ordered_json::array();
                for (const auto& pair : outcome.routePairs) {
                    pairs.push_back({pair.first, pair.second});
                }
                record["coordinates"] = pairs;
            } else {
                record["coordinates"] = nullptr;
            }
            const std::vector<TMeaning>& route = RouteMeanings();
            meanings["count"] = MeaningToJson(route[0]);
            meanings["coordinates"] = {
                {"meaning", "route points from the start to the destination, each [" +
                                std::string(route[1].meaning) + ", " + route[2].meaning + "]"},
                {"unit", kMicrodegrees},
                {"source", Source(route[1].emulatorChoice)}};
        }
        json["record"] = record;
        if (!meanings.empty()) json["meanings"] = meanings;
    }
    if (outcome.running) json["running"] = *outcome.running;
    if (!outcome.state.empty()) json["state"] = outcome.state;
    if (!outcome.cause.empty()) json["cause"] = outcome.cause;
    if (!outcome.message.empty()) json["message"] = outcome.message;
    return json;
}

}  // namespace

nlohmann::ordered_json OutcomeToJson(const TRequestName& request, const TCallOutcome& outcome) {
    return OutcomeToJsonTree(request, outcome, true);
}

void WriteOutcomeJson(std::ostream& out, const TRequestName& request, const TCallOutcome& outcome) {
    const std::string dumped = DumpJson(OutcomeToJsonTree(request, outcome, false));
    // The record's member line (a line break cannot stand in a dumped text, and the record
    // comes before the meanings, which name the coordinates too).
    static const std::string kPlaceholder = "\n    \"coordinates\": null";
    const std::size_t at = outcome.hasRoute ? dumped.find(kPlaceholder) : std::string::npos;
    if (at == std::string::npos) {
        out << dumped << '\n';
        return;
    }
    // The pairs as the JSON library indents them, one number a line, written as they go.
    out.write(dumped.data(), static_cast<std::streamsize>(at));
    out << "\n    \"coordinates\": [";
    for (std::size_t i = 0; i < outcome.routePairs.size(); ++i) {
        const auto& pair = outcome.routePairs[i];
        out << (i > 0 ? ",\n      [\n        " : "\n      [\n        ") << pair.first
            << ",\n        " << pair.second << "\n      ]";
    }
    out << (outcome.routePairs.empty() ? "]" : "\n    ]");
    const std::size_t rest = at + kPlaceholder.size();
    out.write(dumped.data() + rest, static_cast<std::streamsize>(dumped.size() - rest));
    out << '\n';
}

std::string OutcomeToText(const TCallOutcome& outcome) {
    std::ostringstream text;
    WriteOutcomeText(text, outcome);
    return text.str();
}

void WriteOutcomeText(std::ostream& text, const TCallOutcome& outcome) {
    if (!outcome.state.empty()) text << "navigator: " << outcome.state << '\n';
    // The local commands say in words what -5 and 0 mean.
    const bool codeSaidInWords = !outcome.state.empty() && outcome.errorCode &&
                                 (*outcome.errorCode == 0 || *outcome.errorCode == -5);
    if (outcome.errorCode && !codeSaidInWords) {
        text << "errorCode: " << *outcome.errorCode;
        if (const char* name = ErrorName(*outcome.errorCode, outcome.commandName)) {
            text << " (" << name << ')';
        }
        text << '\n';
    }
    if (outcome.recordFilled) {
        for (const TNamedValue& value : outcome.record) {
            const TMeaning* meaning = FindMemberMeaning(outcome.recordName, value.name);
            text << value.name << ": ";
            if (value.isText) {
                // A stored text may hold anything: control characters are shown escaped.
                const std::string shown = EscapedText(value.text);
                text << (meaning != nullptr ? '"' + shown + '"' : shown);
                if (meaning != nullptr) text << " (" << meaning->meaning << ')';
            } else {
                text << value.number;
                if (meaning != nullptr) text << Explained(*meaning, value.number);
            }
            text << '\n';
        }
        if (outcome.hasRoute) {
            text << "count: " << outcome.routeCount << " (" << RouteMeanings()[0].meaning
                 << ")\n";
            for (std::size_t i = 0; i < outcome.routePairs.size(); ++i) {
                const auto& pair = outcome.routePairs[i];
                text << "coordinates[" << i << "]: " << pair.first << ' ' << pair.second << " = "
                     << Degrees(pair.first) << ' ' << Degrees(pair.second)
                     << " degrees (latitude longitude)\n";
            }
        }
    }
}

namespace {

std::string RecordSummary(const TCommandDescription& command) {
    if (command.recordName == nullptr) return "error code only";
    std::string summary = command.recordName;
    if (command.replyShape == EReplyShape::RouteCoordinates) {
        return summary + " (count, then count pairs of first second)";
    }
    summary += " (";
    for (int i = 0; i < command.replyFieldCount; ++i) {
        const auto& field = command.replyFields[i];
        if (i > 0) summary += ", ";
        summary += field.member;
        if (field.kind == EFieldKind::Text) {
            summary += ": text[" + std::to_string(field.capacity) + "]";
        } else {
            summary += ": integer";
        }
    }
    return summary + ")";
}

}  // namespace

nlohmann::ordered_json CommandListToJson() {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const TCommandDescription* command : OXSDK5Link::commands::kAll) {
        nlohmann::ordered_json entry = nlohmann::ordered_json::object();
        entry["subcommand"] = SubcommandName(command->name);
        entry["member"] = command->name;
        entry["wireName"] = command->wireName;
        nlohmann::ordered_json arguments = nlohmann::ordered_json::array();
        const TCommandBinding* binding = FindBinding(*command);
        for (int i = 0; i < command->argumentCount; ++i) {
            nlohmann::ordered_json argument = {
                {"name", command->arguments[i].name},
                {"kind", ArgumentKindName(command->arguments[i].kind)}};
            if (const TMeaning* meaning =
                    FindArgumentMeaning(command->name, command->arguments[i].name)) {
                argument.update(MeaningToJson(*meaning));
            }
            const TEnumeration* enumeration =
                binding != nullptr ? binding->parameterEnumerations()[static_cast<std::size_t>(i)]
                                   : nullptr;
            if (enumeration != nullptr) {
                nlohmann::ordered_json enumerators = nlohmann::ordered_json::array();
                for (const TEnumerator& enumerator : enumeration->enumerators) {
                    enumerators.push_back({{"name", enumerator.name},
                                           {"value", enumerator.value},
                                           {"meaning", enumerator.meaning}});
                }
                argument["enumeration"] = enumeration->name;
                argument["enumerators"] = enumerators;
            }
            arguments.push_back(argument);
        }
        entry["arguments"] = arguments;
        if (command->recordName != nullptr) {
            nlohmann::ordered_json record = {{"type", command->recordName}};
            nlohmann::ordered_json members = nlohmann::ordered_json::array();
            for (int i = 0; i < command->replyFieldCount; ++i) {
                const auto& field = command->replyFields[i];
                nlohmann::ordered_json member = {
                    {"name", field.member},
                    {"kind", field.kind == EFieldKind::Text ? "text" : "integer"},
                    {"capacity", field.capacity}};
                if (const TMeaning* meaning = FindMemberMeaning(command->recordName, field.member)) {
                    member.update(MeaningToJson(*meaning));
                }
                members.push_back(member);
            }
            record["members"] = members;
            entry["record"] = record;
        } else {
            entry["record"] = nullptr;
        }
        list.push_back(entry);
    }
    return list;
}

std::string CommandListToText() {
    std::ostringstream text;
    for (const TCommandDescription* command : OXSDK5Link::commands::kAll) {
        text << SubcommandName(command->name);
        for (int i = 0; i < command->argumentCount; ++i) {
            text << " <" << command->arguments[i].name << ':'
                 << ArgumentKindName(command->arguments[i].kind) << '>';
        }
        text << "\n    " << command->name << ", wire name " << command->wireName << ", reply "
             << RecordSummary(*command) << '\n';
        const TCommandBinding* binding = FindBinding(*command);
        if (binding != nullptr) text << ArgumentsHelp(*binding);
        std::vector<const TMeaning*> meanings;
        for (int i = 0; i < command->replyFieldCount; ++i) {
            meanings.push_back(
                FindMemberMeaning(command->recordName, command->replyFields[i].member));
        }
        if (command->replyShape == EReplyShape::RouteCoordinates) {
            for (const TMeaning& meaning : RouteMeanings()) meanings.push_back(&meaning);
        }
        for (const TMeaning* meaning : meanings) {
            if (meaning == nullptr) continue;
            text << "  " << meaning->member << " = " << meaning->meaning;
            if (*meaning->unit != '\0') text << ", " << meaning->unit;
            for (const TValueName& name : meaning->valueNames) {
                text << "; " << name.value << ' ' << name.name;
            }
            text << (meaning->emulatorChoice ? "" : " (protocol)") << '\n';
        }
    }
    text << "Meanings are those of the navigator emulator (oxsdk-navigator) unless marked "
            "(protocol);\nanother navigator may use others.\n";
    return text.str();
}

}  // namespace oxsdk::cli
