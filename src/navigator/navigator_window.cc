#include "navigator/navigator_window.h"

#include "navigator/navigator_state.h"
#include "platform/platform.h"

namespace oxsdk::navigator {

int FindNavigatorWindow() {
    std::uint64_t instance = 0;
    platform::WindowHandle window = CurrentNavigatorWindow(&instance);
    State().navigatorInstance = instance;
    State().navigatorWindow = window;
    return window != 0 ? 0 : -5;
}

platform::WindowHandle CurrentNavigatorWindow(std::uint64_t* instance) {
    std::uint64_t found = 0;
    const platform::WindowHandle window =
        platform::CurrentPlatform().FindWindowInstance(kNavigatorWindowClass, &found);
    if (instance != nullptr) *instance = found;
    return window;
}

void CNavigatorWatch::WaitBegins() {
    if (known_) return;
    window_ = CurrentNavigatorWindow(&instance_);
    known_ = true;
}

// A window with the handle of the one watched is another window when it was made anew: the
// navigator restarted under the same process id never received the command.
bool CNavigatorWatch::PeerGone() {
    if (window_ == 0) return false;
    std::uint64_t instance = 0;
    const platform::WindowHandle window = CurrentNavigatorWindow(&instance);
    return window != window_ || (instance_ != 0 && instance != instance_);
}

}  // namespace oxsdk::navigator
