// A small navigation application for end-to-end tests: it shows the navigator's window on the
// emulated device (taking the foreground) and answers every command addressed to its exchange
// name with "0" followed by the command's arguments, so that a test can match each reply to its
// command. "StopApplicationV01" is answered and then ends the program, as SIGTERM and SIGINT do.
// It takes no arguments, so that it can also be installed and started as the navigator:
//   OXSDK_DEVICE_ROOT              the emulated device
//   OXSDK_TEST_NAVIGATOR_NAME      its exchange name (default "testnav")
//   OXSDK_TEST_NAVIGATOR_MODE      "silent": answers nothing
//   OXSDK_TEST_NAVIGATOR_DELAY_MS  milliseconds it takes over each command before answering
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int) {
    stopSignal = 1;
}

struct EchoHandler : MCommandHandlerInterface {
    EchoHandler(bool quiet, int delay) : silent(quiet), delayMilliseconds(delay) {}

    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        // Keep the fields before the list is reset for the reply.
        std::vector<std::string> fields;
        for (int i = 0; i < layer.NrReceiveFields(); ++i)
            fields.emplace_back(layer.ReceiveField(i));
        if (delayMilliseconds > 0) usleep(static_cast<useconds_t>(delayMilliseconds) * 1000u);
        if (!silent && session != nullptr) {
            layer.StartReturnResult(session);
            layer.AppendArgument("0");
            for (std::size_t i = 1; i < fields.size(); ++i) layer.AppendArgument(fields[i].c_str());
            layer.SendCommand();
        }
        if (!fields.empty() && fields[0] == "StopApplicationV01") stopRequested = true;
        return 0;
    }

    const bool silent;
    const int delayMilliseconds;
    bool stopRequested = false;
};

const char* EnvironmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : fallback;
}

}  // namespace

int main() {
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);

    const std::string name = EnvironmentOr("OXSDK_TEST_NAVIGATOR_NAME", "testnav");
    const std::string mode = EnvironmentOr("OXSDK_TEST_NAVIGATOR_MODE", "");

    auto window = oxsdk::platform::EmulatedWindow::Create("AldernWinClass");
    if (window == nullptr) {
        std::fprintf(stderr, "oxsdk_test_navigator: cannot show the navigator window\n");
        return 1;
    }
    // A program that starts comes to the foreground, as on the device.
    oxsdk::platform::CurrentPlatform().SetForegroundWindow(window->handle());

    EchoHandler handler(mode == "silent",
                        std::atoi(EnvironmentOr("OXSDK_TEST_NAVIGATOR_DELAY_MS", "0")));
    while (stopSignal == 0 && !handler.stopRequested) {
        COstrelFileLayer::ProcessEvents(name.c_str(), handler);
        if (handler.stopRequested) break;
        COstrelFileLayer::WaitForCommand(name.c_str(), 100);
    }
    return 0;
}
