// The client's requests, each one path through the public COstrelAPI.
#include "command_runner.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "exchange_cleaner.h"
#include "meanings.h"

namespace oxsdk::cli {
namespace {

using Clock = std::chrono::steady_clock;
using OXSDK5Link::EFieldKind;
using OXSDK5Link::EReplyShape;
using OXSDK5Link::TReplyFieldDescription;

constexpr std::chrono::milliseconds kPollStep{10};

/// A layer and the API over it. Kept on the heap so that a call abandoned on timeout can keep
/// using them after the request has been reported.
struct TConnection {
    MOstrelCommunicationLayerInterface* layer = nullptr;
    std::unique_ptr<COstrelAPI> api;

    ~TConnection() { delete layer; }
};

/// The deadline of a request, counted from its start; none without --timeout.
class CDeadline {
public:
    explicit CDeadline(double seconds) {
        if (seconds > 0) {
            at_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(seconds));
        }
    }
    bool Bounded() const { return at_.has_value(); }
    bool Passed() const { return at_ && Clock::now() >= *at_; }
    Clock::time_point At() const { return *at_; }

private:
    std::optional<Clock::time_point> at_;
};

// "error code 3 (unknown place)".
std::string CodeInWords(std::int32_t code, const std::string& command) {
    const char* name = ErrorName(code, command);
    return "error code " + std::to_string(code) + (name != nullptr ? std::string(" (") + name + ")" : "");
}

TCallOutcome Failure(EExitStatus status, std::string message) {
    TCallOutcome outcome;
    outcome.status = status;
    outcome.message = std::move(message);
    return outcome;
}

/// Opens the client's side of the exchange. Null (and `failure` set) when the layer cannot be
/// created.
std::unique_ptr<TConnection> Connect(const TClientOptions& options, TCallOutcome* failure) {
    auto connection = std::make_unique<TConnection>();
    connection->layer =
        COstrelFileLayer::New(options.clientName.c_str(), options.navigatorName.c_str(), -1);
    if (connection->layer == nullptr) {
        *failure =
            Failure(EExitStatus::TransportFailure,
                    "the exchange layer could not be created for client \"" + options.clientName +
                        "\" and navigator \"" + options.navigatorName + "\"");
        return nullptr;
    }
    connection->api = std::make_unique<COstrelAPI>(*connection->layer);
    return connection;
}

/// Runs `work` on a helper thread and waits for it until `deadline`. False when the deadline
/// passed first; the thread then keeps running and the caller must end the process without
/// touching what `work` uses.
bool RunWithin(const CDeadline& deadline, std::function<void()> work) {
    if (!deadline.Bounded()) {
        work();
        return true;
    }
    struct TShared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    auto shared = std::make_shared<TShared>();
    std::thread worker([shared, work = std::move(work)] {
        work();
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->finished = true;
        shared->done.notify_all();
    });
    bool finished;
    {
        std::unique_lock<std::mutex> lock(shared->mutex);
        finished = shared->done.wait_until(lock, deadline.At(), [&] { return shared->finished; });
    }
    if (finished) {
        worker.join();
    } else {
        worker.detach();
    }
    return finished;
}

TCallOutcome AbandonedOnTimeout(std::unique_ptr<TConnection> connection, std::string message) {
    // The helper thread still uses the connection: it must outlive this report.
    connection.release();
    TCallOutcome outcome = Failure(EExitStatus::Timeout, std::move(message));
    outcome.mustExitAtOnce = true;
    return outcome;
}

/// Sessions given up on timeout. A sent command cannot be withdrawn; its session stays here,
/// reachable, until the process ends (the list itself is never destroyed).
std::vector<MOstrelSession*>& AbandonedSessions() {
    static auto* sessions = new std::vector<MOstrelSession*>();
    return *sessions;
}

std::string Seconds(double seconds) {
    std::ostringstream text;
    text << seconds << " s";
    return text.str();
}

/// Makes sure the navigator runs before a command is sent: IsApplicationRunning with
/// --no-start (and for the stop command), else StartApplication within the deadline.
std::optional<TCallOutcome> EnsureRunning(std::unique_ptr<TConnection>& connection,
                                          const TClientOptions& options, bool mayStart,
                                          const CDeadline& deadline) {
    COstrelAPI::TError error{0};
    if (!mayStart || options.noStart) {
        if (connection->api->IsApplicationRunning(&error) == 1) return std::nullopt;
        TCallOutcome outcome = Failure(EExitStatus::NotRunning,
                                       options.noStart ? "the navigator is not running (--no-start)"
                                                       : "the navigator is not running");
        outcome.errorCode = error.errorCode;
        outcome.state = "not running";
        return outcome;
    }
    COstrelAPI* api = connection->api.get();
    auto shared_error = std::make_shared<COstrelAPI::TError>(COstrelAPI::TError{0});
    if (!RunWithin(deadline, [api, shared_error] { api->StartApplication(shared_error.get()); })) {
        return AbandonedOnTimeout(std::move(connection),
                                  "timed out after " + Seconds(options.timeoutSeconds) +
                                      " while starting the navigator (its window appeared but "
                                      "no navigator answered to \"" +
                                      options.navigatorName + "\"); " + NoAnswerHint(options));
    }
    error = *shared_error;
    if (error.errorCode == 0) return std::nullopt;
    COstrelAPI::TStartFailure failure{};
    COstrelAPI::GetLastStartFailure(&failure);
    TCallOutcome outcome = Failure(
        error.errorCode == -5 ? EExitStatus::NotRunning : EExitStatus::TransportFailure,
        StartFailureMessage(failure.cause, failure.executable, tools::DeviceRootFromEnvironment()));
    outcome.cause = StartFailureName(failure.cause);
    outcome.errorCode = error.errorCode;
    return outcome;
}

void ClassifyFixedReply(const TCommandDescription& command, const TRecordCopy& copy,
                        TCallOutcome* outcome) {
    const int result = *outcome->result;
    if (result != 0) {
        outcome->status = EExitStatus::TransportFailure;
        outcome->message = result == -2 ? "the reply had a field count that " +
                                              std::string(command.wireName) + " does not accept"
                                        : "no reply could be collected";
        return;
    }
    if (command.recordName != nullptr && outcome->replyFieldCount == 1 + command.replyFieldCount) {
        outcome->recordFilled = true;
        outcome->record = DecodeRecord(command.replyFields, command.replyFieldCount, copy.bytes);
    }
    if (*outcome->errorCode != 0) {
        outcome->status = EExitStatus::NavigatorError;
        outcome->message = "the navigator answered " + std::string(command.wireName) + " with " +
                           CodeInWords(*outcome->errorCode, command.name);
    }
}

void ClassifyRouteReply(const TCommandDescription& command, const TRecordCopy& copy,
                        TCallOutcome* outcome) {
    const std::int32_t code = *outcome->errorCode;
    outcome->hasRoute = true;
    outcome->routeCount = copy.routeCount;
    outcome->routePairs = copy.routePairs;
    if (code == 0) {
        outcome->recordFilled = true;
        return;
    }
    const int fields = outcome->replyFieldCount.value_or(0);
    if (code == -2 && fields < 2) {
        outcome->status = EExitStatus::TransportFailure;
        outcome->message =
            "the reply to " + std::string(command.wireName) + " held fewer than 2 fields";
    } else if (code == -5 && *outcome->result == 0 && copy.routeCount > 0) {
        outcome->status = EExitStatus::TransportFailure;
        outcome->message = "the coordinate array could not be allocated";
    } else if (*outcome->result == -5) {
        outcome->recordFilled = true;  // count 0: a route without points
        outcome->status = EExitStatus::NavigatorError;
        outcome->message = "the navigator's reply held no coordinate pair";
    } else {
        outcome->status = EExitStatus::NavigatorError;
        outcome->message = "the navigator answered " + std::string(command.wireName) + " with " +
                           CodeInWords(code, command.name);
    }
}

}  // namespace

