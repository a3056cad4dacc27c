// How device paths meet the Windows file system: the device root comes from the environment,
// a device path maps below it in the "\\?\" form, names that Windows cannot hold are refused,
// and Win32 error codes reduce to platform errors. Used by the win32 platform, its folder
// access and the native device functions.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace oxsdk::platform {

/// Host folder of the device root in the "\\?\" form: %OXSDK_DEVICE_ROOT%, else
/// %LOCALAPPDATA%\oxsdk\device; empty when neither is set.
std::wstring DeviceRootHostFolder();

/// `folder` made absolute and put in the "\\?\" form, without a trailing separator (except
/// after a drive letter). Empty when it cannot be.
std::wstring LongHostPath(const std::wstring& folder);

/// True when Windows can hold `name` as a file or folder name: no control characters, none of
/// <>:"/\|?* (with `wildcards`, "*" and "?" are allowed), no trailing dot or space, and not a
/// reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension).
bool IsWindowsName(std::u16string_view name, bool wildcards = false);

/// Maps `devicePath` below the host folder `root`. False when a component cannot be mapped.
bool HostPathUnder(const std::wstring& root, const char16_t* devicePath, std::wstring* hostPath);

/// UTF-8 <-> UTF-16 for host paths handed to and from tools and tests.
std::wstring WidenUtf8(const std::string& text);
std::string NarrowUtf8(const std::wstring& text);

/// ERROR_FILE_NOT_FOUND/ERROR_PATH_NOT_FOUND/... -> kNotFound, ERROR_ACCESS_DENIED/
/// ERROR_SHARING_VIOLATION/ERROR_LOCK_VIOLATION/... -> kAccessDenied, ERROR_ALREADY_EXISTS/
/// ERROR_FILE_EXISTS -> kAlreadyExists, others kOther.
Error ErrorFromWin32(unsigned long error);

}  // namespace oxsdk::platform
