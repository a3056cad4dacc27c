// The process-wide current platform.
#include "platform/platform.h"

namespace oxsdk::platform {
namespace {
Platform* current = nullptr;
}  // namespace

Platform& CurrentPlatform() { return current != nullptr ? *current : NativePlatform(); }

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(current) { current = &platform; }

ScopedPlatform::~ScopedPlatform() { current = previous_; }

ScopedBatch::ScopedBatch() : platform_(CurrentPlatform()) { platform_.BeginBatch(); }

ScopedBatch::~ScopedBatch() { platform_.EndBatch(); }

}  // namespace oxsdk::platform
