// Writes the command part of the C interface from the command catalogue, so that each command
// is described in one place only:
//   generate_c_interface HEADER SOURCE
// HEADER (include/OXSDK5Link/oxsdk5link_commands.h) declares the records and the three forms of
// every remote command; SOURCE (src/capi/c_commands.inc) defines them over COstrelAPI. Both are
// checked in; the test `c_interface_is_generated` fails when they differ from what this writes.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "OXSDK5Link/CommandCatalogue.h"

namespace {

using namespace OXSDK5Link;

// "GetRouteInfo" -> "get_route_info": a word starts at a capital after a lower-case letter or
// digit, and at the last capital of a run that a lower-case letter follows (GPSInput -> gps_input).
std::string SnakeCase(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (std::isupper(c) && i > 0) {
            const unsigned char before = static_cast<unsigned char>(name[i - 1]);
            const bool afterLower = std::islower(before) || std::isdigit(before);
            const bool endsRun = std::isupper(before) && i + 1 < name.size() &&
                                 std::islower(static_cast<unsigned char>(name[i + 1]));
            if (afterLower || endsRun) out += '_';
        }
        out += static_cast<char>(std::tolower(c));
    }
    return out;
}

// "TRouteInfo" -> "oxsdk_route_info".
std::string RecordType(const char* recordName) {
    return "oxsdk_" + SnakeCase(recordName + 1);
}
// "TRouteInfo" -> "route_info", the record parameter's name.
std::string RecordParameter(const char* recordName) {
    return SnakeCase(recordName + 1);
}

// The C++ type an enumerated argument takes in its COstrelAPI member.
std::string EnumerationType(const std::string& argument) {
    if (argument == "setting") return "COstrelAPI::ESettingAndValue";
    if (argument == "property") return "COstrelAPI::EProperty";
    return "COstrelAPI::EPoiTypeCode";
}

struct TCommand {
    const TCommandDescription& description;
    std::string snake;         // get_route_info
    std::string recordType;    // oxsdk_route_info, or empty
    std::string recordParam;   // route_info
    std::string cArguments;    // ", int32_t coordinate1, const char* destination_text"
    std::string cppArguments;  // ", coordinate1, destinationText" as the member takes them
};

TCommand Describe(const TCommandDescription& description) {
    TCommand command{description, SnakeCase(description.name), "", "", "", ""};
    if (description.recordName != nullptr) {
        command.recordType = RecordType(description.recordName);
        command.recordParam = RecordParameter(description.recordName);
    }
    for (int i = 0; i < description.argumentCount; ++i) {
        const TArgumentDescription& argument = description.arguments[i];
        const std::string name = SnakeCase(argument.name);
        if (argument.kind == EArgumentKind::Text) {
            command.cArguments += ", const char* " + name;
            command.cppArguments += ", " + name;
        } else {
            command.cArguments += ", int32_t " + name;
            command.cppArguments +=
                argument.kind == EArgumentKind::Enumeration
                    ? ", static_cast<" + EnumerationType(argument.name) + ">(" + name + ")"
                    : ", " + name;
        }
    }
    return command;
}

// The records of the commands, each once, in the order of first use.
void WriteRecords(std::ostream& out) {
    std::vector<std::string> written;
    for (const TCommandDescription* description : commands::kAll) {
        if (description->recordName == nullptr || description->replyFieldCount == 0) continue;
        const std::string type = RecordType(description->recordName);
        bool seen = type == "oxsdk_version";  // written by hand beside GetSDKVersion
        for (const std::string& name : written) seen = seen || name == type;
        if (seen) continue;
        written.push_back(type);
        out << "/** The reply record `COstrelAPI::" << description->recordName
            << "`: the same members in the same order. */\n"
            << "typedef struct " << type << " {\n";
        for (int i = 0; i < description->replyFieldCount; ++i) {
            const TReplyFieldDescription& field = description->replyFields[i];
            if (field.kind == EFieldKind::Text) {
                out << "    char " << SnakeCase(field.member) << "[" << field.capacity << "];";
            } else {
                out << "    int32_t " << SnakeCase(field.member) << ";";
            }
            out << " /**< reply field " << (i + 1) << " */\n";
        }
        out << "} " << type << ";\n\n";
    }
}

