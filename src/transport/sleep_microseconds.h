// The library's one way of waiting: a sleep given in microseconds, carried out by the
// platform's millisecond sleep. Used by the reply wait of the file layer (100000 between
// polls) and by the navigator control (1000000 between checks for the closed window).
#pragma once

#include <cstdint>

namespace oxsdk::transport {

/// Sleeps `microseconds` / 1000 milliseconds (truncating, so counts below 1000 sleep 0 ms).
/// A negative count sleeps 0 ms rather than being taken as an enormous unsigned one.
void SleepMicroseconds(std::int32_t microseconds);

}  // namespace oxsdk::transport
