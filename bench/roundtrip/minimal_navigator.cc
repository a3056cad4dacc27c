// A minimal navigation application written against the library's public API only: it shows the
// navigator's window as the emulated-device contract describes (an exclusive lock on
// "<root>/.windows/AldernWinClass" holding its process id) and answers every command with
// COstrelFileLayer::ProcessEvents: GetApplicationVersion with the emulator's version, and
// GetRouteCoordinates with a route of the number of pairs given on its command line.
//
//   oxsdk-minimal-navigator [ROUTE_PAIRS]
//
// The device root is OXSDK_DEVICE_ROOT. SIGTERM and SIGINT end it.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "OXSDK5Link/FileLayer.h"

namespace {

constexpr char kNavigatorName[] = "OstrelNavigator";
constexpr int kWaitMilliseconds = 1000;

volatile sig_atomic_t stopSignal = 0;

void OnStopSignal(int) {
    stopSignal = 1;
}

// Latitude and longitude of pair `index`, in millionths of a degree.
std::pair<std::int32_t, std::int32_t> RoutePoint(int index) {
    return {52000000 + index * 7, 4000000 + index * 11};
}

class CAnswers : public MCommandHandlerInterface {
public:
    explicit CAnswers(int pairs) : routePairs(pairs) {}

    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        if (session == nullptr || layer.NrReceiveFields() < 1) return 0;
        const bool route = std::strcmp(layer.ReceiveField(0), "GetRouteCoordinatesV01") == 0;
        layer.StartReturnResult(session);
        layer.AppendArgument("0");
        if (route) {
            AppendNumber(layer, routePairs);
            for (int i = 0; i < routePairs; ++i) {
                const auto point = RoutePoint(i);
                AppendNumber(layer, point.first);
                AppendNumber(layer, point.second);
            }
        } else {
            layer.AppendArgument("5.2.0-emu");
            layer.AppendArgument("50200");
        }
        layer.SendCommand();
        return 0;
    }

private:
    static void AppendNumber(MOstrelCommunicationLayerInterface& layer, std::int32_t value) {
        char text[16];
        *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
        layer.AppendArgument(text);
    }

    const int routePairs;
};

// Holds the navigator's window while the program runs; false when another process has it.
bool ShowWindow() {
    const char* root = std::getenv("OXSDK_DEVICE_ROOT");
    if (root == nullptr) return false;
    const std::string folder = std::string(root) + "/.windows";
    mkdir(folder.c_str(), 0700);
    int fd = open((folder + "/AldernWinClass").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
    const std::string pid = std::to_string(getpid()) + "\n";
    return ftruncate(fd, 0) == 0 &&
           write(fd, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
    // The descriptor stays open: the lock goes with the process.
}

// Waits until a command addressed to `name` may have arrived, or a second has passed.
void WaitForCommand(const char* name) {
    COstrelFileLayer::WaitForCommand(name, kWaitMilliseconds);
}

}  // namespace

int main(int argc, char** argv) {
    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    if (!ShowWindow()) {
        std::fprintf(stderr, "oxsdk-minimal-navigator: cannot show the navigator window\n");
        return 3;
    }
    CAnswers answers(argc > 1 ? std::atoi(argv[1]) : 0);
    while (stopSignal == 0) {
        COstrelFileLayer::ProcessEvents(kNavigatorName, answers);
        WaitForCommand(kNavigatorName);
    }
    return 0;
}
