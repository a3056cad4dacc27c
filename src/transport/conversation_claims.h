// The conversations of this process whose replies are awaited: a command's names, pid and
// sequence number, claimed by the layer that sent it from its SendCommand until its reply was
// collected. A layer that would send under an awaited conversation (a second layer with the
// same names in this process) is refused at once instead of waiting for a reply that is the
// first layer's. A wait that was given up keeps its conversation for a while (the most recent
// kAbandonedClaims of them), since its reply may still come: a later layer with the same names
// passes over its sequence number. Used by COstrelFileLayer.
#pragma once

#include <cstddef>
#include <string>

namespace oxsdk::transport {

/// How many conversations given up stay claimed.
inline constexpr std::size_t kAbandonedClaims = 256;

/// The key of a conversation. May throw std::bad_alloc.
std::string ConversationKey(const char* writer, const char* reader, int pid, int sequence);

enum class EClaim {
    kClaimed,    ///< the key is now this caller's
    kAwaited,    ///< another command of this process awaits its reply under the key
    kAbandoned,  ///< a wait under the key was given up recently: its reply may still come
};

/// Claims `key` unless it is awaited or was given up recently. May throw std::bad_alloc
/// (nothing is claimed then).
EClaim ClaimConversation(const std::string& key);

/// Ends the claim of `key`. With `abandoned`, the key stays claimed among the conversations
/// given up (the oldest of them is released when there are more than kAbandonedClaims).
/// Never throws: when memory runs out the key is simply released.
void ReleaseConversation(const std::string& key, bool abandoned) noexcept;

}  // namespace oxsdk::transport
