#include "navigator/navigator_start.h"

#include <algorithm>
#include <iterator>

#include "navigator/navigator_launch.h"
#include "navigator/navigator_state.h"
#include "navigator/navigator_window.h"
#include "platform/platform.h"

namespace oxsdk::navigator {
namespace {

using platform::WindowHandle;

// Keeps why this start ended as it did, with the executable it found, for
// COstrelAPI::GetLastStartFailure.
void Record(EStartOutcome outcome) {
    std::lock_guard<std::mutex> hold(State().lock);
    State().lastStartOutcome = static_cast<int>(outcome);
    std::copy(std::begin(State().navigatorPath), std::end(State().navigatorPath),
              State().lastStartExecutable);
}

// The part of the start that runs under the busy cursor.
int LaunchAndHandshake(MReadinessCommand& readiness, MOstrelCommunicationLayerInterface& layer,
                       WindowHandle previousForeground) {
    platform::Platform& device = platform::CurrentPlatform();
    if (!LocateNavigator()) {
        Record(EStartOutcome::NoExecutable);
        return -5;
    }
    EStartOutcome failure = EStartOutcome::NoWindow;  // the window went again
    if (LaunchNavigator()) {
        int pauses = 0;
        while (FindNavigatorWindow() != 0) {
            device.Sleep(kStartWaitStepMilliseconds);
            if (++pauses > kStartWaitBound) break;
        }
        if (State().navigatorWindow == 0) {
            Record(EStartOutcome::NoWindow);
            return -5;
        }

        // Readiness: the navigator has answered once its reply to this command exists. The
        // polling is bounded, the retrieve is not: it waits on for a late reply.
        MOstrelSession* session = readiness.Send();
        if (session == nullptr) {
            Record(EStartOutcome::NotReady);
            return -1;
        }
        pauses = 0;
        while (layer.ReturnAvailable(session) == 0) {
            device.Sleep(kStartWaitStepMilliseconds);
            if (++pauses > kStartWaitBound) break;
        }
        readiness.Retrieve(session);

        // The lowest bit brings the window forward together with the windows it owns.
        if (previousForeground != 0) device.SetForegroundWindow(previousForeground | 1u);
    } else {
        bool found;
        {
            std::lock_guard<std::mutex> hold(State().lock);
            found = State().navigatorPath[0] != u'\0';
        }
        failure = found ? EStartOutcome::LaunchFailed : EStartOutcome::NoExecutable;
    }
    if (State().navigatorWindow == 0) {
        Record(failure);
        return -5;
    }
    Record(EStartOutcome::Running);
    return 0;
}

}  // namespace

int StartNavigator(MReadinessCommand& readiness, MOstrelCommunicationLayerInterface& layer) {
    platform::Platform& device = platform::CurrentPlatform();
    WindowHandle previousForeground = device.GetForegroundWindow();
    if (FindNavigatorWindow() == 0) {
        // Every blocking command passes here: the lock is taken only to clear a failure.
        if (State().lastStartOutcome.load() != 0) Record(EStartOutcome::Running);
        return 0;
    }

    platform::CursorHandle previousCursor = device.GetCursor();
    device.SetCursor(device.LoadWaitCursor());
    int result = -5;
    try {
        result = LaunchAndHandshake(readiness, layer, previousForeground);
    } catch (...) {
        // Reported as a start that failed; the cursor is shown again all the same.
        try {
            Record(EStartOutcome::LaunchFailed);
        } catch (...) {
        }
    }
    device.SetCursor(previousCursor);
    return result;
}

}  // namespace oxsdk::navigator
