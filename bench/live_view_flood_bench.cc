// What hostile requests to the emulator's live view cost it: one request whose Range header
// asks for the page 2,700 times over, and one whose header lines never end (8 KB each, up to
// 256 MiB). Each runs against a fresh emulator (the one beside this program in the build tree,
// or $OXSDK_NAVIGATOR_PROGRAM) and reports the bytes of the answer, the bytes the emulator
// took before it stopped reading, and its peak resident memory. Figures only.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

enum ERequest { kRanges = 0, kHeaderFlood = 1 };
constexpr std::size_t kFloodBytes = 256u << 20;

std::string EmulatorProgram() {
    if (const char* program = getenv("OXSDK_NAVIGATOR_PROGRAM")) return program;
    return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools" /
            "oxsdk-navigator" / "oxsdk-navigator")
        .string();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Peak resident memory of process `pid` in MiB (VmHWM).
double PeakMiB(pid_t pid) {
    const std::string status = ReadAll("/proc/" + std::to_string(pid) + "/status");
    const std::size_t at = status.find("VmHWM:");
    return at == std::string::npos ? 0.0 : std::atof(status.c_str() + at + 6) / 1024.0;
}

int Connect(int port) {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return socket;
}

bool Readable(int socket, int milliseconds) {
    pollfd polled{socket, POLLIN, 0};
    return ::poll(&polled, 1, milliseconds) > 0;
}

void BM_LiveViewHostileRequest(benchmark::State& state) {
    const auto request = static_cast<ERequest>(state.range(0));
    char pattern[] = "/tmp/oxsdk-live-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        state.SkipWithError("cannot create a device root");
        return;
    }
    const std::string root = pattern;
    const std::string program = EmulatorProgram();
    std::vector<std::string> arguments = {
        program, "--device-root", root, "--log", root + "/navigator.log", "--http", "127.0.0.1:0"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (root + "/out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t emulator = -1;
    const bool started =
        posix_spawn(&emulator, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    // "live view: http://127.0.0.1:PORT/[?token=...]"
    std::string line;
    for (int i = 0; started && i < 1000 && line.empty(); ++i) {
        const std::string out = ReadAll(root + "/out");
        const std::size_t end = out.find('\n');
        if (end != std::string::npos) line = out.substr(0, end);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::size_t colon = line.rfind(':');
    if (line.empty() || colon == std::string::npos) {
        state.SkipWithError(("cannot start " + program).c_str());
        return;
    }
    const int port = std::atoi(line.c_str() + colon + 1);
    const std::string path = line.substr(line.find('/', colon));

    double answered = 0, taken = 0;
    for (auto _ : state) {
        const int socket = Connect(port);
        std::string head = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        if (request == kRanges) {
            head += "Range: bytes=0-";
            for (int i = 1; i < 2700; ++i) head += ",0-";
            head += "\r\n\r\n";
            ::send(socket, head.data(), head.size(), MSG_NOSIGNAL);
            taken = static_cast<double>(head.size());
        } else {
            ::send(socket, head.data(), head.size(), MSG_NOSIGNAL);
            const std::string flood = "X-Flood: " + std::string(8000, 'x') + "\r\n";
            std::size_t sent = 0;
            while (sent < kFloodBytes && !Readable(socket, 0) &&
                   ::send(socket, flood.data(), flood.size(), MSG_NOSIGNAL) > 0) {
                sent += flood.size();
            }
            taken = static_cast<double>(sent);
        }
        char buffer[1 << 16];
        while (Readable(socket, 30000)) {
            const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            answered += static_cast<double>(got);
        }
        ::close(socket);
    }
    state.counters["answer_MiB"] = answered / (1 << 20);
    state.counters["request_MiB_sent"] = taken / (1 << 20);
    state.counters["emulator_peak_rss_MiB"] = PeakMiB(emulator);

    kill(emulator, SIGTERM);
    waitpid(emulator, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(root, ignored);
}
BENCHMARK(BM_LiveViewHostileRequest)
    ->ArgName("request")  // 0 Range of 2,700 parts, 1 header lines without end
    ->Arg(kRanges)
    ->Arg(kHeaderFlood)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
