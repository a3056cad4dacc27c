// The process-wide current platform.
#include "platform/platform.h"

namespace oxsdk::platform {
namespace {
Platform* gCurrent = nullptr;
}  // namespace

Platform& CurrentPlatform() { return gCurrent != nullptr ? *gCurrent : NativePlatform(); }

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(gCurrent) { gCurrent = &platform; }

ScopedPlatform::~ScopedPlatform() { gCurrent = previous_; }

ScopedBatch::ScopedBatch() : platform_(CurrentPlatform()) { platform_.BeginBatch(); }

ScopedBatch::~ScopedBatch() { platform_.EndBatch(); }

}  // namespace oxsdk::platform
