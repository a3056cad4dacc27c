// The process-wide current platform.
#include "platform/platform.h"

#include <chrono>
#include <mutex>
#include <random>

namespace oxsdk::platform {
namespace {
Platform* gCurrent = nullptr;

// Mixes all bits of `value` into all bits of the result (the finaliser of splitmix64).
std::uint64_t Mix(std::uint64_t value) {
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ull;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

// The system's random source where it works, and the clocks in any case, so that a random
// source that is missing or deterministic still gives processes different numbers.
std::uint32_t DrawProcessNonce() {
    std::uint64_t seed =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    seed = Mix(seed ^ static_cast<std::uint64_t>(
                          std::chrono::steady_clock::now().time_since_epoch().count()));
    try {
        std::random_device source;
        seed = Mix(seed ^ (static_cast<std::uint64_t>(source()) << 32 | source()));
    } catch (...) {
    }
    return static_cast<std::uint32_t>(seed ^ (seed >> 32));
}
}  // namespace

// Drawn again when the process id changed: a child made by fork (into a new pid namespace, say)
// is another process and must not keep its parent's number.
std::uint32_t Platform::GetProcessNonce() {
    static std::mutex lock;
    static std::uint32_t owner = 0;
    static std::uint32_t nonce = 0;
    const std::uint32_t process = GetCurrentProcessId();
    std::lock_guard<std::mutex> hold(lock);
    if (nonce == 0 || owner != process) {
        owner = process;
        nonce = DrawProcessNonce();
    }
    return nonce;
}

Platform& CurrentPlatform() { return gCurrent != nullptr ? *gCurrent : NativePlatform(); }

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(gCurrent) { gCurrent = &platform; }

ScopedPlatform::~ScopedPlatform() { gCurrent = previous_; }

ScopedBatch::ScopedBatch() : platform_(CurrentPlatform()) { platform_.BeginBatch(); }

ScopedBatch::~ScopedBatch() { platform_.EndBatch(); }

}  // namespace oxsdk::platform
