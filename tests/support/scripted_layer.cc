#include "support/scripted_layer.h"

#include <cstring>

namespace oxsdk::testing {

class ScriptedLayer::Session : public MOstrelSession {
public:
    explicit Session(int* live) : live_(live) { ++*live_; }
    ~Session() override { --*live_; }

private:
    int* live_;
};

ScriptedLayer::ScriptedLayer() : MOstrelCommunicationLayerInterface(new CCsvArguments('|')) {}

void ScriptedLayer::StartSendCommand() {
    calls_.push_back("StartSendCommand");
    replyMode_ = false;
    arguments->Reset();
}

void ScriptedLayer::StartReturnResult(MOstrelSession*) {
    calls_.push_back("StartReturnResult");
    replyMode_ = true;
    arguments->Reset();
}

void ScriptedLayer::AppendArgument(const char* text) {
    calls_.push_back("AppendArgument");
    arguments->AppendArgument(text);
}

MOstrelSession* ScriptedLayer::SendCommand() {
    calls_.push_back("SendCommand");
    if (failSends_) return nullptr;
    sent_.emplace_back(arguments->CommandBuffer());
    if (replyMode_) return nullptr;
    return new Session(&liveSessions_);
}

int ScriptedLayer::ReturnAvailable(MOstrelSession*) {
    calls_.push_back("ReturnAvailable");
    return returnAvailable_;
}

void ScriptedLayer::StartReceiveCommand(MOstrelSession* session) {
    calls_.push_back("StartReceiveCommand");
    if (session == nullptr || replies_.empty()) {
        arguments->Reset();
    } else {
        LoadAndDecode(replies_.front());
        replies_.pop_front();
    }
    delete session;
}

void LoadAndDecode(MArguments& arguments, const std::string& text) {
    arguments.Reset();
    if (text.size() + 1 >= static_cast<std::size_t>(CCsvArguments::kInlineBufferSize)) {
        arguments.PrepareLargeBuffer(static_cast<int>(text.size() + 1));
    }
    std::memcpy(const_cast<char*>(arguments.CommandBuffer()), text.c_str(), text.size() + 1);
    arguments.DecodeCommand();
}

}  // namespace oxsdk::testing
