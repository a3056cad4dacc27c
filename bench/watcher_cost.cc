// The cost of a COstrelWatcher: the navigator emulator on a temporary device drives a long
// route (Amsterdam to Paris, about 3,300 points, in real time), and a watcher linked like an
// application's (the shared library) watches it. Prints the first round (which reads the
// route's points), the mean of back-to-back rounds, and the processor time of a watcher that
// runs at a 1 s interval, as a share of one core.
//
//   watcher_cost [SECONDS]     (default 30: how long the 1 s watcher runs)
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "OXSDK5Link/OXSDK5Link.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class CCounter : public MWatchHandlerInterface {
public:
    void HandleWatchEvent(const COstrelWatcher::TEvent& event) override {
        ++events;
        points = event.hasRoute ? event.routePoints : points;
    }
    long events = 0;
    int points = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    char rootTemplate[] = "/tmp/oxsdk-watcher-cost-XXXXXX";
    if (mkdtemp(rootTemplate) == nullptr) return 1;
    const std::string root = rootTemplate;
    setenv("OXSDK_DEVICE_ROOT", root.c_str(), 1);
    std::ofstream(root + "/trip.json") << R"({"destination": {"place": "Paris"}})";
    const std::string log = root + "/navigator.log";
    const std::string scenario = root + "/trip.json";
    std::vector<const char*> args = {OXSDK_NAVIGATOR_PATH, "--gazetteer",    OXSDK_NAVIGATOR_DATA,
                                     "--scenario",         scenario.c_str(), "--log",
                                     log.c_str(),          nullptr};
    pid_t navigator = -1;
    if (posix_spawn(&navigator, args[0], nullptr, nullptr, const_cast<char**>(args.data()),
                    environ) != 0) {
        std::perror("oxsdk-navigator");
        return 1;
    }
    MOstrelCommunicationLayerInterface* layer =
        COstrelFileLayer::New("WatcherCost", "OstrelNavigator", -1);
    COstrelAPI api(*layer);
    COstrelAPI::TError error{};
    const Clock::time_point waitStart = Clock::now();
    while (api.IsApplicationRunning(&error) != 1 && Since(waitStart) < 30) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    CCounter counter;
    COstrelWatcher watcher(api, counter);
    Clock::time_point start = Clock::now();
    watcher.Poll();
    std::printf("first round (reads the route's %d points): %.2f ms\n", counter.points,
                Since(start) * 1e3);

    constexpr int kRounds = 200;
    double cpu = CpuSeconds();
    start = Clock::now();
    for (int i = 0; i < kRounds; ++i) watcher.Poll();
    std::printf("back-to-back rounds: %.3f ms each (wall), %.3f ms processor time each\n",
                Since(start) * 1e3 / kRounds, (CpuSeconds() - cpu) * 1e3 / kRounds);

    std::atomic<bool> stop{false};
    std::thread timer([&stop, seconds] {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        stop = true;
    });
    cpu = CpuSeconds();
    start = Clock::now();
    const std::int64_t rounds = watcher.Run(1000, stop);
    const double wall = Since(start);
    timer.join();
    std::printf(
        "1 s interval: %lld rounds in %.1f s, %.1f ms processor time, %.3f %% of a core; "
        "%ld events\n",
        static_cast<long long>(rounds), wall, (CpuSeconds() - cpu) * 1e3,
        (CpuSeconds() - cpu) / wall * 100.0, counter.events);

    kill(navigator, SIGTERM);
    waitpid(navigator, nullptr, 0);
    delete layer;
    std::filesystem::remove_all(root);
    return 0;
}
