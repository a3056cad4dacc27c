// The generic pieces behind every remote command of COstrelAPI: send a command described by
// the catalogue, collect its reply into a record, and chain both behind StartApplication for
// the blocking forms. Each command member of COstrelAPI is one call of these.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "navigator/navigator_window.h"
#include "transport/file_operations.h"

namespace oxsdk::api {

using OXSDK5Link::TCommandDescription;

/// One request argument as a command member passes it: a text, or a number (enumerators are
/// passed as their integer value).
struct Argument {
    Argument(const char* value) : text(value), number(0) {}         // NOLINT: implicit by design
    Argument(std::int32_t value) : text(nullptr), number(value) {}  // NOLINT
    const char* text;
    std::int32_t number;
};

/// Sends `command` with `arguments` (in parameter order): StartSendCommand, the wire name,
/// each argument (numbers formatted into `conversionBuffer`), SendCommand. Returns the session,
/// or null when the layer could not send or the arguments do not match the description.
MOstrelSession* SendCommand(MOstrelCommunicationLayerInterface& layer,
                            char (&conversionBuffer)[COstrelAPI::kConversionBufferSize],
                            const TCommandDescription& command,
                            std::initializer_list<Argument> arguments);

/// Collects the reply of a command with a fixed reply shape: -1 for a null session (layer not
/// called), -2 for a field count other than 1 and 1 + command.replyFieldCount, else errorCode
/// from field 0, the record (when given) filled from a full reply, and 0.
int RetrieveReply(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session,
                  COstrelAPI::TError* error, void* record, const TCommandDescription& command);

/// errorCode (and result) of a retrieve when no well-formed reply could be had: a field count
/// the command does not accept, or a failure inside the layer.
inline constexpr int kNoReply = -2;
/// errorCode (and result) of a retrieve whose wait ended because the navigator's window went.
inline constexpr int kNavigatorGone = -5;
/// errorCode (and result) of a retrieve whose wait reached the layer's reply timeout.
inline constexpr int kReplyTimedOut = -6;

/// The wait of every retrieve: the layer's StartReceiveCommand under a watch that ends the wait
/// when the navigator goes (the caller's watch when it installed one, else one that notes the
/// navigator's window as the wait begins). Returns 0 when the reply's fields can be read (they
/// may still be malformed); otherwise sets errorCode and returns it: -1 for a null session (the
/// layer is not called), kNavigatorGone or kReplyTimedOut for a wait given up, kNoReply for a
/// failure inside the layer. The session is destroyed either way.
///
/// The watch reaches the wait beside the call, not as an argument: StartReceiveCommand's
/// signature is the public layer interface's (and the layer may be an application's own), so
/// the file layer's wait asks the innermost transport::ScopedReplyWaitWatch of its thread
/// (transport/reply_wait.h). RunBlocking installs one for a whole blocking form; a retrieve
/// form called on its own gets one here.
int AwaitReply(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session,
               COstrelAPI::TError* error);

/// Copies `source` into `destination` (capacity bytes): at most capacity - 1 characters and a
/// terminator; the bytes after the terminator are left as they were.
void CopyBoundedText(char* destination, std::size_t capacity, const char* source);

/// The blocking form: StartApplication with `error`; a non-zero code returns `startFailure`
/// (-1 for every command but one) and sends nothing. Then `send()`; null sets errorCode -1 and
/// returns -1. Otherwise returns `retrieve(session)`, whose wait ends when the window that the
/// start found goes away.
template <typename Send, typename Retrieve>
int RunBlocking(COstrelAPI& api, COstrelAPI::TError* error, Send send, Retrieve retrieve,
                int startFailure = -1) {
    transport::ScopedCallBatch batch;  // start, send and receive: one call
    api.StartApplication(error);
    if (error->errorCode != 0) return startFailure;
    navigator::CNavigatorWatch watch(navigator::State().navigatorWindow,
                                     navigator::State().navigatorInstance);
    transport::ScopedReplyWaitWatch scope(watch);
    MOstrelSession* session = send();
    if (session == nullptr) {
        error->errorCode = -1;
        return -1;
    }
    return retrieve(session);
}

}  // namespace oxsdk::api
