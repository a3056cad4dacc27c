// How the emulated device's names and paths meet the host: device names are UTF-16, host
// names UTF-8; a device path maps below a root folder; errno values reduce to platform errors.
// Used by the posix platform and the window registry.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace oxsdk::platform {

/// UTF-16 -> UTF-8. False for unpaired surrogates.
bool DeviceNameToHost(std::u16string_view name, std::string* out);

/// UTF-16 -> UTF-8 into `out` (`capacity` bytes, terminated). False for unpaired surrogates
/// and for a name that does not fit.
bool DeviceNameToHost(std::u16string_view name, char* out, std::size_t capacity);

/// UTF-8 -> UTF-16 for a name listed on the host. False when the name is not valid UTF-8 or
/// holds "\" (such a name is never shown on the device).
bool HostNameToDevice(std::string_view name, std::u16string* out);
/// The same into `out` (kMaxPath wide characters, terminated), its length in `*length`. False
/// also for a name that does not fit.
bool HostNameToDevice(std::string_view name, char16_t (&out)[kMaxPath], std::size_t* length);

/// Maps `devicePath` below `root` (see DevicePathToHost).
bool HostPathUnder(const std::string& root, const char16_t* devicePath, std::string* hostPath);

/// DeviceRootFolder() kept per thread: worked out again only when the environment variables it
/// reads have changed.
const std::string& CurrentDeviceRootFolder();

/// Creates `folder` and its missing parents with mode 0700. False when it cannot.
bool EnsureHostFolder(const std::string& folder);

/// ENOENT/ENOTDIR -> kNotFound, EACCES/EPERM/ELOOP/ENXIO/EISDIR -> kAccessDenied, EEXIST ->
/// kAlreadyExists, others kOther.
Error ErrorFromErrno(int error);

}  // namespace oxsdk::platform
