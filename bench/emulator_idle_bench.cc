// What junk in the exchange folder costs the navigator emulator: its processor time while idle
// for 10 s, and the latency of a client's call, with the folder clean, with 5,000 markers
// addressed to it that have no message, and with 5,000 foreign markers (addressed to other
// names). The emulator is the one beside this program in the build tree (or
// $OXSDK_NAVIGATOR_PROGRAM). Figures only; nothing here fails a build.
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "OXSDK5Link/FileLayer.h"
#include "platform/platform.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

enum EJunk { kClean = 0, kOwnMarkers = 1, kForeignMarkers = 2 };
constexpr int kJunkFiles = 5000;
constexpr double kIdleSeconds = 10.0;

std::string EmulatorProgram() {
    if (const char* program = getenv("OXSDK_NAVIGATOR_PROGRAM")) return program;
    return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools" /
            "oxsdk-navigator" / "oxsdk-navigator")
        .string();
}

// User plus system processor seconds of process `pid`.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skipped;
    for (int i = 0; i < 11; ++i) fields >> skipped;  // state .. cmajflt
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool WaitForWindow() {
    for (int i = 0; i < 1000; ++i) {
        if (oxsdk::platform::CurrentPlatform().FindWindow(u"AldernWinClass") != 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void BM_EmulatorIdleAndCall(benchmark::State& state) {
    const auto junk = static_cast<EJunk>(state.range(0));
    char pattern[] = "/tmp/oxsdk-idle-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        state.SkipWithError("cannot create a device root");
        return;
    }
    const std::string root = pattern;
    setenv("OXSDK_DEVICE_ROOT", root.c_str(), 1);
    const fs::path folder = fs::path(root) / "Ostrel" / "SdkFileCalls";
    fs::create_directories(folder);
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::replace);
    // Markers of a live sender (this process), so that the start-up cleaning keeps them.
    const std::string pid = std::to_string(getpid());
    for (int i = 0; i < kJunkFiles && junk != kClean; ++i) {
        const std::string reader = junk == kOwnMarkers ? "OstrelNavigator" : "OtherNavigator";
        std::ofstream(folder /
                      ("junk." + reader + "." + pid + "." + std::to_string(i + 1) + ".finished"));
    }

    const std::string program = EmulatorProgram();
    std::vector<std::string> arguments = {program, "--device-root", root, "--log",
                                          root + "/navigator.log"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t emulator = -1;
    if (posix_spawn(&emulator, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0 ||
        !WaitForWindow()) {
        state.SkipWithError(("cannot start " + program).c_str());
        return;
    }

    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("IdleBench", "OstrelNavigator", -1));
    auto call = [&layer] {
        const auto start = std::chrono::steady_clock::now();
        layer->StartSendCommand();
        layer->AppendArgument("GetApplicationVersionV01");
        MOstrelSession* session = layer->SendCommand();
        while (session != nullptr && layer->ReturnAvailable(session) == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        layer->StartReceiveCommand(session);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    // The first answer comes during the start-up pass over the whole folder, which goes on
    // after it: idle begins a few seconds later.
    const double firstCall = call();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double cpuBefore = CpuSeconds(emulator);
    std::this_thread::sleep_for(std::chrono::duration<double>(kIdleSeconds));
    const double idleCpu = CpuSeconds(emulator) - cpuBefore;

    double slowest = 0;
    for (auto _ : state) {
        const double seconds = call();
        slowest = std::max(slowest, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["idle_cpu_percent"] = 100.0 * idleCpu / kIdleSeconds;
    state.counters["slowest_call_ms"] = 1000.0 * slowest;
    state.counters["first_call_ms"] = 1000.0 * firstCall;
    state.counters["junk_files"] = junk == kClean ? 0 : kJunkFiles;

    kill(emulator, SIGTERM);
    waitpid(emulator, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(root, ignored);
}
BENCHMARK(BM_EmulatorIdleAndCall)
    ->ArgName("junk")  // 0 none, 1 own markers without message, 2 foreign markers
    ->Arg(kClean)
    ->Arg(kOwnMarkers)
    ->Arg(kForeignMarkers)
    ->Iterations(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
