// What a hostile command costs a navigator: one ProcessEvents pass over an emulated device whose
// exchange folder holds a 100 MB message made entirely of "|", followed by an ordinary command,
// against the same pass with the ordinary command alone. Each case runs in a child process of
// its own so that its peak resident size (getrusage ru_maxrss) is its own. Prints the pass
// time, the peak RSS, and how long after the start of the pass the ordinary command was
// answered. Usage: hostile_message_bench [megabytes, default 100]
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Answers every command with "0"; notes when the ordinary command ("EchoV01") was answered.
struct Handler : MCommandHandlerInterface {
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        ++commands;
        if (layer.NrReceiveFields() == 0) dropped = Clock::now();
        if (layer.NrReceiveFields() > 0 && std::string(layer.ReceiveField(0)) == "EchoV01") {
            answered = Clock::now();
            echoAnswered = true;
        }
        if (session != nullptr) {
            layer.StartReturnResult(session);
            layer.AppendArgument("0");
            layer.SendCommand();
        }
        return 0;
    }
    int commands = 0;
    bool echoAnswered = false;
    Clock::time_point answered;
    Clock::time_point dropped;  // when the hostile command reached the handler without fields
};

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Runs one case in this (child) process and prints its figures.
int RunCase(const char* label, std::size_t hostileBytes) {
    char pattern[] = "/tmp/oxsdk-hostile-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path root = pattern;
    const fs::path exchange = root / "Ostrel" / "SdkFileCalls";
    fs::create_directories(exchange);
    fs::permissions(root, fs::perms::owner_all);
    fs::permissions(root / "Ostrel", fs::perms::owner_all);
    fs::permissions(exchange, fs::perms::owner_all);
    const std::string marker("finish\n\0", 8);
    if (hostileBytes > 0) {
        // Written in pieces, so that the bench itself does not raise the peak.
        std::ofstream out(exchange / "evil.nav.1.1.message", std::ios::binary);
        const std::string piece(1 << 20, '|');
        for (std::size_t left = hostileBytes; left > 0;) {
            const std::size_t n = left < piece.size() ? left : piece.size();
            out.write(piece.data(), static_cast<std::streamsize>(n));
            left -= n;
        }
        out.put('\0');
        out.close();
        WriteFile(exchange / "evil.nav.1.1.finished", marker);
    }
    WriteFile(exchange / "app.nav.1.2.message", std::string("EchoV01|x|\0", 11));
    WriteFile(exchange / "app.nav.1.2.finished", marker);

    std::unique_ptr<oxsdk::platform::Platform> device = oxsdk::platform::NewPosixPlatform(root);
    oxsdk::platform::ScopedPlatform use(*device);
    Handler handler;
    struct rusage before {};
    getrusage(RUSAGE_SELF, &before);
    const Clock::time_point start = Clock::now();
    COstrelFileLayer::ProcessEvents("nav", handler);
    const Clock::time_point end = Clock::now();
    struct rusage after {};
    getrusage(RUSAGE_SELF, &after);

    const double passMs = std::chrono::duration<double, std::milli>(end - start).count();
    const double answeredMs =
        handler.echoAnswered
            ? std::chrono::duration<double, std::milli>(handler.answered - start).count()
            : -1.0;
    std::printf(
        "%-28s pass %8.2f ms  peak RSS %7ld KiB (before the pass %7ld KiB)  "
        "commands %d  ordinary command answered at %.2f ms\n",
        label, passMs, after.ru_maxrss, before.ru_maxrss, handler.commands, answeredMs);
    if (hostileBytes > 0) {
        std::printf(
            "%-28s hostile command dropped at %.2f ms (listing order decides which "
            "comes first)\n",
            "", std::chrono::duration<double, std::milli>(handler.dropped - start).count());
    }
    std::fflush(stdout);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return handler.echoAnswered ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    std::printf("hostile message: %zu MB of \"|\"\n", megabytes);
    struct {
        const char* label;
        std::size_t bytes;
    } cases[] = {{"ordinary command alone", 0},
                 {"hostile message + ordinary", megabytes * 1000 * 1000}};
    for (const auto& c : cases) {
        std::fflush(stdout);
        pid_t child = fork();
        if (child == 0) _exit(RunCase(c.label, c.bytes));
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::printf("%-28s failed (status %d)\n", c.label, status);
    }
    return 0;
}
