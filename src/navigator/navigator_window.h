// The running test: the navigator runs exactly while a top-level window of its class exists.
// Used by the start (navigator_start) and by the COstrelAPI operations that test, bring forward
// and stop the navigator.
#pragma once

namespace oxsdk::navigator {

/// Class of the navigator's main window (its title is not looked at).
inline constexpr char16_t kNavigatorWindowClass[] = u"AldernWinClass";

/// Looks for the navigator's main window and stores the handle, 0 included, in
/// State().navigatorWindow. Returns 0 when the window exists, -5 when it does not.
int FindNavigatorWindow();

}  // namespace oxsdk::navigator
