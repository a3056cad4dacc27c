// The navigator emulator's command handler: COstrelFileLayer::ProcessEvents hands it every
// command addressed to the emulator. It finds the command by its wire name, checks the number
// of arguments against the command catalogue, runs the command on the emulated navigator and
// answers with exactly the reply shape the command's client accepts. Every command that
// reaches it with a session gets a reply.
#pragma once

#include <string>
#include <vector>

#include "OXSDK5Link/CommunicationLayer.h"
#include "emulated_navigator.h"

namespace oxsdk::emulator {

/// A received command: its wire name and its arguments, as texts.
struct TCommand {
    std::string wireName;
    std::vector<std::string> arguments;
};

class CNavigatorCommandHandler : public MCommandHandlerInterface {
public:
    explicit CNavigatorCommandHandler(CEmulatedNavigator& navigator) : navigator_(navigator) {}

    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override;

    /// Runs `command` and returns the reply fields as they are sent (field 0 the result code).
    std::vector<std::string> Execute(const TCommand& command);

    unsigned long commandsHandled() const { return commandsHandled_; }

private:
    CEmulatedNavigator& navigator_;
    unsigned long commandsHandled_ = 0;
};

}  // namespace oxsdk::emulator
