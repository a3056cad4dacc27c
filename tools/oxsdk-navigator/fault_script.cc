#include "fault_script.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/FileLayer.h"
#include "commands.h"

namespace oxsdk::emulator {
namespace {

using OXSDK5Link::TCommandDescription;

const TCommandDescription* FindCommand(const std::string& wireName) {
    for (const TCommandDescription* command : OXSDK5Link::commands::kAll) {
        if (wireName == command->wireName) return command;
    }
    return nullptr;
}

// A whole decimal number in low..high.
bool WholeNumber(const std::string& text, long low, long high, long* value) {
    std::int32_t number = 0;
    if (!ParseInteger(text, &number) || number < low || number > high) return false;
    *value = number;
    return true;
}

std::string Describe(const TFault& fault) {
    std::string text = fault.wireName + ":";
    switch (fault.kind) {
        case EFaultKind::kDelay:
            text += "delay=" + std::to_string(fault.value);
            break;
        case EFaultKind::kCode:
            text += "code=" + std::to_string(fault.value);
            break;
        case EFaultKind::kNever:
            text += "never";
            break;
        case EFaultKind::kMalformed:
            text += "malformed";
            break;
        case EFaultKind::kExit:
            text += "exit";
            break;
    }
    return fault.once ? text + ":once" : text;
}

}  // namespace

bool ParseFault(const std::string& text, TFault* fault, std::string* error) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    const std::string usage = "'" + text +
                              "': a fault is WIRENAME:KIND[:once], KIND delay=MS, "
                              "code=N, never, malformed or exit";
    *fault = TFault{};
    if (parts.size() == 3 && parts[2] == "once") {
        fault->once = true;
    } else if (parts.size() != 2) {
        *error = usage;
        return false;
    }
    fault->wireName = parts[0];
    if (fault->wireName != "*" && FindCommand(fault->wireName) == nullptr) {
        *error = "'" + text + "': " + fault->wireName + " is no command's wire name";
        return false;
    }
    const std::string& kind = parts[1];
    const std::size_t equals = kind.find('=');
    const std::string name = kind.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : kind.substr(equals + 1);
    if (name == "delay" && equals != std::string::npos) {
        fault->kind = EFaultKind::kDelay;
        if (!WholeNumber(value, 0, kLongestFaultDelay, &fault->value)) {
            *error = "'" + text + "': the delay is whole milliseconds from 0 to " +
                     std::to_string(kLongestFaultDelay);
            return false;
        }
    } else if (name == "code" && equals != std::string::npos) {
        fault->kind = EFaultKind::kCode;
        if (!WholeNumber(value, INT32_MIN, INT32_MAX, &fault->value)) {
            *error = "'" + text + "': the code is a whole number (32 bits)";
            return false;
        }
    } else if (kind == "never") {
        fault->kind = EFaultKind::kNever;
    } else if (kind == "malformed") {
        fault->kind = EFaultKind::kMalformed;
    } else if (kind == "exit") {
        fault->kind = EFaultKind::kExit;
    } else {
        *error = usage;
        return false;
    }
    return true;
}

CFaultyHandler::CFaultyHandler(CNavigatorCommandHandler& handler, std::vector<TFault> faults,
                               CLog& log, std::function<void()> exitNow)
    : handler_(handler), faults_(std::move(faults)), log_(log), exitNow_(std::move(exitNow)) {
    if (!exitNow_) {
        exitNow_ = [] {
            std::fflush(nullptr);
            std::_Exit(kFaultExitStatus);
        };
    }
    for (const TFault& fault : faults_) log_.Info("fault scripted: " + Describe(fault));
}

TFault* CFaultyHandler::Match(const std::string& wireName) {
    for (TFault& fault : faults_) {
        if (!fault.usedUp && (fault.wireName == "*" || fault.wireName == wireName)) {
            fault.usedUp = fault.once;
            return &fault;
        }
    }
    return nullptr;
}

int CFaultyHandler::HandleCommand(MOstrelCommunicationLayerInterface& layer,
                                  MOstrelSession* session) {
    const int count = layer.NrReceiveFields();
    TFault* fault = count > 0 && session != nullptr ? Match(layer.ReceiveField(0)) : nullptr;
    if (fault == nullptr) return handler_.HandleCommand(layer, session);
    TCommand command;
    command.wireName = layer.ReceiveField(0);
    for (int i = 1; i < count; ++i) command.arguments.emplace_back(layer.ReceiveField(i));
    log_.Info("fault " + Describe(*fault) + " applied to " + command.wireName);

    std::vector<std::string> reply;
    switch (fault->kind) {
        case EFaultKind::kExit:
            exitNow_();
            return 0;
        case EFaultKind::kNever:
            handler_.Execute(command);
            return 0;
        case EFaultKind::kCode: {
            // The shape a failure has: the code alone, and for the route's coordinates a
            // pair count of 0 after it.
            reply.push_back(std::to_string(fault->value));
            const TCommandDescription* description = FindCommand(command.wireName);
            if (description != nullptr &&
                description->replyShape == OXSDK5Link::EReplyShape::RouteCoordinates) {
                reply.push_back("0");
            }
            break;
        }
        case EFaultKind::kMalformed:
            reply = handler_.Execute(command);
            reply.pop_back();
            break;
        case EFaultKind::kDelay: {
            reply = handler_.Execute(command);
            const auto* fileLayer = dynamic_cast<const COstrelFileLayer*>(&layer);
            THeldReply held{TClock::now() + std::chrono::milliseconds(fault->value),
                            command.wireName,
                            std::unique_ptr<MOstrelCommunicationLayerInterface>(
                                fileLayer != nullptr ? fileLayer->NewReplyLayer(session) : nullptr),
                            reply};
            if (held.layer != nullptr) {
                held_.push_back(std::move(held));
                return 0;
            }
            log_.Error("a reply over this layer cannot be held back: sent at once");
            break;
        }
    }
    layer.StartReturnResult(session);
    for (const std::string& field : reply) layer.AppendArgument(field.c_str());
    layer.SendCommand();
    return 0;
}

void CFaultyHandler::SendDueReplies() {
    const TClock::time_point now = TClock::now();
    const auto due = std::stable_partition(
        held_.begin(), held_.end(), [now](const THeldReply& held) { return held.due <= now; });
    for (auto held = held_.begin(); held != due; ++held) {
        log_.Debug("held reply to " + held->wireName + " sent");
        for (const std::string& field : held->fields) held->layer->AppendArgument(field.c_str());
        held->layer->SendCommand();
    }
    held_.erase(held_.begin(), due);
}

std::uint32_t CFaultyHandler::MillisecondsToNextReply(std::uint32_t longest) const {
    std::uint32_t wait = longest;
    const TClock::time_point now = TClock::now();
    for (const THeldReply& held : held_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(held.due - now).count();
        if (left < static_cast<long long>(wait)) {
            wait = left <= 0 ? 0 : static_cast<std::uint32_t>(left) + 1;
        }
    }
    return wait;
}

}  // namespace oxsdk::emulator