const char* StartFailureName(int cause) {
    switch (cause) {
        case COstrelAPI::EStartNoExecutable:
            return "no-executable";
        case COstrelAPI::EStartLaunchFailed:
            return "launch-failed";
        case COstrelAPI::EStartNoWindow:
            return "no-window";
        case COstrelAPI::EStartNotReady:
            return "not-ready";
        default:
            return "unknown";
    }
}

std::string StartFailureMessage(int cause, const std::string& executable,
                                const std::string& deviceRoot) {
    const std::string install =
        "install the navigator emulator as \"Ostrel Navigator.exe\" in a folder under the device "
        "root " +
        deviceRoot + " (scripts/demo.sh shows how), or run oxsdk-navigator yourself";
    const std::string found = "\"" + executable + "\" (under the device root " + deviceRoot + ")";
    switch (cause) {
        case COstrelAPI::EStartNoExecutable:
            return "the navigator could not be started: no navigator program was found on the "
                   "device (every folder under " +
                   deviceRoot +
                   " was searched for \"Ostrel "
                   "Navigator.exe\", \"Ostrel Mobile.exe\" and \"ZEV Izizararar.exe\"); " +
                   install;
        case COstrelAPI::EStartLaunchFailed:
            return "the navigator could not be started: the program " + found +
                   " was found but could not be run; make it executable, or " + install;
        case COstrelAPI::EStartNoWindow:
            return "the navigator program " + found +
                   " was started but did not open its window within about 25 s; run it by hand "
                   "to see why, or run oxsdk-navigator yourself";
        case COstrelAPI::EStartNotReady:
            return "the navigator's window appeared but the readiness command could not be sent "
                   "to it; check that the exchange folder under " +
                   deviceRoot + " can be written (oxsdk clean)";
        default:
            return "the navigator could not be started; " + install;
    }
}

