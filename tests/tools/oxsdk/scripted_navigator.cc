// A navigator for the tests of the oxsdk client that answers from a script, so that a test can
// choose any reply: full records, error codes, malformed field counts. It shows the navigator's
// window on the emulated device and logs every command it receives.
//
// No arguments; configured by its environment:
//   OXSDK_DEVICE_ROOT             the emulated device
//   OXSDK_SCRIPTED_NAVIGATOR_NAME its exchange name (default "scripted")
//   OXSDK_SCRIPTED_REPLIES        file of lines "WireName field0|field1|...": the reply to a
//                                 command with that wire name, one field per "|"-separated
//                                 part; commands without a line are answered "0"
//   OXSDK_SCRIPTED_LOG            file that receives every command: a line with the field
//                                 count, then one line "length:text" per field
// "StopApplicationV01" is answered and then ends the program. SIGTERM ends it as well.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "platform/posix/emulated_device.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int) {
    stopSignal = 1;
}

std::string EnvironmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : fallback;
}

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type bar = text.find('|', start);
        fields.push_back(text.substr(start, bar - start));
        if (bar == std::string::npos) return fields;
        start = bar + 1;
    }
}

class ScriptedHandler : public MCommandHandlerInterface {
public:
    ScriptedHandler(std::map<std::string, std::vector<std::string>> replies, std::string logPath)
        : replies_(std::move(replies)), logPath_(std::move(logPath)) {}

    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        std::vector<std::string> command;
        for (int i = 0; i < layer.NrReceiveFields(); ++i)
            command.emplace_back(layer.ReceiveField(i));
        Log(command);
        const std::string wireName = command.empty() ? std::string() : command[0];
        if (session != nullptr) {
            auto reply = replies_.find(wireName);
            layer.StartReturnResult(session);
            if (reply == replies_.end()) {
                layer.AppendArgument("0");
            } else {
                for (const std::string& field : reply->second) layer.AppendArgument(field.c_str());
            }
            layer.SendCommand();
        }
        if (wireName == "StopApplicationV01") stopRequested = true;
        return 0;
    }

    bool stopRequested = false;

private:
    void Log(const std::vector<std::string>& command) {
        if (logPath_.empty()) return;
        std::ofstream log(logPath_, std::ios::app | std::ios::binary);
        log << command.size() << '\n';
        for (const std::string& field : command) log << field.size() << ':' << field << '\n';
    }

    std::map<std::string, std::vector<std::string>> replies_;
    std::string logPath_;
};

}  // namespace

int main() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    std::map<std::string, std::vector<std::string>> replies;
    const std::string repliesPath = EnvironmentOr("OXSDK_SCRIPTED_REPLIES", "");
    if (!repliesPath.empty()) {
        std::ifstream script(repliesPath);
        std::string line;
        while (std::getline(script, line)) {
            const std::string::size_type space = line.find(' ');
            if (space == std::string::npos) continue;
            replies[line.substr(0, space)] = SplitFields(line.substr(space + 1));
        }
    }
    const std::string name = EnvironmentOr("OXSDK_SCRIPTED_NAVIGATOR_NAME", "scripted");
    auto window = oxsdk::platform::EmulatedWindow::Create("AldernWinClass");
    if (window == nullptr) {
        std::fprintf(stderr, "scripted navigator: cannot show the navigator window\n");
        return 1;
    }
    ScriptedHandler handler(std::move(replies), EnvironmentOr("OXSDK_SCRIPTED_LOG", ""));
    while (stopSignal == 0 && !handler.stopRequested) {
        COstrelFileLayer::ProcessEvents(name.c_str(), handler);
        if (!handler.stopRequested) usleep(10000);
    }
    window.reset();
    return 0;
}
