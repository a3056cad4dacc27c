// Runs one request of the oxsdk client through the public COstrelAPI and sorts what happened
// into an outcome with an exit status: a remote command from the catalogue (started with
// StartApplication unless --no-start, sent with its Async form, polled with the layer's
// ReturnAvailable so that --timeout holds, collected with its AsyncRetrieve form), or one of
// the local operations start, stop, status, foreground and sdk-version. Called by main.cc.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "OXSDK5Link/CommandCatalogue.h"
#include "command_bindings.h"
#include "exit_status.h"

namespace oxsdk::cli {

/// The global options of the client.
struct TClientOptions {
    std::string clientName;
    std::string navigatorName;
    bool noStart = false;
    double timeoutSeconds = 0;  ///< 0: wait as long as the library does
};

/// Why a start failed and how to fix it, from COstrelAPI::GetLastStartFailure's cause and
/// executable and the host folder of the device root.
std::string StartFailureMessage(int cause, const std::string& executable,
                                const std::string& deviceRoot);
/// The cause's short name for JSON: "no-executable", "launch-failed", "no-window", "not-ready".
const char* StartFailureName(int cause);

/// What to check when the navigator does not answer: its name, whether it runs, the device.
std::string NoAnswerHint(const TClientOptions& options);

/// One record member as read back from the reply.
struct TNamedValue {
    std::string name;
    bool isText = false;
    std::int64_t number = 0;
    std::string text;
};

/// What one request came to.
struct TCallOutcome {
    EExitStatus status = EExitStatus::Success;
    std::string message;                    ///< what went wrong, empty on success
    std::optional<int> result;              ///< the int the member returned
    std::optional<std::int32_t> errorCode;  ///< TError::errorCode after the call
    std::optional<int> replyFieldCount;     ///< fields of the decoded reply
    bool recordFilled = false;              ///< a full reply filled the record
    std::vector<TNamedValue> record;        ///< the record's members, when filled
    bool hasRoute = false;                  ///< GetRouteCoordinates: count and pairs below
    std::int32_t routeCount = -1;
    std::vector<COstrelAPI::TRouteCoordinatePair> routePairs;
    std::string commandName;  ///< member name of the command answered, e.g. "GetRouteInfo"
    std::string recordName;   ///< type of `record`, e.g. "TRouteInfo"
    std::optional<bool> running;  ///< status: whether the navigator runs
    std::string state;            ///< the navigator's state in words: "running", "stopped", ...
    std::string cause;            ///< why a start failed (StartFailureName), else empty
    /// The library is still busy in another thread (a timed-out start or stop): the process
    /// must end right after reporting, without unwinding.
    bool mustExitAtOnce = false;
};

/// Sends the catalogue command of `binding` with `values` and collects its reply.
TCallOutcome RunCommand(const TCommandBinding& binding, const TArgumentValues& values,
                        const TClientOptions& options);

/// StartApplication, bounded by --timeout.
TCallOutcome RunStart(const TClientOptions& options);
/// The blocking StopApplication (stop command and wait for the window to go), bounded by
/// --timeout; refuses with NotRunning when the navigator does not run.
TCallOutcome RunStop(const TClientOptions& options);
/// IsApplicationRunning: Success when it runs, NotRunning when not.
TCallOutcome RunStatus(const TClientOptions& options);
/// OstrelApplicationToForeground: never starts the navigator.
TCallOutcome RunForeground(const TClientOptions& options);
/// GetSDKVersion: answered by the library itself.
TCallOutcome RunSdkVersion(const TClientOptions& options);

/// The members of a fixed-shape record, read from its bytes with the catalogue's layout.
std::vector<TNamedValue> DecodeRecord(const OXSDK5Link::TReplyFieldDescription* fields,
                                      int fieldCount, const std::vector<unsigned char>& bytes);

}  // namespace oxsdk::cli
