// The COstrelAPI operations that act on the navigator itself rather than send it a query:
// start it (StartApplication), test whether it runs, bring it forward, and stop it and wait
// for its window to go. The searching, starting and window tests live in navigator/.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "api/command_calls.h"
#include "navigator/busy_cursor.h"
#include "navigator/navigator_start.h"
#include "navigator/navigator_state.h"
#include "navigator/navigator_window.h"
#include "platform/device_text.h"
#include "platform/platform.h"
#include "transport/file_operations.h"
#include "transport/sleep_microseconds.h"

namespace {

/// Pause between two tests of whether a stopped navigator has closed its window.
constexpr std::int32_t kStopWaitStepMicroseconds = 1000000;
/// The stop wait ends once its counter of pauses exceeds this: at most 11 tests and pauses.
constexpr int kStopWaitBound = 10;

// The start's readiness command: one BringNavigatorToForeground, its reply discarded.
class CForegroundReadiness final : public oxsdk::navigator::MReadinessCommand {
public:
    explicit CForegroundReadiness(COstrelAPI& api) : api_(api) {}
    MOstrelSession* Send() override { return api_.BringNavigatorToForegroundAsync(1); }
    void Retrieve(MOstrelSession* session) override {
        COstrelAPI::TError scratch{};
        api_.BringNavigatorToForegroundAsyncRetrieve(session, &scratch);
    }

private:
    COstrelAPI& api_;
};

}  // namespace

// What the C++ runtime may throw inside these operations (memory exhausted in the platform) is
// reported as "the navigation application does not run" (-5), or for the stop as a reply that
// could not be had (-2); nothing is thrown to the caller.

int COstrelAPI::StartApplication(TError* error) {
    error->errorCode = 0;
    try {
        oxsdk::transport::ScopedCallBatch batch;  // the search and the handshake: one call
        CForegroundReadiness readiness(*this);
        error->errorCode = oxsdk::navigator::StartNavigator(readiness, layer);
    } catch (...) {
        error->errorCode = -5;
    }
    return 0;
}

int COstrelAPI::GetLastStartFailure(TStartFailure* failure) {
    oxsdk::navigator::NavigatorState& state = oxsdk::navigator::State();
    char16_t executable[oxsdk::platform::kMaxPath];
    {
        std::lock_guard<std::mutex> hold(state.lock);
        failure->cause = state.lastStartOutcome;
        std::copy(std::begin(state.lastStartExecutable), std::end(state.lastStartExecutable),
                  executable);
    }
    std::memcpy(failure->searchedFolder, "\\", 2);
    if (failure->cause == EStartSucceeded ||
        !oxsdk::platform::NarrowText(executable, failure->executable,
                                     static_cast<int>(sizeof failure->executable))) {
        failure->executable[0] = '\0';
    }
    return failure->cause;
}

int COstrelAPI::IsApplicationRunning(TError* error) {
    error->errorCode = 0;
    int result = -5;
    try {
        result = oxsdk::navigator::FindNavigatorWindow();
    } catch (...) {
    }
    error->errorCode = result;
    return result == 0 ? 1 : 0;
}

int COstrelAPI::OstrelApplicationToForeground() try {
    if (oxsdk::navigator::FindNavigatorWindow() != 0) return -5;
    oxsdk::platform::WindowHandle window = oxsdk::navigator::State().navigatorWindow;
    oxsdk::platform::Platform& device = oxsdk::platform::CurrentPlatform();
    // The lowest bit brings the window forward together with the windows it owns.
    device.SetForegroundWindow(window | 1u);
    device.ShowWindow(window, 1);
    return 0;
} catch (...) {
    return -5;
}

int COstrelAPI::GetGPSFeedFile() {
    return -1;
}

// Unlike every other blocking form this one does not start the navigator; once the navigator
// has accepted the stop it waits, under the busy cursor, for the window to go. errorCode then
// tells whether it went (-5) or was still there at the last test (0).
int COstrelAPI::StopApplication(TError* error) {
    error->errorCode = 0;
    if (IsApplicationRunning(error) == 0) return 0;

    MOstrelSession* session = StopApplicationAsync(1);
    if (session == nullptr) {
        error->errorCode = -1;
        return -1;
    }
    int result = StopApplicationAsyncRetrieve(session, error);
    if (error->errorCode != 0) return result;

    try {
        oxsdk::navigator::BeginBusyCursor();
        int pauses = 0;
        while (IsApplicationRunning(error) != 0) {
            oxsdk::transport::SleepMicroseconds(kStopWaitStepMicroseconds);
            if (++pauses > kStopWaitBound) break;
        }
    } catch (...) {
        // The stop was accepted; the wait for the window is cut short.
    }
    try {
        oxsdk::navigator::EndBusyCursor();
    } catch (...) {
    }
    return result;
}

MOstrelSession* COstrelAPI::StopApplicationAsync(int) {
    return oxsdk::api::SendCommand(layer, conversionBuffer, OXSDK5Link::commands::StopApplication,
                                   {});
}

int COstrelAPI::StopApplicationAsyncRetrieve(MOstrelSession* session, TError* error) {
    return oxsdk::api::RetrieveReply(layer, session, error, nullptr,
                                     OXSDK5Link::commands::StopApplication);
}