void WriteDeclarations(std::ostream& out, const TCommand& command) {
    const TCommandDescription& d = command.description;
    const std::string record =
        command.recordType.empty() ? "" : ", " + command.recordType + "* " + command.recordParam;
    out << "/** `COstrelAPI::" << d.name << "`, \"" << d.wireName
        << "\", blocking form: starts the "
        << "navigation application when needed, sends and waits. Returns 0 when a well-formed "
        << "reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed "
        << "reply, -5 or -6 when the wait ended without it. */\n"
        << "OXSDK_C_API int oxsdk_" << command.snake << "(oxsdk_client* client, oxsdk_error* error"
        << record << command.cArguments << ");\n"
        << "/** `COstrelAPI::" << d.name << "Async`: sends \"" << d.wireName
        << "\" and returns its session, or null when nothing was sent; `unused` is ignored. */\n"
        << "OXSDK_C_API oxsdk_session* oxsdk_" << command.snake
        << "_async(oxsdk_client* client, int32_t unused" << command.cArguments << ");\n"
        << "/** `COstrelAPI::" << d.name << "AsyncRetrieve`: waits for the reply to `session`, "
        << "frees the session and decodes the reply; results as the blocking form. */\n"
        << "OXSDK_C_API int oxsdk_" << command.snake
        << "_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error"
        << record << ");\n\n";
}

void WriteDefinitions(std::ostream& out, const TCommand& command) {
    const TCommandDescription& d = command.description;
    const bool query = !command.recordType.empty();
    const std::string cRecord = query ? ", " + command.recordType + "* " + command.recordParam : "";
    // CallQuery<COstrelAPI::TRouteInfo>(client, error, route_info, [&](api, e, r) {...}) or
    // CallAction(client, error, [&](api, e) {...})
    const std::string call =
        query ? "CallQuery<COstrelAPI::" + std::string(d.recordName) + ">(client, error, " +
                    command.recordParam + ", [&](COstrelAPI& api, COstrelAPI::TError* e, auto* r) "
              : "CallAction(client, error, [&](COstrelAPI& api, COstrelAPI::TError* e) ";
    const std::string recordArgument = query ? ", r" : "";
    out << "int oxsdk_" << command.snake << "(oxsdk_client* client, oxsdk_error* error" << cRecord
        << command.cArguments << ") {\n"
        << "    return " << call << "{\n        return api." << d.name << "(e" << recordArgument
        << command.cppArguments << ");\n    });\n}\n"
        << "oxsdk_session* oxsdk_" << command.snake << "_async(oxsdk_client* client, int32_t unused"
        << command.cArguments << ") {\n"
        << "    return Send(client, [&](COstrelAPI& api) {\n        return api." << d.name
        << "Async(unused" << command.cppArguments << ");\n    });\n}\n"
        << "int oxsdk_" << command.snake
        << "_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error"
        << cRecord << ") {\n"
        << "    MOstrelSession* const s = TakeSession(session);\n"
        << "    return " << call << "{\n        return api." << d.name << "AsyncRetrieve(s, e"
        << recordArgument << ");\n    }, s);\n}\n\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: generate_c_interface HEADER SOURCE\n";
        return 2;
    }
    std::ostringstream header, source;
    header << "/* The records and remote commands of the C interface, written from the command\n"
              " * catalogue by src/capi/generate_c_interface.cc: do not edit; included by\n"
              " * oxsdk5link.h. */\n"
              "#ifndef OXSDK5LINK_COMMANDS_H\n#define OXSDK5LINK_COMMANDS_H\n\n"
              "/** @file\n * The records and the three forms of every remote command, in C. */\n\n";
    WriteRecords(header);
    source << "// The remote commands of the C interface, written from the command catalogue by\n"
              "// src/capi/generate_c_interface.cc: do not edit; included by c_interface.cc.\n\n";
    for (const TCommandDescription* description : commands::kAll) {
        const TCommand command = Describe(*description);
        WriteDeclarations(header, command);
        WriteDefinitions(source, command);
    }
    header << "#endif /* OXSDK5LINK_COMMANDS_H */\n";
    std::ofstream(argv[1], std::ios::binary) << header.str();
    std::ofstream(argv[2], std::ios::binary) << source.str();
    return 0;
}
