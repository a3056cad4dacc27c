// Scripted faults of the navigator emulator, so that an application's developer can see how the
// application copes with a navigator that answers late, refuses, never answers, answers
// garbage or goes away. A fault is written "WIRENAME:KIND[:once]" (WIRENAME "*" for every
// command), KIND one of
//   delay=MS     the command is carried out at once, its reply is held back MS milliseconds
//   code=N       the command is not carried out; it is answered with code N
//   never        the command is carried out and never answered
//   malformed    the command is carried out; its reply arrives without its last field
//   exit         the emulator exits at once (status kFaultExitStatus), the command unanswered
// and ":once" makes it apply to the first matching command only. The faults are tried in the
// order given; the first that is not used up applies.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "command_handler.h"
#include "log.h"

namespace oxsdk::emulator {

enum class EFaultKind { kDelay, kCode, kNever, kMalformed, kExit };

/// The exit status of the emulator when an exit fault ends it.
constexpr int kFaultExitStatus = 5;
/// The longest delay, milliseconds (an hour).
constexpr long kLongestFaultDelay = 3600000;

struct TFault {
    std::string wireName;  ///< a command's wire name, or "*"
    EFaultKind kind = EFaultKind::kDelay;
    long value = 0;  ///< milliseconds of a delay, or the code
    bool once = false;
    bool usedUp = false;
};

/// Parses "WIRENAME:KIND[:once]"; false with a message naming what is wrong.
bool ParseFault(const std::string& text, TFault* fault, std::string* error);

/// Wraps the emulator's command handler: a command that a fault matches is answered (or not)
/// as the fault says; every other command goes to the handler unchanged. Held replies are sent
/// by SendDueReplies, which the main loop calls after each pass: a delay holds back only its
/// own reply, never another command.
class CFaultyHandler : public MCommandHandlerInterface {
public:
    using TClock = std::chrono::steady_clock;

    /// `exitNow` ends the process (an exit fault); by default std::_Exit(kFaultExitStatus).
    CFaultyHandler(CNavigatorCommandHandler& handler, std::vector<TFault> faults, CLog& log,
                   std::function<void()> exitNow = {});

    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override;

    /// Sends every held reply whose time has come.
    void SendDueReplies();
    /// Milliseconds until the next held reply is due (0 when one is due), at most `longest`.
    std::uint32_t MillisecondsToNextReply(std::uint32_t longest) const;
    std::size_t heldReplies() const { return held_.size(); }

private:
    // A reply held back: its fields, on the layer that sends it to its command's sender.
    struct THeldReply {
        TClock::time_point due;
        std::string wireName;
        std::unique_ptr<MOstrelCommunicationLayerInterface> layer;
        std::vector<std::string> fields;
    };

    TFault* Match(const std::string& wireName);

    CNavigatorCommandHandler& handler_;
    std::vector<TFault> faults_;
    CLog& log_;
    std::function<void()> exitNow_;
    std::vector<THeldReply> held_;
};

}  // namespace oxsdk::emulator
