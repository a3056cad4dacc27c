// The exit statuses of the oxsdk client, one per kind of outcome, so that scripts can tell a
// refusal by the navigator from a broken exchange, a navigator that is not there, a timeout
// and a mistyped command line.
#pragma once

namespace oxsdk::cli {

enum class EExitStatus : int {
    Success = 0,           ///< the reply arrived and its error code is 0
    NavigatorError = 1,    ///< the navigator answered with a non-zero error code
    UsageError = 2,        ///< the command line was refused; nothing was sent
    TransportFailure = 3,  ///< nothing could be sent, or the reply was malformed (-1, -2)
    NotRunning = 4,        ///< the navigator does not run, or could not be started (-5)
    Timeout = 5            ///< no reply within --timeout (or the navigator did not close)
};

/// The exit status as the process returns it.
inline int ExitCode(EExitStatus status) {
    return static_cast<int>(status);
}

/// Short name of a status, as the JSON output gives it ("ok", "navigator-error", ...).
inline const char* StatusName(EExitStatus status) {
    switch (status) {
        case EExitStatus::Success:
            return "ok";
        case EExitStatus::NavigatorError:
            return "navigator-error";
        case EExitStatus::UsageError:
            return "usage-error";
        case EExitStatus::TransportFailure:
            return "transport-failure";
        case EExitStatus::NotRunning:
            return "not-running";
        case EExitStatus::Timeout:
            return "timeout";
    }
    return "unknown";
}

}  // namespace oxsdk::cli
