// A communication layer for driving the navigator emulator's command handler in tests: it
// holds one decoded command in a real CCsvArguments and records the reply the handler sends.
#pragma once

#include <string>
#include <vector>

#include "OXSDK5Link/CommunicationLayer.h"

namespace oxsdk::emulator::testing {

class CFakeLayer : public MOstrelCommunicationLayerInterface {
public:
    CFakeLayer();

    /// Makes `fields` the received command (field 0 the wire name).
    void LoadCommand(const std::vector<std::string>& fields);

    /// Fields of the last reply sent.
    const std::vector<std::string>& reply() const { return reply_; }
    /// Number of replies sent, and the session the last one answered.
    int repliesSent() const { return repliesSent_; }
    MOstrelSession* replySession() const { return replySession_; }

    void StartSendCommand() override {}
    void StartReturnResult(MOstrelSession* session) override;
    void AppendArgument(const char* text) override;
    MOstrelSession* SendCommand() override;
    int ReturnAvailable(MOstrelSession*) override { return 0; }
    void StartReceiveCommand(MOstrelSession*) override {}

private:
    bool replying_ = false;
    std::vector<std::string> pending_;
    std::vector<std::string> reply_;
    int repliesSent_ = 0;
    MOstrelSession* replySession_ = nullptr;
};

}  // namespace oxsdk::emulator::testing
