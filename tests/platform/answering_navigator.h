// The navigator side of the platform's end-to-end and interop tests: answers every command
// with "0" and a flashed message with its number, and notes a stop (after answering it).
#pragma once

#include <string>

#include "OXSDK5Link/OXSDK5Link.h"

namespace oxsdk::platform {

class AnsweringNavigator : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        const std::string command = layer.NrReceiveFields() > 0 ? layer.ReceiveField(0) : "";
        const bool flash = command == "FlashMessageV01" && layer.NrReceiveFields() > 2;
        const std::string result = flash ? layer.ReceiveField(2) : "0";
        layer.StartReturnResult(session);
        layer.AppendArgument(result.c_str());
        layer.SendCommand();
        flashed = flashed || flash;
        stopped = stopped || command == "StopApplicationV01";
        return 0;
    }
    bool flashed = false;
    bool stopped = false;
};

}  // namespace oxsdk::platform
