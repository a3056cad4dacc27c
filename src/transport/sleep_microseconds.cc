#include "transport/sleep_microseconds.h"

#include "platform/platform.h"

namespace oxsdk::transport {

void SleepMicroseconds(std::int32_t microseconds) {
    std::int32_t milliseconds = microseconds / 1000;
    if (milliseconds < 0) milliseconds = 0;
    platform::CurrentPlatform().Sleep(static_cast<std::uint32_t>(milliseconds));
}

}  // namespace oxsdk::transport
