// The state the library keeps about the navigator between calls, in one place: the executable
// path last recorded by a search, the window found by the last running test, and the busy
// cursor put up while waiting for the navigator to close. It starts empty when the library is
// loaded and is shared by every COstrelAPI object, whatever thread uses it: the window is an
// atomic, everything else is read and written under `lock`. Tests reset it between cases.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/platform.h"

namespace oxsdk::navigator {

struct NavigatorState {
    /// Guards navigatorPath and the busy cursor's two members.
    std::mutex lock;
    /// Full device path of the navigator executable last recorded by a search; empty at first
    /// and never cleared afterwards.
    char16_t navigatorPath[platform::kMaxPath];
    /// The navigator's main window as the last running test found it, or 0.
    std::atomic<platform::WindowHandle> navigatorWindow;
    /// Which window that was (platform::Platform::FindWindowInstance), so that a navigator
    /// restarted under the same handle is told apart; 0 with no window.
    std::atomic<std::uint64_t> navigatorInstance;
    /// 1 while BeginBusyCursor has put up the busy cursor and EndBusyCursor has not taken it
    /// down.
    int busyCursorActive;
    /// The cursor shown before the busy cursor went up; 0 while it is not up.
    platform::CursorHandle savedCursor;
    /// Why the last start left the navigator not running (an EStartOutcome, 0 when it runs;
    /// written under `lock`), and the executable that start found (empty when it found none;
    /// under `lock`).
    std::atomic<int> lastStartOutcome;
    char16_t lastStartExecutable[platform::kMaxPath];
};

/// The one instance of the library (zero-initialised, no constructor runs at load).
NavigatorState& State();

/// Returns the state to what it is when the library is loaded. For tests.
void ResetNavigatorState();

}  // namespace oxsdk::navigator
