// A communication layer for command tests: it encodes commands with a real CCsvArguments,
// records every text sent, and answers each StartReceiveCommand with the next scripted reply.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "OXSDK5Link/Arguments.h"
#include "OXSDK5Link/CommunicationLayer.h"

namespace oxsdk::testing {

/// Places `text` into `arguments` and decodes it, as a transport does with a received file.
void LoadAndDecode(MArguments& arguments, const std::string& text);

class ScriptedLayer : public MOstrelCommunicationLayerInterface {
public:
    ScriptedLayer();

    /// Queues the reply text for the next StartReceiveCommand with a session, e.g. "0|5.2|7|".
    void QueueReply(const std::string& text) { replies_.push_back(text); }
    /// Makes SendCommand fail (return null) from now on.
    void FailSends(bool fail) { failSends_ = fail; }
    /// Value that ReturnAvailable answers.
    void SetReturnAvailable(int value) { returnAvailable_ = value; }

    /// Texts sent by SendCommand, in order (commands and replies).
    const std::vector<std::string>& sent() const { return sent_; }
    /// Calls made to the layer's slots, in order, e.g. "StartSendCommand", "SendCommand".
    const std::vector<std::string>& calls() const { return calls_; }
    /// Sessions handed out and not yet destroyed.
    int liveSessions() const { return liveSessions_; }

    void StartSendCommand() override;
    void StartReturnResult(MOstrelSession* session) override;
    void AppendArgument(const char* text) override;
    MOstrelSession* SendCommand() override;
    int ReturnAvailable(MOstrelSession* session) override;
    void StartReceiveCommand(MOstrelSession* session) override;

    /// Places `text` into the argument list and decodes it, as a transport does with a reply.
    void LoadAndDecode(const std::string& text) { testing::LoadAndDecode(*arguments, text); }

private:
    class Session;
    std::deque<std::string> replies_;
    std::vector<std::string> sent_;
    std::vector<std::string> calls_;
    bool failSends_ = false;
    bool replyMode_ = false;
    int returnAvailable_ = 1;
    int liveSessions_ = 0;
};

}  // namespace oxsdk::testing