std::string NoAnswerHint(const TClientOptions& options) {
    return "check the navigator name \"" + options.navigatorName +
           "\" (--navigator-name; the emulator answers to OstrelNavigator unless started with "
           "--name), that the navigator runs (oxsdk status) and that it uses the device root " +
           tools::DeviceRootFromEnvironment() +
           " (OXSDK_DEVICE_ROOT); --timeout 0 waits without a bound";
}

std::vector<TNamedValue> DecodeRecord(const TReplyFieldDescription* fields, int fieldCount,
                                      const std::vector<unsigned char>& bytes) {
    std::vector<TNamedValue> values;
    for (int i = 0; i < fieldCount; ++i) {
        const TReplyFieldDescription& field = fields[i];
        if (field.offset + field.capacity > bytes.size()) break;
        TNamedValue value;
        value.name = field.member;
        const unsigned char* at = bytes.data() + field.offset;
        if (field.kind == EFieldKind::Text) {
            value.isText = true;
            const void* end = std::memchr(at, '\0', field.capacity);
            const std::size_t length =
                end != nullptr
                    ? static_cast<std::size_t>(static_cast<const unsigned char*>(end) - at)
                    : field.capacity;
            value.text.assign(reinterpret_cast<const char*>(at), length);
        } else {
            std::int32_t number = 0;
            std::memcpy(&number, at, sizeof number);
            value.number = number;
        }
        values.push_back(std::move(value));
    }
    return values;
}

TCallOutcome RunCommand(const TCommandBinding& binding, const TArgumentValues& values,
                        const TClientOptions& options) {
    const CDeadline deadline(options.timeoutSeconds);
    const TCommandDescription& command = *binding.command;
    TCallOutcome outcome;
    std::unique_ptr<TConnection> connection = Connect(options, &outcome);
    if (connection == nullptr) return outcome;

    // Like the library's own blocking form, the stop command never starts the navigator.
    const bool mayStart = &command != &OXSDK5Link::commands::StopApplication;
    if (auto refused = EnsureRunning(connection, options, mayStart, deadline)) return *refused;

    MOstrelSession* session = binding.send(*connection->api, values);
    if (session == nullptr) {
        return Failure(EExitStatus::TransportFailure,
                       std::string(command.wireName) + " could not be sent");
    }
    while (connection->layer->ReturnAvailable(session) == 0) {
        if (deadline.Passed()) {
            AbandonedSessions().push_back(session);
            return Failure(EExitStatus::Timeout,
                           "no reply to " + std::string(command.wireName) + " from \"" +
                               options.navigatorName + "\" within " +
                               Seconds(options.timeoutSeconds) + "; " + NoAnswerHint(options));
        }
        std::this_thread::sleep_for(kPollStep);
    }
    COstrelAPI::TError error{0};
    TRecordCopy copy;
    outcome.result = binding.retrieve(*connection->api, session, &error, &copy);
    outcome.commandName = command.name;
    if (command.recordName != nullptr) outcome.recordName = command.recordName;
    outcome.errorCode = error.errorCode;
    outcome.replyFieldCount = connection->layer->NrReceiveFields();
    if (command.replyShape == OXSDK5Link::EReplyShape::RouteCoordinates) {
        ClassifyRouteReply(command, copy, &outcome);
    } else {
        ClassifyFixedReply(command, copy, &outcome);
    }
    return outcome;
}

