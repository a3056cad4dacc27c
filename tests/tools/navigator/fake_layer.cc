#include "fake_layer.h"

#include "OXSDK5Link/Arguments.h"

namespace oxsdk::emulator::testing {

CFakeLayer::CFakeLayer() : MOstrelCommunicationLayerInterface(new CCsvArguments('|')) {}

void CFakeLayer::LoadCommand(const std::vector<std::string>& fields) {
    arguments->Reset();
    for (const std::string& field : fields) arguments->AppendArgument(field.c_str());
    arguments->DecodeCommand();
}

void CFakeLayer::StartReturnResult(MOstrelSession* session) {
    // As the file layer does: the command's fields are gone once the reply is begun.
    arguments->Reset();
    replying_ = true;
    pending_.clear();
    replySession_ = session;
}

void CFakeLayer::AppendArgument(const char* text) {
    if (replying_) pending_.emplace_back(text);
}

MOstrelSession* CFakeLayer::SendCommand() {
    if (replying_) {
        reply_ = pending_;
        ++repliesSent_;
        replying_ = false;
    }
    return nullptr;
}

}  // namespace oxsdk::emulator::testing
