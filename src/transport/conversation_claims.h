// The conversations of this process whose replies are awaited: a command's names, pid and
// sequence number, claimed by the layer that sent it from its SendCommand until its reply was
// collected. A layer that would send under an awaited conversation (a second layer with the
// same names in this process) is refused at once instead of waiting for a reply that is the
// first layer's. A wait that was given up keeps its conversation for a while (the most recent
// kAbandonedClaims of them), since its reply may still come: a later layer with the same names
// passes over its sequence number. Keys are fixed-size records, so that claiming and releasing
// allocate nothing once the register has held as many conversations at a time before. Used by
// COstrelFileLayer.
#pragma once

#include <cstddef>

#include "OXSDK5Link/FileLayer.h"

namespace oxsdk::transport {

/// How many conversations given up stay claimed.
inline constexpr std::size_t kAbandonedClaims = 256;

/// The key of a conversation: "writer.reader.pid.sequence", as its file names begin; empty
/// text: no conversation.
struct TConversationKey {
    char text[2 * COstrelFileLayer::kNameCapacity + 24] = {};
};

/// The key of the conversation of `writer` and `reader` (each shorter than
/// COstrelFileLayer::kNameCapacity) under `pid` and `sequence`.
TConversationKey ConversationKey(const char* writer, const char* reader, int pid, int sequence);

enum class EClaim {
    kClaimed,    ///< the key is now this caller's
    kAwaited,    ///< another command of this process awaits its reply under the key
    kAbandoned,  ///< a wait under the key was given up recently: its reply may still come
};

/// Claims `key` unless it is awaited or was given up recently. May throw std::bad_alloc
/// (nothing is claimed then).
EClaim ClaimConversation(const TConversationKey& key);

/// Ends the claim of `key`. With `abandoned`, the key stays claimed among the conversations
/// given up (the oldest of them is released when there are more than kAbandonedClaims).
/// Never throws: when memory runs out the key is simply released.
void ReleaseConversation(const TConversationKey& key, bool abandoned) noexcept;

}  // namespace oxsdk::transport
