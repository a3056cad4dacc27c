// Making sure the navigator runs before a command is sent to it: when its window is missing,
// search the device for its executable, start it, wait for its window and for its answer to
// one bring-to-foreground command, and hand the foreground back. Called by
// COstrelAPI::StartApplication, which every blocking command form calls first.
#pragma once

#include "OXSDK5Link/CommunicationLayer.h"

namespace oxsdk::navigator {

/// Pause between two tests of the window and between two polls of the readiness reply.
inline constexpr unsigned kStartWaitStepMilliseconds = 5;
/// The waits end once their counter of pauses exceeds this: at most 5001 pauses (about 25 s).
inline constexpr int kStartWaitBound = 5000;

/// Why a start left the navigator not running; the values of COstrelAPI::EStartFailure.
enum class EStartOutcome : int {
    Running = 0,       ///< it ran already, or it was started and answered
    NoExecutable = 1,  ///< the device search found no navigator executable
    LaunchFailed = 2,  ///< the executable found could not be started
    NoWindow = 3,      ///< it was started, but no window appeared within the wait
    NotReady = 4       ///< its window appeared, but the readiness command could not be sent
};

/// The readiness command, which the caller above (COstrelAPI) sends in its own form: the start
/// asks through this interface instead of calling up into the api.
class MReadinessCommand {
public:
    /// Sends the command; null when it could not be sent.
    virtual MOstrelSession* Send() = 0;
    /// Waits for its reply, discards it and destroys the session.
    virtual void Retrieve(MOstrelSession* session) = 0;

protected:
    ~MReadinessCommand() = default;
};

/// Returns 0 when the navigator runs (it did already, or it was started and has answered), -5
/// when it does not run (no executable recorded, start failed, or no window within the wait),
/// and -1 when its window appeared but the readiness command could not be sent. `layer` is the
/// one `readiness` is sent through. The cursor shown when the call began is shown again before
/// it returns. Records why in State().lastStartOutcome, with the executable found.
int StartNavigator(MReadinessCommand& readiness, MOstrelCommunicationLayerInterface& layer);

}  // namespace oxsdk::navigator
