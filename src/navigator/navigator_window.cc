#include "navigator/navigator_window.h"

#include "navigator/navigator_state.h"
#include "platform/platform.h"

namespace oxsdk::navigator {

int FindNavigatorWindow() {
    platform::WindowHandle window = platform::CurrentPlatform().FindWindow(kNavigatorWindowClass);
    State().navigatorWindow = window;
    return window != 0 ? 0 : -5;
}

platform::WindowHandle CurrentNavigatorWindow() {
    return platform::CurrentPlatform().FindWindow(kNavigatorWindowClass);
}

void CNavigatorWatch::WaitBegins() {
    if (known_) return;
    window_ = CurrentNavigatorWindow();
    known_ = true;
}

bool CNavigatorWatch::PeerGone() {
    return window_ != 0 && CurrentNavigatorWindow() != window_;
}

}  // namespace oxsdk::navigator
