// Round trips through the exchange folder between a client and a navigator that may run on
// different operating systems over one device root (the root each side's OXSDK_DEVICE_ROOT
// names: a host folder here, its Windows name under wine).
//
//   round_trip navigator            answers commands until it is stopped (or ~10 min pass)
//   round_trip client [COUNT]       COUNT flashed messages, then stops the navigator; prints
//                                   the median and the 10th and 90th percentile in ms
//   round_trip probe                the time of one file lookup in the exchange folder
//
// Plain C++ over the library and the platform of this build, so that it builds for Windows.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "OXSDK5Link/OXSDK5Link.h"
#include "platform/platform.h"
#include "transport/exchange_folder.h"

namespace {

constexpr const char* kNavigatorName = "roundtripnav";

class Answerer : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        const std::string command = layer.NrReceiveFields() > 0 ? layer.ReceiveField(0) : "";
        const bool flash = command == "FlashMessageV01" && layer.NrReceiveFields() > 2;
        layer.StartReturnResult(session);
        layer.AppendArgument(flash ? layer.ReceiveField(2) : "0");
        layer.SendCommand();
        stopped = stopped || command == "StopApplicationV01";
        return 0;
    }
    bool stopped = false;
};

int RunNavigator() {
    Answerer answerer;
    oxsdk::platform::Platform& platform = oxsdk::platform::CurrentPlatform();
    char16_t folder[oxsdk::platform::kMaxPath];
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    std::printf("navigator ready\n");
    std::fflush(stdout);
    while (!answerer.stopped && std::chrono::steady_clock::now() < end) {
        COstrelFileLayer::ProcessEvents(kNavigatorName, answerer);
        if (!answerer.stopped && oxsdk::transport::GetExchangeFolder(folder, true)) {
            platform.WaitForFolderChange(folder, 100);
        }
    }
    return answerer.stopped ? 0 : 1;
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

int RunClient(int count) {
    MOstrelCommunicationLayerInterface* layer =
        COstrelFileLayer::New("roundtripapp", kNavigatorName, -1);
    if (layer == nullptr) return 2;
    std::vector<double> milliseconds;
    int failures = 0;
    {
        COstrelAPI api(*layer);
        COstrelAPI::TError error{};
        for (int i = 0; i < count; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const int result = api.FlashMessageAsyncRetrieve(
                api.FlashMessageAsync(0, "round trip", i + 1), &error);
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            if (result != 0 || error.errorCode != i + 1) {
                ++failures;
            } else {
                milliseconds.push_back(took.count());
            }
        }
        api.StopApplicationAsyncRetrieve(api.StopApplicationAsync(0), &error);
    }
    delete layer;
    if (milliseconds.empty()) {
        std::printf("no round trip succeeded (%d failed)\n", failures);
        return 1;
    }
    std::printf("%zu round trips: median %.2f ms, p10 %.2f ms, p90 %.2f ms, %d failed\n",
                milliseconds.size(), Percentile(milliseconds, 0.5),
                Percentile(milliseconds, 0.1), Percentile(milliseconds, 0.9), failures);
    return failures == 0 ? 0 : 1;
}

// The cost of one platform operation on the exchange folder (each resolves the device path).
int RunProbe(int count) {
    char16_t folder[oxsdk::platform::kMaxPath];
    if (!oxsdk::transport::GetExchangeFolder(folder, true)) return 2;
    std::u16string path = std::u16string(folder) + u"absent.file";
    oxsdk::platform::Platform& platform = oxsdk::platform::CurrentPlatform();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) platform.GetFileAttributes(path.c_str());
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    std::printf("%d lookups: %.1f us each\n", count, took.count() / count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "navigator") == 0) return RunNavigator();
    if (argc >= 2 && std::strcmp(argv[1], "client") == 0) {
        const int count = argc >= 3 ? std::atoi(argv[2]) : 200;
        return RunClient(count > 0 ? count : 200);
    }
    if (argc >= 2 && std::strcmp(argv[1], "probe") == 0) return RunProbe(1000);
    std::fprintf(stderr, "usage: round_trip navigator | round_trip client [COUNT] | round_trip probe\n");
    return 2;
}
