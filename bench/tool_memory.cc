// Peak memory and time of the oxsdk program on big replies and floods, each run on a temporary
// emulated device with this program as the navigator (it writes the reply files itself):
//   tool_memory route [PAIRS]          get-route-coordinates (text, --json, --gpx and --geojson)
//                                      on a reply of PAIRS pairs (10,000,000: about 230 MiB)
//   tool_memory monitor [BYTES]        monitor --json on one reply of BYTES "|" (16 MiB)
//   tool_memory unread [MESSAGES]      monitor whose output is never read, after MESSAGES
//                                      messages of 16 KiB (20,000), and how long SIGTERM takes
//   tool_memory names [NAMES]          monitor on NAMES commands to distinct readers (64,000)
// --client PATH runs another oxsdk program (an older build, for a figure before a change).
// Prints the figures; it is no test and never fails a build.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/emulated_device.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string gClient = OXSDK_CLIENT_PATH;
std::string gRoot;

struct TRun {
    pid_t pid = -1;
    int output = -1;  // read end of its standard output, or -1 for /dev/null
};

// Starts oxsdk with `arguments` on the device; its standard output goes to a pipe when
// `piped`, else to /dev/null.
TRun Start(const std::vector<std::string>& arguments, bool piped) {
    int pipeFds[2] = {-1, -1};
    if (piped && ::pipe(pipeFds) != 0) std::perror("pipe");
    TRun run;
    run.pid = ::fork();
    if (run.pid == 0) {
        ::setenv("OXSDK_DEVICE_ROOT", gRoot.c_str(), 1);
        const int out = piped ? pipeFds[1] : ::open("/dev/null", O_WRONLY);
        ::dup2(out, STDOUT_FILENO);
        std::vector<char*> argv{const_cast<char*>(gClient.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (piped) {
        ::close(pipeFds[1]);
        run.output = pipeFds[0];
    }
    return run;
}

struct TEnd {
    int status = 0;
    long peakKiB = 0;
    double userSeconds = 0;
};

TEnd Wait(const TRun& run) {
    TEnd end;
    rusage usage{};
    ::wait4(run.pid, &end.status, 0, &usage);
    end.peakKiB = usage.ru_maxrss;
    end.userSeconds = static_cast<double>(usage.ru_utime.tv_sec) +
                      static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
    return end;
}

// Reads the first line of `fd` (the monitor's "watching").
void ReadFirstLine(int fd) {
    for (char c = 0; c != '\n' && ::read(fd, &c, 1) == 1;) {
    }
}

// Reads and drops everything on `fd` until its end, on a thread of its own.
std::thread Drain(int fd) {
    return std::thread([fd] {
        char buffer[1 << 16];
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        ::close(fd);
    });
}

std::string Folder() {
    return gRoot + "/Ostrel/SdkFileCalls/";
}

void WriteMessage(const std::string& base, const std::string& text) {
    {
        std::ofstream message(Folder() + base + ".message", std::ios::binary);
        message << text << '\0';
    }
    std::ofstream(Folder() + base + ".finished", std::ios::binary) << std::string("finish\n\0", 8);
}

double MiB(long kib) {
    return static_cast<double>(kib) / 1024.0;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// The navigator: waits for the command marker of `client` to "benchnav" and answers it with
// `reply`, as the layer would (message, then marker).
void AnswerOnce(const std::string& client, const std::string& reply) {
    const std::string prefix = client + ".benchnav.";
    for (;;) {
        for (const auto& entry : fs::directory_iterator(Folder())) {
            const std::string name = entry.path().filename().string();
            const std::string suffix = ".finished";
            if (name.compare(0, prefix.size(), prefix) != 0 || name.size() < suffix.size() ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
                continue;
            }
            const std::string base = name.substr(0, name.size() - suffix.size());
            fs::remove(Folder() + name);
            fs::remove(Folder() + base + ".message");
            WriteMessage("benchnav." + client + base.substr(prefix.size() - 1), reply);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void Route(long pairs) {
    std::string reply = "0|" + std::to_string(pairs) + "|";
    reply.reserve(reply.size() + static_cast<std::size_t>(pairs) * 24);
    for (long i = 0; i < pairs; ++i) {
        reply += std::to_string(-2147483647L + i % 1000000) + "|" +
                 std::to_string(-2147000000L - i % 1000000) + "|";
    }
    std::printf("route reply: %ld pairs, %.1f MiB\n", pairs,
                static_cast<double>(reply.size()) / 1048576.0);
    auto window = oxsdk::platform::EmulatedWindow::Create("AldernWinClass", gRoot);
    const char* const kinds[] = {"", " --json", " --gpx --geojson"};
    for (const char* kind : kinds) {
        std::vector<std::string> arguments = {"--client-name", "benchapp",  "--navigator-name",
                                              "benchnav",      "--timeout", "900"};
        if (kind == kinds[1]) arguments.push_back("--json");
        arguments.push_back("get-route-coordinates");
        if (kind == kinds[2]) {
            arguments.insert(arguments.end(), {"--gpx", gRoot + "/route.gpx", "--geojson",
                                               gRoot + "/route.geojson"});
        }
        const auto started = Clock::now();
        const TRun run = Start(arguments, false);
        AnswerOnce("benchapp", reply);
        const TEnd end = Wait(run);
        std::printf("get-route-coordinates%s: exit %d, peak RSS %.1f MiB, %.1f s\n", kind,
                    WEXITSTATUS(end.status), MiB(end.peakKiB), Seconds(started));
    }
}

void Monitor(long bytes) {
    for (const bool json : {false, true}) {
        std::vector<std::string> arguments;
        if (json) arguments.push_back("--json");
        arguments.insert(arguments.end(), {"monitor", "--count", "1"});
        const auto started = Clock::now();
        const TRun run = Start(arguments, true);
        ReadFirstLine(run.output);
        std::thread drain = Drain(run.output);
        WriteMessage("OstrelNavigator.benchapp.1." + std::to_string(json ? 2 : 1),
                     std::string(static_cast<std::size_t>(bytes), '|'));
        const TEnd end = Wait(run);
        drain.join();
        std::printf("monitor%s on a reply of %ld \"|\": exit %d%s, peak RSS %.1f MiB, %.1f s\n",
                    json ? " --json" : "", bytes, WEXITSTATUS(end.status),
                    WIFSIGNALED(end.status) ? " (killed by a signal)" : "", MiB(end.peakKiB),
                    Seconds(started));
    }
}

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

void Unread(long messages) {
    const TRun run = Start({"monitor"}, true);
    ReadFirstLine(run.output);
    const std::string text = "FlashMessageV01|" + std::string(16 * 1024, 'm') + "|";
    for (long i = 1; i <= messages; ++i) WriteMessage("app.nav.1." + std::to_string(i), text);
    std::this_thread::sleep_for(std::chrono::seconds(2));  // let it take what it can
    std::printf("monitor with unread output after %ld messages of 16 KiB: RSS %.1f MiB\n", messages,
                MiB(ResidentKiB(run.pid)));
    ::kill(run.pid, SIGTERM);
    const auto signalled = Clock::now();
    int status = 0;
    bool ended = false;
    while (!ended && Seconds(signalled) < 10) {
        ended = ::waitpid(run.pid, &status, WNOHANG) == run.pid;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ended) {
        std::printf("  ended %.2f s after SIGTERM, exit %d\n", Seconds(signalled),
                    WEXITSTATUS(status));
    } else {
        std::printf("  still running 10 s after SIGTERM: killed\n");
        ::kill(run.pid, SIGKILL);
        ::waitpid(run.pid, &status, 0);
    }
    ::close(run.output);
}

void Names(long names) {
    const TRun run = Start({"monitor", "--count", std::to_string(names)}, true);
    ReadFirstLine(run.output);
    std::thread drain = Drain(run.output);
    const auto started = Clock::now();
    for (long i = 1; i <= names; ++i) {
        WriteMessage("app.reader" + std::to_string(i) + ".1." + std::to_string(i), "GetX|");
    }
    const TEnd end = Wait(run);
    drain.join();
    std::printf(
        "monitor on %ld commands to distinct readers: exit %d, %.2f s CPU, %.1f s, "
        "peak RSS %.1f MiB\n",
        names, WEXITSTATUS(end.status), end.userSeconds, Seconds(started), MiB(end.peakKiB));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "--client") {
            gClient = arguments[i + 1];
            arguments.erase(arguments.begin() + static_cast<long>(i),
                            arguments.begin() + static_cast<long>(i) + 2);
            break;
        }
    }
    const std::string mode = arguments.empty() ? "" : arguments[0];
    const long count = arguments.size() > 1 ? std::atol(arguments[1].c_str()) : 0;
    char pattern[] = "/tmp/oxsdk-tool-memory-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    gRoot = pattern;
    fs::create_directories(Folder());
    fs::permissions(gRoot + "/Ostrel", fs::perms::owner_all);
    fs::permissions(Folder(), fs::perms::owner_all);
    if (mode == "route") {
        Route(count > 0 ? count : 10000000);
    } else if (mode == "monitor") {
        Monitor(count > 0 ? count : 16L * 1024 * 1024);
    } else if (mode == "unread") {
        Unread(count > 0 ? count : 20000);
    } else if (mode == "names") {
        Names(count > 0 ? count : 64000);
    } else {
        std::fprintf(stderr, "usage: tool_memory [--client PATH] route|monitor|unread|names [N]\n");
    }
    std::error_code ignored;
    fs::remove_all(gRoot, ignored);
    return 0;
}
