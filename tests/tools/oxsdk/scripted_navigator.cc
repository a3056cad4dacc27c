// A navigator for the client's end-to-end tests that answers from a script, so that a test can
// choose any reply. It shows the navigator's window, serves the exchange name "scripted" and runs
// until it is killed. Its environment: OXSDK_DEVICE_ROOT; OXSDK_SCRIPTED_REPLIES, lines
// "WireName field0|field1|..." answering that wire name in turn, the last from then on (others
// get "0"); OXSDK_SCRIPTED_LOG, the file that receives each command as a "|"-joined line.
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "OXSDK5Link/FileLayer.h"
#include "platform/posix/emulated_device.h"

namespace {

class ScriptedHandler : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        std::string command;
        for (int i = 0; i < layer.NrReceiveFields(); ++i)
            command += (i > 0 ? "|" : "") + std::string(layer.ReceiveField(i));
        std::ofstream(log, std::ios::app | std::ios::binary) << command << '\n';
        if (session == nullptr) return 0;
        std::deque<std::string>& turns = replies[command.substr(0, command.find('|'))];
        std::istringstream fields(turns.empty() ? "0" : turns.front());
        if (turns.size() > 1) turns.pop_front();
        layer.StartReturnResult(session);
        for (std::string field; std::getline(fields, field, '|');)
            layer.AppendArgument(field.c_str());
        layer.SendCommand();
        return 0;
    }

    std::map<std::string, std::deque<std::string>> replies;
    std::string log;
};

}  // namespace

int main() {
    ScriptedHandler handler;
    const char* replies = std::getenv("OXSDK_SCRIPTED_REPLIES");
    std::istringstream script(replies != nullptr ? replies : "");
    for (std::string line; std::getline(script, line);) {
        const std::string::size_type space = line.find(' ');
        if (space != std::string::npos)
            handler.replies[line.substr(0, space)].push_back(line.substr(space + 1));
    }
    const char* log = std::getenv("OXSDK_SCRIPTED_LOG");
    handler.log = log != nullptr ? log : "/dev/null";
    auto window = oxsdk::platform::EmulatedWindow::Create("AldernWinClass");
    if (window == nullptr) return 1;  // the test sees no navigator start
    for (;;) {
        COstrelFileLayer::ProcessEvents("scripted", handler);
        usleep(10000);
    }
}
