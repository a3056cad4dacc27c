#include "navigator/navigator_window.h"

#include "navigator/navigator_state.h"
#include "platform/platform.h"

namespace oxsdk::navigator {

int FindNavigatorWindow() {
    platform::WindowHandle window = platform::CurrentPlatform().FindWindow(kNavigatorWindowClass);
    State().navigatorWindow = window;
    return window != 0 ? 0 : -5;
}

}  // namespace oxsdk::navigator
