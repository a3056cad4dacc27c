// The running test: the navigator runs exactly while a top-level window of its class exists.
// Used by the start (navigator_start) and by the COstrelAPI operations that test, bring forward
// and stop the navigator.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "transport/reply_wait.h"

namespace oxsdk::navigator {

/// Class of the navigator's main window (its title is not looked at).
inline constexpr char16_t kNavigatorWindowClass[] = u"AldernWinClass";

/// Looks for the navigator's main window and stores the handle, 0 included, in
/// State().navigatorWindow, and which window it is in State().navigatorInstance. Returns 0 when
/// the window exists, -5 when it does not.
int FindNavigatorWindow();

/// The navigator's main window now, or 0; with `instance`, also which window it is. State() is
/// left alone.
platform::WindowHandle CurrentNavigatorWindow(std::uint64_t* instance = nullptr);

/// Ends a reply wait when the navigator is gone: its window, known beforehand or present when
/// the wait began, is no longer the navigator's window (closed, or replaced by the window of
/// a navigator started since, which never received the command, even one with the same handle
/// because it runs under the same process id). A navigator without a window (one driving
/// ProcessEvents only) is never reported gone.
class CNavigatorWatch : public transport::MReplyWaitWatch {
public:
    /// `window` and `instance`: the navigator's window as the caller found it; 0 to look it up
    /// when the wait begins.
    explicit CNavigatorWatch(platform::WindowHandle window = 0, std::uint64_t instance = 0)
        : window_(window), instance_(instance), known_(window != 0) {}
    void WaitBegins() override;
    bool PeerGone() override;

private:
    platform::WindowHandle window_;
    std::uint64_t instance_;
    bool known_;
};

}  // namespace oxsdk::navigator