TCallOutcome RunStart(const TClientOptions& options) {
    const CDeadline deadline(options.timeoutSeconds);
    TCallOutcome outcome;
    std::unique_ptr<TConnection> connection = Connect(options, &outcome);
    if (connection == nullptr) return outcome;
    TClientOptions mayStart = options;
    mayStart.noStart = false;
    if (auto failed = EnsureRunning(connection, mayStart, true, deadline)) return *failed;
    outcome.errorCode = 0;
    outcome.running = true;
    outcome.state = "running";
    return outcome;
}

TCallOutcome RunStop(const TClientOptions& options) {
    const CDeadline deadline(options.timeoutSeconds);
    TCallOutcome outcome;
    std::unique_ptr<TConnection> connection = Connect(options, &outcome);
    if (connection == nullptr) return outcome;
    if (auto refused = EnsureRunning(connection, options, false, deadline)) return *refused;

    COstrelAPI* api = connection->api.get();
    auto shared = std::make_shared<std::pair<int, COstrelAPI::TError>>(0, COstrelAPI::TError{0});
    if (!RunWithin(deadline,
                   [api, shared] { shared->first = api->StopApplication(&shared->second); })) {
        return AbandonedOnTimeout(std::move(connection),
                                  "timed out after " + Seconds(options.timeoutSeconds) +
                                      " while stopping the navigator; " + NoAnswerHint(options));
    }
    outcome.result = shared->first;
    outcome.errorCode = shared->second.errorCode;
    if (shared->first != 0) {
        outcome.status = EExitStatus::TransportFailure;
        outcome.message = shared->first == -2 ? "the reply to StopApplicationV01 was malformed"
                                              : "StopApplicationV01 could not be sent";
    } else if (shared->second.errorCode == -5) {
        outcome.running = false;  // accepted, and the window went
        outcome.state = "stopped";
    } else if (shared->second.errorCode == 0) {
        outcome.running = true;
        outcome.state = "still running";
        outcome.status = EExitStatus::Timeout;
        outcome.message = "the navigator accepted the stop but is still running";
    } else {
        outcome.status = EExitStatus::NavigatorError;
        outcome.message = "the navigator refused the stop with " +
                          CodeInWords(shared->second.errorCode, "StopApplication");
    }
    return outcome;
}

TCallOutcome RunStatus(const TClientOptions& options) {
    TCallOutcome outcome;
    std::unique_ptr<TConnection> connection = Connect(options, &outcome);
    if (connection == nullptr) return outcome;
    COstrelAPI::TError error{0};
    outcome.result = connection->api->IsApplicationRunning(&error);
    outcome.errorCode = error.errorCode;
    outcome.running = *outcome.result == 1;
    outcome.state = *outcome.running ? "running" : "not running";
    if (!*outcome.running) {
        outcome.status = EExitStatus::NotRunning;
        outcome.message = "no navigator window on the device " +
                          tools::DeviceRootFromEnvironment() +
                          "; `oxsdk start` starts the navigator installed there as \"Ostrel "
                          "Navigator.exe\" (or run oxsdk-navigator yourself)";
    }
    return outcome;
}

TCallOutcome RunForeground(const TClientOptions& options) {
    TCallOutcome outcome;
    std::unique_ptr<TConnection> connection = Connect(options, &outcome);
    if (connection == nullptr) return outcome;
    outcome.result = connection->api->OstrelApplicationToForeground();
    outcome.running = *outcome.result == 0;
    outcome.state = *outcome.running ? "running" : "not running";
    if (*outcome.result != 0) {
        outcome.status = EExitStatus::NotRunning;
        outcome.message = "the navigator is not running";
    }
    return outcome;
}

TCallOutcome RunSdkVersion(const TClientOptions& options) {
    TCallOutcome outcome;
    std::unique_ptr<TConnection> connection = Connect(options, &outcome);
    if (connection == nullptr) return outcome;
    COstrelAPI::TError error{0};
    COstrelAPI::TVersion version{};
    outcome.result = connection->api->GetSDKVersion(&error, &version);
    outcome.errorCode = error.errorCode;
    std::vector<unsigned char> bytes(sizeof version);
    std::memcpy(bytes.data(), &version, sizeof version);
    outcome.recordFilled = true;
    outcome.commandName = "GetSDKVersion";
    outcome.recordName = "TSdkVersion";  // the library's own version: its meanings
    outcome.record =
        DecodeRecord(OXSDK5Link::commands::kVersionFields,
                     OXSDK5Link::commands::GetApplicationVersion.replyFieldCount, bytes);
    return outcome;
}

}  // namespace oxsdk::cli
