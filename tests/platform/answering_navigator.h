// The two sides of the platform's cross-process tests: a navigator that answers every command
// with "0" and a flashed message with its number, and notes a stop (after answering it); and a
// client that flashes a message and stops the navigator.
#pragma once

#include <gtest/gtest.h>

#include <memory>
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

// Flashes message 77 to the navigator "nav", which answers `flashReply`, and stops it.
inline void ExpectFlashAndStop(int flashReply) {
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("app", "nav", -1));
    ASSERT_NE(layer, nullptr);
    COstrelAPI api(*layer);
    COstrelAPI::TError error{};
    EXPECT_EQ(api.FlashMessageAsyncRetrieve(api.FlashMessageAsync(0, "hello", 77), &error), 0);
    EXPECT_EQ(error.errorCode, flashReply);
    EXPECT_EQ(api.StopApplicationAsyncRetrieve(api.StopApplicationAsync(0), &error), 0);
    EXPECT_EQ(error.errorCode, 0);
}

}  // namespace oxsdk::platform
