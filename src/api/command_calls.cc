#include "api/command_calls.h"

#include <cstdlib>
#include <cstring>
#include <optional>

#include "transport/parse_decimal.h"

namespace oxsdk::api {
namespace {

// Decimal text of `value` as _itoa with radix 10 writes it: optional "-", digits, no padding.
void FormatDecimal(std::int32_t value, char (&buffer)[COstrelAPI::kConversionBufferSize]) {
    char digits[COstrelAPI::kConversionBufferSize];
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10u);
        magnitude /= 10u;
    } while (magnitude != 0u);
    int out = 0;
    if (value < 0) buffer[out++] = '-';
    while (count > 0) buffer[out++] = digits[--count];
    buffer[out] = '\0';
}

bool Matches(const TCommandDescription& command, std::initializer_list<Argument> arguments) {
    if (static_cast<int>(arguments.size()) != command.argumentCount) return false;
    int index = 0;
    for (const Argument& argument : arguments) {
        const bool isText = command.arguments[index++].kind == OXSDK5Link::EArgumentKind::Text;
        if (isText != (argument.text != nullptr)) return false;
    }
    return true;
}

}  // namespace

MOstrelSession* SendCommand(MOstrelCommunicationLayerInterface& layer,
                            char (&conversionBuffer)[COstrelAPI::kConversionBufferSize],
                            const TCommandDescription& command,
                            std::initializer_list<Argument> arguments) {
    if (!Matches(command, arguments)) return nullptr;
    try {
        layer.StartSendCommand();
        layer.AppendArgument(command.wireName);
        for (const Argument& argument : arguments) {
            if (argument.text != nullptr) {
                layer.AppendArgument(argument.text);
            } else {
                FormatDecimal(argument.number, conversionBuffer);
                layer.AppendArgument(conversionBuffer);
            }
        }
        return layer.SendCommand();
    } catch (...) {
        return nullptr;  // what a throwing layer may have sent cannot be told: nothing
    }
}

void CopyBoundedText(char* destination, std::size_t capacity, const char* source) {
    if (capacity == 0) return;
    std::size_t length = 0;
    while (length + 1 < capacity && source[length] != '\0') ++length;
    std::memcpy(destination, source, length);
    destination[length] = '\0';
}

int AwaitReply(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session,
               COstrelAPI::TError* error) {
    if (session == nullptr) return error->errorCode = -1;
    try {
        transport::ScopedReplyWaitWatch* scope = transport::ScopedReplyWaitWatch::Current();
        navigator::CNavigatorWatch ownWatch;
        std::optional<transport::ScopedReplyWaitWatch> ownScope;
        if (scope == nullptr) scope = &ownScope.emplace(ownWatch);
        scope->RecordEnd(transport::EReplyWaitEnd::kReply);
        layer.StartReceiveCommand(session);
        switch (scope->end()) {
            case transport::EReplyWaitEnd::kPeerGone:
                return error->errorCode = kNavigatorGone;
            case transport::EReplyWaitEnd::kDeadline:
                return error->errorCode = kReplyTimedOut;
            case transport::EReplyWaitEnd::kReply:
                break;
        }
    } catch (...) {
        return error->errorCode = kNoReply;
    }
    return 0;
}

int RetrieveReply(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session,
                  COstrelAPI::TError* error, void* record, const TCommandDescription& command) {
    if (const int ended = AwaitReply(layer, session, error); ended != 0) return ended;
    const int count = layer.NrReceiveFields();
    const int full = 1 + command.replyFieldCount;
    if (count != 1 && count != full) {
        error->errorCode = -2;
        return -2;
    }
    error->errorCode = ParseDecimal(layer.ReceiveField(0));
    if (count == full && record != nullptr) {
        char* base = static_cast<char*>(record);
        for (int i = 0; i < command.replyFieldCount; ++i) {
            const OXSDK5Link::TReplyFieldDescription& member = command.replyFields[i];
            const char* field = layer.ReceiveField(i + 1);
            if (member.kind == OXSDK5Link::EFieldKind::Text) {
                CopyBoundedText(base + member.offset, member.capacity, field);
            } else {
                const std::int32_t value = ParseDecimal(field);
                std::memcpy(base + member.offset, &value, sizeof value);
            }
        }
    }
    return 0;
}

}  // namespace oxsdk::api
