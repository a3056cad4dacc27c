// The device of this build's native platform, for programs that take part in it beside the
// library: tools, test navigators and tests. On POSIX hosts it is the emulated device (a host
// folder, see docs/emulated-device.md); on Windows it is a folder of the Windows file system
// and the desktop's own windows. Nothing outside src/platform names either implementation; it
// comes here instead.
//
// Host paths are UTF-8 texts in the host's own form ("/home/u/dev/Ostrel",
// "C:\Users\u\AppData\Local\oxsdk\device\Ostrel").
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace oxsdk::platform {

/// Host folder of the device root "\" as the environment names it now: %OXSDK_DEVICE_ROOT%,
/// else a folder private to the user ($XDG_STATE_HOME/oxsdk/device or
/// ~/.local/state/oxsdk/device on POSIX hosts, %LOCALAPPDATA%\oxsdk\device on Windows).
std::string DeviceRootFolder();

/// Maps a device path ("\a\b") below DeviceRootFolder(). False when it cannot be mapped.
bool DevicePathToHost(const char16_t* devicePath, std::string* hostPath);

/// The native platform over the device rooted at the host folder `rootFolder` (for tests;
/// NativePlatform() reads the root from the environment at every call).
std::unique_ptr<Platform> NewNativePlatform(const std::string& rootFolder);

/// When the device root `root` or a folder on the way from it to the device folder `folder`
/// cannot be trusted (a link, another user's, or writable by other users), a sentence that
/// names the host folder, what is wrong and how to fix it; empty otherwise.
std::string DescribeUntrustedFolder(const std::string& root, const char16_t* folder);

/// A top-level window of this process that FindWindow of the native platform finds by its
/// class; gone when destroyed (or when the process ends).
class DeviceWindow {
public:
    /// Shows a window of class `className` on the device rooted at `rootFolder` (empty:
    /// DeviceRootFolder(); Windows has one desktop and ignores it). Null when a window of that
    /// class exists already or cannot be made.
    static std::unique_ptr<DeviceWindow> Create(const std::string& className,
                                                const std::string& rootFolder = {});
    virtual ~DeviceWindow() = default;
    virtual WindowHandle handle() const = 0;
};

// ---- host fixtures for tests ----

/// Makes a new folder private to the user in the host's temporary folder, its name starting
/// with `prefix`. Empty when it cannot.
std::string MakePrivateTemporaryFolder(const std::string& prefix);

/// Makes the host entry `link` a link to `target` (a folder when `toFolder`) that the host
/// reports as a link (a symbolic link; on Windows a reparse point). False, leaving nothing
/// behind, when this host cannot make such a link: the caller skips that case.
bool PlantHostLink(const std::string& link, const std::string& target, bool toFolder);

/// Lets every user of the host write the folder `folder`. False when it cannot.
bool OpenHostFolderToOthers(const std::string& folder);

}  // namespace oxsdk::platform
