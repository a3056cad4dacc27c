#include "navigator/busy_cursor.h"

#include "navigator/navigator_state.h"
#include "platform/platform.h"

namespace oxsdk::navigator {

int BeginBusyCursor() {
    NavigatorState& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.busyCursorActive != 0) return 0;
    platform::Platform& device = platform::CurrentPlatform();
    state.savedCursor = device.GetCursor();
    device.SetCursor(device.LoadWaitCursor());
    state.busyCursorActive = 1;
    return 0;
}

int EndBusyCursor() {
    NavigatorState& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.busyCursorActive == 0) return 0;
    platform::CurrentPlatform().SetCursor(state.savedCursor);
    state.savedCursor = 0;
    state.busyCursorActive = 0;
    return 0;
}

}  // namespace oxsdk::navigator
