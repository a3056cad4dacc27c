// A small navigation application for end-to-end tests: it shows the navigator's window on the
// emulated device and answers every command addressed to its exchange name with "0" followed
// by the command's arguments, so that a test can match each reply to its command.
// "StopApplicationV01" is answered and then ends the program (and its window). Its window takes
// the foreground when it appears.
//
// It takes no arguments, so that it can also be installed and started as the navigator:
//   OXSDK_DEVICE_ROOT           the emulated device (see the emulated-device contract)
//   OXSDK_TEST_NAVIGATOR_NAME   its exchange name (default "testnav")
//   OXSDK_TEST_NAVIGATOR_MODE   "silent": answers nothing; "nowindow": shows no window
// SIGTERM and SIGINT end it as well.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "OXSDK5Link/FileLayer.h"
#include "platform/device_text.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"
#include "transport/exchange_folder.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int) {
    stopSignal = 1;
}

class EchoHandler : public MCommandHandlerInterface {
public:
    explicit EchoHandler(bool silent) : silent_(silent) {}

    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        int fields = layer.NrReceiveFields();
        bool stop = fields > 0 && std::strcmp(layer.ReceiveField(0), "StopApplicationV01") == 0;
        if (!silent_ && session != nullptr) {
            // Keep the arguments before the list is reset for the reply.
            std::string arguments[32];
            int kept = 0;
            for (int i = 1; i < fields && kept < 32; ++i) arguments[kept++] = layer.ReceiveField(i);
            layer.StartReturnResult(session);
            layer.AppendArgument("0");
            for (int i = 0; i < kept; ++i) layer.AppendArgument(arguments[i].c_str());
            layer.SendCommand();
        }
        if (stop) stopRequested = true;
        return 0;
    }

    bool stopRequested = false;

private:
    bool silent_;
};

const char* EnvironmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : fallback;
}

}  // namespace

int main() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    const std::string name = EnvironmentOr("OXSDK_TEST_NAVIGATOR_NAME", "testnav");
    const std::string mode = EnvironmentOr("OXSDK_TEST_NAVIGATOR_MODE", "");

    std::unique_ptr<oxsdk::platform::EmulatedWindow> window;
    if (mode != "nowindow") {
        window = oxsdk::platform::EmulatedWindow::Create("AldernWinClass");
        if (window == nullptr) {
            std::fprintf(stderr, "oxsdk_test_navigator: cannot show the navigator window\n");
            return 1;
        }
        // A program that starts comes to the foreground, as on the device.
        oxsdk::platform::CurrentPlatform().SetForegroundWindow(window->handle());
    }

    EchoHandler handler(mode == "silent");
    oxsdk::platform::Platform& system = oxsdk::platform::CurrentPlatform();
    while (stopSignal == 0 && !handler.stopRequested) {
        COstrelFileLayer::ProcessEvents(name.c_str(), handler);
        if (handler.stopRequested) break;
        char16_t folder[oxsdk::platform::kMaxPath];
        if (oxsdk::transport::GetExchangeFolder(folder, true)) {
            folder[oxsdk::platform::WideLength(folder) - 1] =
                u'\0';  // the folder, not its contents
            system.WaitForFolderChange(folder, 100);
        } else {
            system.Sleep(100);
        }
    }
    window.reset();
    return 0;
}
