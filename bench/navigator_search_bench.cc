// The search for the navigator executable walks the whole device at every start of a navigator
// that is not running. Figures for a full walk (no navigator installed, the worst case) of an
// emulated device with a growing number of folders, 20 files each, two levels deep.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "navigator/navigator_launch.h"
#include "navigator/navigator_state.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"

namespace {

namespace fs = std::filesystem;

void BM_LocateNavigatorFullWalk(benchmark::State& state) {
    const int folders = static_cast<int>(state.range(0));
    char pattern[] = "/tmp/oxsdk-search-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        state.SkipWithError("cannot create a device root");
        return;
    }
    fs::path root = pattern;
    for (int i = 0; i < folders; ++i) {
        fs::path folder =
            root / ("Group " + std::to_string(i % 10)) / ("Folder " + std::to_string(i));
        fs::create_directories(folder);
        for (int f = 0; f < 20; ++f) {
            std::ofstream(folder / ("program " + std::to_string(f) + (f % 2 ? ".exe" : ".dat")));
        }
    }
    std::unique_ptr<oxsdk::platform::Platform> device =
        oxsdk::platform::NewPosixPlatform(root.string());
    oxsdk::platform::ScopedPlatform use(*device);

    for (auto _ : state) {
        oxsdk::navigator::ResetNavigatorState();
        benchmark::DoNotOptimize(oxsdk::navigator::LocateNavigator());
    }
    state.counters["folders"] = folders;
    state.counters["exe_files_visited"] = folders * 10;
    state.counters["folders_per_second"] = benchmark::Counter(
        static_cast<double>(folders), benchmark::Counter::kIsIterationInvariantRate);
    oxsdk::navigator::ResetNavigatorState();
    std::error_code ignored;
    fs::remove_all(root, ignored);
}
BENCHMARK(BM_LocateNavigatorFullWalk)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(5000)

    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
