#include "transport/conversation_claims.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>
#include <set>

namespace oxsdk::transport {
namespace {

struct Claims {
    std::mutex lock;
    std::set<std::string> awaited;
    std::deque<std::string> abandoned;  // oldest first
};

Claims& TheClaims() {
    static Claims* claims = new Claims;  // never destroyed: layers may outlive static objects
    return *claims;
}

}  // namespace

std::string ConversationKey(const char* writer, const char* reader, int pid, int sequence) {
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%u.%u", static_cast<unsigned>(pid),
                  static_cast<unsigned>(sequence));
    std::string key(writer);
    key += '.';
    key += reader;
    key += '.';
    key += numbers;
    return key;
}

EClaim ClaimConversation(const std::string& key) {
    Claims& claims = TheClaims();
    std::lock_guard<std::mutex> hold(claims.lock);
    if (std::find(claims.abandoned.begin(), claims.abandoned.end(), key) !=
        claims.abandoned.end()) {
        return EClaim::kAbandoned;
    }
    return claims.awaited.insert(key).second ? EClaim::kClaimed : EClaim::kAwaited;
}

void ReleaseConversation(const std::string& key, bool abandoned) noexcept {
    Claims& claims = TheClaims();
    try {
        std::lock_guard<std::mutex> hold(claims.lock);
        const auto found = claims.awaited.find(key);
        if (found == claims.awaited.end()) return;
        if (abandoned) {
            claims.abandoned.push_back(std::move(claims.awaited.extract(found).value()));
            if (claims.abandoned.size() > kAbandonedClaims) claims.abandoned.pop_front();
        } else {
            claims.awaited.erase(found);
        }
    } catch (...) {
        // The lock or the list of abandoned claims failed: the claim ends without a trace.
        try {
            std::lock_guard<std::mutex> hold(claims.lock);
            claims.awaited.erase(key);
        } catch (...) {
        }
    }
}

}  // namespace oxsdk::transport
