#include "command_handler.h"

#include <exception>

#include "commands.h"
#include "text_folding.h"

namespace oxsdk::emulator {
namespace {

using OXSDK5Link::EFieldKind;
using OXSDK5Link::EReplyShape;
using OXSDK5Link::TCommandDescription;

const TCommandEntry* FindEntry(const std::string& wireName) {
    for (const TCommandEntry& entry : CommandTable()) {
        if (wireName == entry.description->wireName) return &entry;
    }
    return nullptr;
}

// A failure reply in the shape the command's client accepts: the code alone, and for the
// route's coordinates the code and a pair count of 0 (a lone field would read as malformed).
std::vector<std::string> FailureReply(const TCommandDescription* command, int code) {
    std::vector<std::string> reply{std::to_string(code)};
    if (command != nullptr && command->replyShape == EReplyShape::RouteCoordinates) {
        reply.push_back("0");
    }
    return reply;
}

std::string Summary(const std::vector<std::string>& fields, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < fields.size() && i < limit; ++i) text += fields[i] + "|";
    if (fields.size() > limit) text += "... (" + std::to_string(fields.size()) + " fields)";
    return text;
}

}  // namespace

int CNavigatorCommandHandler::HandleCommand(MOstrelCommunicationLayerInterface& layer,
                                            MOstrelSession* session) {
    TCommand command;
    const int count = layer.NrReceiveFields();
    if (count > 0) command.wireName = layer.ReceiveField(0);
    for (int i = 1; i < count; ++i) command.arguments.emplace_back(layer.ReceiveField(i));
    if (count == 0 || session == nullptr) {
        // Nothing to answer or no way to address the answer: a marker whose message could not
        // be read comes back on every pass, and a reply each time would pile up in the folder.
        navigator_.log().Debug(count == 0 ? "unreadable command skipped"
                                          : "no session for " + command.wireName);
        return 0;
    }
    const std::vector<std::string> reply = Execute(command);
    layer.StartReturnResult(session);
    for (const std::string& field : reply) layer.AppendArgument(field.c_str());
    layer.SendCommand();
    return 0;
}

std::vector<std::string> CNavigatorCommandHandler::Execute(const TCommand& command) {
    ++commandsHandled_;
    navigator_.Update();
    CLog& log = navigator_.log();
    if (log.Enabled(ELogLevel::kDebug)) {
        std::vector<std::string> fields{command.wireName};
        fields.insert(fields.end(), command.arguments.begin(), command.arguments.end());
        log.Debug("<- " + Summary(fields, 8));
    }
    std::vector<std::string> reply;
    const TCommandEntry* entry = FindEntry(command.wireName);
    if (entry == nullptr) {
        log.Info("unknown command " + command.wireName);
        reply = FailureReply(nullptr, kUnknownCommand);
    } else if (static_cast<int>(command.arguments.size()) != entry->description->argumentCount) {
        log.Info(command.wireName + ": " + std::to_string(command.arguments.size()) +
                 " arguments, expected " + std::to_string(entry->description->argumentCount));
        reply = FailureReply(entry->description, kWrongArgumentCount);
    } else {
        TReply result;
        try {
            result = entry->function(navigator_, command.arguments);
        } catch (const std::exception& e) {
            // Whatever goes wrong inside, the client still gets its answer.
            log.Error(command.wireName + ": " + e.what());
            result = Fail(kInternalError);
        }
        const TCommandDescription& description = *entry->description;
        const bool fixed = description.replyShape == EReplyShape::Fixed;
        if (result.code == kSuccess && fixed &&
            static_cast<int>(result.fields.size()) != description.replyFieldCount) {
            log.Error(command.wireName + ": reply of " + std::to_string(result.fields.size()) +
                      " values, expected " + std::to_string(description.replyFieldCount));
            result = Fail(kInternalError);
        }
        if (result.code != kSuccess) {
            reply = FailureReply(&description, result.code);
        } else {
            reply.push_back("0");
            for (std::size_t i = 0; i < result.fields.size(); ++i) {
                const bool text = fixed && description.replyFields[i].kind == EFieldKind::Text;
                reply.push_back(
                    text ? ReplyText(result.fields[i], description.replyFields[i].capacity - 1)
                         : result.fields[i]);
            }
        }
    }
    if (log.Enabled(ELogLevel::kDebug)) log.Debug("-> " + Summary(reply, 16));
    return reply;
}

}  // namespace oxsdk::emulator
