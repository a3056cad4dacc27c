// The navigator side of tests that run COstrelFileLayer::ProcessEvents: a command handler that
// records what it receives and answers "0", followed by the command's arguments when the
// command's name starts with "Echo", so that each reply can be matched to its command.
#pragma once

#include <string>
#include <vector>

#include "OXSDK5Link/CommunicationLayer.h"

namespace oxsdk::testing {

/// The fields a layer (or an argument list) has received or decoded last.
template <typename Source>
std::vector<std::string> ReceivedFields(const Source& source) {
    std::vector<std::string> fields;
    for (int i = 0; i < source.NrReceiveFields(); ++i) fields.emplace_back(source.ReceiveField(i));
    return fields;
}

class EchoNavigator : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        received.push_back(ReceivedFields(layer));
        if (!answer || session == nullptr) return 0;  // taken, never answered
        layer.StartReturnResult(session);
        Answer(layer, received.back());
        layer.SendCommand();
        return 0;
    }
    /// Appends the reply's fields; a test navigator with other replies overrides it.
    virtual void Answer(MOstrelCommunicationLayerInterface& layer,
                        const std::vector<std::string>& fields) {
        layer.AppendArgument("0");
        if (fields.empty() || fields[0].rfind("Echo", 0) != 0) return;
        for (std::size_t i = 1; i < fields.size(); ++i) layer.AppendArgument(fields[i].c_str());
    }

    std::vector<std::vector<std::string>> received;  ///< every command's fields, in order
    bool answer = true;
};

}  // namespace oxsdk::testing
