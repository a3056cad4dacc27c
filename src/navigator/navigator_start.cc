#include "navigator/navigator_start.h"

#include "navigator/navigator_launch.h"
#include "navigator/navigator_state.h"
#include "navigator/navigator_window.h"
#include "platform/platform.h"

namespace oxsdk::navigator {
namespace {

using platform::WindowHandle;

// The part of the start that runs under the busy cursor.
int LaunchAndHandshake(MReadinessCommand& readiness, MOstrelCommunicationLayerInterface& layer,
                       WindowHandle previousForeground) {
    platform::Platform& device = platform::CurrentPlatform();
    if (!LocateNavigator()) return -5;
    if (LaunchNavigator()) {
        int pauses = 0;
        while (FindNavigatorWindow() != 0) {
            device.Sleep(kStartWaitStepMilliseconds);
            if (++pauses > kStartWaitBound) break;
        }
        if (State().navigatorWindow == 0) return -5;

        // Readiness: the navigator has answered once its reply to this command exists. The
        // polling is bounded, the retrieve is not: it waits on for a late reply.
        MOstrelSession* session = readiness.Send();
        if (session == nullptr) return -1;
        pauses = 0;
        while (layer.ReturnAvailable(session) == 0) {
            device.Sleep(kStartWaitStepMilliseconds);
            if (++pauses > kStartWaitBound) break;
        }
        readiness.Retrieve(session);

        // The lowest bit brings the window forward together with the windows it owns.
        if (previousForeground != 0) device.SetForegroundWindow(previousForeground | 1u);
    }
    return State().navigatorWindow != 0 ? 0 : -5;
}

}  // namespace

int StartNavigator(MReadinessCommand& readiness, MOstrelCommunicationLayerInterface& layer) {
    platform::Platform& device = platform::CurrentPlatform();
    WindowHandle previousForeground = device.GetForegroundWindow();
    if (FindNavigatorWindow() == 0) return 0;

    platform::CursorHandle previousCursor = device.GetCursor();
    device.SetCursor(device.LoadWaitCursor());
    int result = -5;
    try {
        result = LaunchAndHandshake(readiness, layer, previousForeground);
    } catch (...) {
        // Reported as a start that failed; the cursor is shown again all the same.
    }
    device.SetCursor(previousCursor);
    return result;
}

}  // namespace oxsdk::navigator
