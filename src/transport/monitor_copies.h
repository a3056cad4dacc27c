// Copies for a monitor: while a monitor is registered on the device, every message this
// process writes is also written into the monitor's copies folder, so that the monitor sees it
// however soon its reader takes it. The registration is looked at no more than once every
// COstrelFileLayer::kMonitorCheckMilliseconds per process; a send in between costs a reading
// of the clock. Used by COstrelFileLayer::SendCommand.
#pragma once

#include <cstdint>

namespace oxsdk::transport {

/// Writes `size` bytes of `data`, the complete message file `messageName`, as a copy into the
/// monitor's copies folder when a monitor is registered and this process's copy budget allows.
/// Never fails the caller: a copy that cannot be written is left out (and removed if partial).
void CopyForMonitor(const char* messageName, const void* data, std::uint32_t size);

}  // namespace oxsdk::transport
