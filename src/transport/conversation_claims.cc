#include "transport/conversation_claims.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace oxsdk::transport {
namespace {

struct Claims {
    std::mutex lock;
    std::vector<TConversationKey> awaited;   // keeps its capacity: no allocation once warm
    std::deque<TConversationKey> abandoned;  // oldest first
};

Claims& TheClaims() {
    static Claims* claims = new Claims;  // never destroyed: layers may outlive static objects
    return *claims;
}

// Where `key` stands in `keys`, or their end.
template <typename Keys>
auto Find(Keys& keys, const TConversationKey& key) {
    return std::find_if(keys.begin(), keys.end(), [&key](const TConversationKey& other) {
        return std::strcmp(other.text, key.text) == 0;
    });
}

}  // namespace

TConversationKey ConversationKey(const char* writer, const char* reader, int pid, int sequence) {
    TConversationKey key;
    std::snprintf(key.text, sizeof key.text, "%s.%s.%u.%u", writer, reader,
                  static_cast<unsigned>(pid), static_cast<unsigned>(sequence));
    return key;
}

EClaim ClaimConversation(const TConversationKey& key) {
    Claims& claims = TheClaims();
    std::lock_guard<std::mutex> hold(claims.lock);
    if (Find(claims.abandoned, key) != claims.abandoned.end()) return EClaim::kAbandoned;
    if (Find(claims.awaited, key) != claims.awaited.end()) return EClaim::kAwaited;
    claims.awaited.push_back(key);
    return EClaim::kClaimed;
}

void ReleaseConversation(const TConversationKey& key, bool abandoned) noexcept {
    Claims& claims = TheClaims();
    try {
        std::lock_guard<std::mutex> hold(claims.lock);
        const auto found = Find(claims.awaited, key);
        if (found == claims.awaited.end()) return;
        if (found + 1 != claims.awaited.end()) *found = claims.awaited.back();
        claims.awaited.pop_back();
        if (abandoned) {
            claims.abandoned.push_back(key);
            if (claims.abandoned.size() > kAbandonedClaims) claims.abandoned.pop_front();
        }
    } catch (...) {
        // The lock or the list of abandoned claims failed: the claim has ended without a trace.
    }
}

}  // namespace oxsdk::transport
