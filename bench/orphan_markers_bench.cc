// The idle cost of junk in the exchange folder: ProcessEvents passes over an emulated device
// holding 5,000 markers without their messages, addressed to the navigator and older than the
// grace period (the first pass removes them), and 5,000 such markers addressed to others (never
// touched), against a pass over an empty folder. Prints the time of each pass.
#include <stdlib.h>
#include <utime.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "OXSDK5Link/FileLayer.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Counting : MCommandHandlerInterface {
    int HandleCommand(MOstrelCommunicationLayerInterface&, MOstrelSession*) override {
        ++calls;
        return 0;
    }
    int calls = 0;
};

// Writes `count` markers "sender.<receiver>.1.<i>.finished", dated an hour ago.
void AddMarkers(const fs::path& exchange, const char* receiver, int count) {
    const std::string marker("finish\n\0", 8);
    struct utimbuf old {};
    old.actime = old.modtime = time(nullptr) - 3600;
    for (int i = 1; i <= count; ++i) {
        const fs::path path =
            exchange / ("junk." + std::string(receiver) + ".1." + std::to_string(i) + ".finished");
        std::ofstream(path, std::ios::binary) << marker;
        utime(path.c_str(), &old);
    }
}

double Pass(Counting& handler) {
    const Clock::time_point start = Clock::now();
    COstrelFileLayer::ProcessEvents("nav", handler);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main() {
    char pattern[] = "/tmp/oxsdk-orphan-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path root = pattern;
    const fs::path exchange = root / "Ostrel" / "SdkFileCalls";
    fs::create_directories(exchange);
    for (const fs::path& folder : {root, root / "Ostrel", exchange})
        fs::permissions(folder, fs::perms::owner_all);
    std::unique_ptr<oxsdk::platform::Platform> device = oxsdk::platform::NewPosixPlatform(root);
    oxsdk::platform::ScopedPlatform use(*device);
    Counting handler;

    std::printf("empty folder:                    pass %8.2f ms\n", Pass(handler));
    AddMarkers(exchange, "other", 5000);
    std::printf("5000 foreign markers:            pass %8.2f ms  (handler calls %d)\n",
                Pass(handler), handler.calls);
    AddMarkers(exchange, "nav", 5000);
    std::printf("+ 5000 stale markers to nav:     pass %8.2f ms  (handler calls %d)\n",
                Pass(handler), handler.calls);
    std::printf("next pass (stale ones removed):  pass %8.2f ms  (handler calls %d)\n",
                Pass(handler), handler.calls);
    std::size_t left = 0;
    for (const auto& entry : fs::directory_iterator(exchange)) {
        (void)entry;
        ++left;
    }
    std::printf("entries left: %zu (the foreign markers)\n", left);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
