// The window registry of the emulated device: a window of class C exists while a process holds
// an exclusive flock on <root>/.windows/C, a file holding the owner's process id; the handle is
// that id times 4. The foreground window's handle is kept in <root>/.windows/foreground.
// Used by the posix platform (looking windows up) and EmulatedWindow (showing one).
#pragma once

#include <string>

#include "platform/platform.h"

namespace oxsdk::platform {

/// Handle of the window of class `className` on the device rooted at `root`, or 0. With
/// `instance`, also what tells the window apart from an earlier one with the same handle (0
/// when there is no window).
WindowHandle FindRegisteredWindow(const std::string& root, const char16_t* className,
                                  std::uint64_t* instance = nullptr);

/// True when a window with handle `window` exists on the device rooted at `root`.
bool IsRegisteredWindow(const std::string& root, WindowHandle window);

/// The foreground window's handle, or 0 when none was stored.
WindowHandle ReadForegroundWindow(const std::string& root);

/// Stores `window` (lowest bit cleared) as the foreground window. False when it cannot.
bool WriteForegroundWindow(const std::string& root, WindowHandle window);

}  // namespace oxsdk::platform
