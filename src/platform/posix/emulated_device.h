// The emulated device on a POSIX host, for programs that take part in it beside the library
// (the navigator emulator, test navigators, tests): where its root is, how a device path maps
// to a host path, and how a program shows a top-level window there.
//
// Contract: the root is $OXSDK_DEVICE_ROOT, else $XDG_STATE_HOME/oxsdk/device, else
// ~/.local/state/oxsdk/device. A window of class C exists while a process holds an exclusive
// flock on <root>/.windows/C, which holds the owner's process id as decimal text; its handle
// is that id times 4. The foreground window's handle is written in <root>/.windows/foreground.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace oxsdk::platform {

/// Host folder of the device root "\" as the environment names it now.
std::string DeviceRootFolder();

/// Maps a device path ("\a\b") to its host path. False when the path cannot be mapped (not
/// starting with "\", a component that is empty, ".", ".." or holds "/", or not UTF-16 text).
bool DevicePathToHost(const char16_t* devicePath, std::string* hostPath);

/// A posix platform over the device rooted at `rootFolder` (for tests; NativePlatform() reads
/// the root from the environment at every call).
std::unique_ptr<Platform> NewPosixPlatform(const std::string& rootFolder);

/// A top-level window of this process on the emulated device; gone when destroyed (or when the
/// process dies).
class EmulatedWindow {
public:
    /// Shows a window of class `className` (narrow text) on the device rooted at `rootFolder`
    /// (empty: DeviceRootFolder()). Null when another process already has one of that class or
    /// the registry cannot be written.
    static std::unique_ptr<EmulatedWindow> Create(const std::string& className,
                                                  const std::string& rootFolder = {});
    ~EmulatedWindow();
    EmulatedWindow(const EmulatedWindow&) = delete;
    EmulatedWindow& operator=(const EmulatedWindow&) = delete;

    WindowHandle handle() const { return handle_; }

private:
    EmulatedWindow(int fd, int folder, std::string name, WindowHandle handle)
        : fd_(fd), folder_(folder), name_(std::move(name)), handle_(handle) {}
    int fd_;      // the class file, locked
    int folder_;  // the registry folder
    std::string name_;
    WindowHandle handle_;
};

}  // namespace oxsdk::platform
