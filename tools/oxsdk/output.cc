// Text and JSON reports of the client.
#include "output.h"

#include <sstream>

#include "command_bindings.h"
#include "command_names.h"

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

nlohmann::ordered_json OutcomeToJson(const TRequestName& request, const TCallOutcome& outcome) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["command"] = request.name;
    if (!request.wireName.empty()) json["wireName"] = request.wireName;
    json["status"] = StatusName(outcome.status);
    json["exitStatus"] = ExitCode(outcome.status);
    if (outcome.result) json["result"] = *outcome.result;
    if (outcome.errorCode) json["errorCode"] = *outcome.errorCode;
    if (outcome.replyFieldCount) json["replyFieldCount"] = *outcome.replyFieldCount;
    if (outcome.recordFilled) {
        nlohmann::ordered_json record = nlohmann::ordered_json::object();
        for (const TNamedValue& value : outcome.record) {
            if (value.isText) {
                record[value.name] = value.text;
            } else {
                record[value.name] = value.number;
            }
        }
        if (outcome.hasRoute) {
            record["count"] = outcome.routeCount;
            nlohmann::ordered_json pairs = nlohmann::ordered_json::array();
            for (const auto& pair : outcome.routePairs) pairs.push_back({pair.first, pair.second});
            record["coordinates"] = pairs;
        }
        json["record"] = record;
    }
    if (outcome.running) json["running"] = *outcome.running;
    if (!outcome.message.empty()) json["message"] = outcome.message;
    return json;
}

std::string OutcomeToText(const TCallOutcome& outcome) {
    std::ostringstream text;
    if (outcome.running) text << "running: " << (*outcome.running ? "yes" : "no") << '\n';
    if (outcome.errorCode) text << "errorCode: " << *outcome.errorCode << '\n';
    if (outcome.recordFilled) {
        for (const TNamedValue& value : outcome.record) {
            text << value.name << ": ";
            if (value.isText) {
                text << value.text;
            } else {
                text << value.number;
            }
            text << '\n';
        }
        if (outcome.hasRoute) {
            text << "count: " << outcome.routeCount << '\n';
            for (std::size_t i = 0; i < outcome.routePairs.size(); ++i) {
                text << "coordinates[" << i << "]: " << outcome.routePairs[i].first << ' '
                     << outcome.routePairs[i].second << '\n';
            }
        }
    }
    return text.str();
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
        for (int i = 0; i < command->argumentCount; ++i) {
            arguments.push_back({{"name", command->arguments[i].name},
                                 {"kind", ArgumentKindName(command->arguments[i].kind)}});
        }
        entry["arguments"] = arguments;
        if (command->recordName != nullptr) {
            nlohmann::ordered_json record = {{"type", command->recordName}};
            nlohmann::ordered_json members = nlohmann::ordered_json::array();
            for (int i = 0; i < command->replyFieldCount; ++i) {
                const auto& field = command->replyFields[i];
                members.push_back({{"name", field.member},
                                   {"kind", field.kind == EFieldKind::Text ? "text" : "integer"},
                                   {"capacity", field.capacity}});
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
    }
    return text.str();
}

}  // namespace oxsdk::cli
