// Soak: many clients against one navigator emulator on a temporary emulated device. Each
// client has its own COstrelFileLayer (its own name) and COstrelAPI and sends GetLocationInfo
// for points no other command asks for, a few commands in flight at a time. Every reply is
// compared with the reply an in-process emulator gives for the same point, so a reply that
// belongs to another command is seen: "misrouted" when it is another client's, "duplicated"
// when it is one this client already had. A client that has not finished by the deadline
// counts its remaining commands as lost. Prints the counts, the files left in the exchange
// folder, and open descriptors and resident memory of the clients and the navigator before and
// after.
//
//   soak [--clients N] [--commands N] [--in-flight N] [--threads] [--deadline SECONDS]
//
// Clients run as processes by default; --threads runs them as threads of one process.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "OXSDK5Link/OXSDK5Link.h"
#include "command_handler.h"

namespace {

using namespace oxsdk::emulator;
using API = COstrelAPI;

constexpr char kNavigatorName[] = "OstrelNavigator";

struct TOptions {
    int clients = 8;
    int commands = 2500;
    int inFlight = 4;
    bool threads = false;
    int deadlineSeconds = 900;
};

/// What one client saw, written by a client process into a pipe as it is.
struct TClientResult {
    int answered = 0;    ///< replies equal to the expected one
    int failed = 0;      ///< sends that failed or retrieves with a result or code other than 0
    int misrouted = 0;   ///< replies that belong to another client's command
    int duplicated = 0;  ///< replies that belong to an earlier command of this client
    int wrong = 0;       ///< replies that belong to no command at all
    long fdsBefore = 0, fdsAfter = 0;
    long rssBeforeKb = 0, rssAfterKb = 0;
};

// The point of command `index` of client `client`: about 22 m and 16 m apart in latitude and
// longitude from one command to the next, each client a degree of latitude further north.
std::int32_t Latitude(int client, int index) {
    return 45000000 + client * 1000000 + index * 200;
}
std::int32_t Longitude(int, int index) {
    return 5000000 + index * 150;
}

std::string ReplyText(const API::TLocationInfo& info) {
    return std::to_string(info.value1) + "|" + std::to_string(info.value2) + "|" +
           std::to_string(info.value3) + "|" + info.text1 + "|" + std::to_string(info.value4) +
           "|" + std::to_string(info.value5) + "|";
}

long OpenDescriptors(pid_t pid) {
    long count = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end;
         !error && it != end; it.increment(error)) {
        ++count;
    }
    return count;
}

long ResidentKb(pid_t pid) {
    std::FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (status == nullptr) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmRSS: %ld", &kb) == 1) break;
    }
    std::fclose(status);
    return kb;
}

/// The expected reply text of every command, and which command each text belongs to.
struct TExpected {
    std::vector<std::vector<std::string>> replies;  // [client][index]
    std::map<std::string, std::pair<int, int>> owner;
};

TExpected ExpectedReplies(const TOptions& options, const std::string& scratch) {
    CGazetteer gazetteer;
    std::string error;
    if (!gazetteer.LoadFile(OXSDK_NAVIGATOR_DATA, &error)) {
        std::fprintf(stderr, "soak: %s\n", error.c_str());
        std::exit(1);
    }
    CUserDataStore store(scratch, "expected-store");
    CSimulationClock clock(1.0, 0.0, [] { return 0.0; });
    CLog log;
    log.CaptureInMemory();
    CEmulatedNavigator navigator(gazetteer, store, clock, log, TGeoPoint{52.370216, 4.895168}, {});
    CNavigatorCommandHandler handler(navigator);
    TExpected expected;
    expected.replies.resize(static_cast<std::size_t>(options.clients));
    for (int c = 0; c < options.clients; ++c) {
        for (int i = 0; i < options.commands; ++i) {
            const std::vector<std::string> fields = handler.Execute(
                {"GetLocationInfoV01",
                 {std::to_string(Latitude(c, i)), std::to_string(Longitude(c, i))}});
            std::string text;
            for (std::size_t f = 1; f < fields.size(); ++f) text += fields[f] + "|";
            if (fields.empty() || fields[0] != "0") text = "refused";
            expected.replies[static_cast<std::size_t>(c)].push_back(text);
            expected.owner.emplace(text, std::make_pair(c, i));
        }
    }
    return expected;
}

TClientResult RunClient(int client, const TOptions& options, const TExpected& expected,
                        std::atomic<int>* progress) {
    TClientResult result;
    result.fdsBefore = OpenDescriptors(getpid());
    result.rssBeforeKb = ResidentKb(getpid());
    const std::string name = "soak" + std::to_string(client);
    MOstrelCommunicationLayerInterface* layer =
        COstrelFileLayer::New(name.c_str(), kNavigatorName, -1);
    if (layer == nullptr) {
        result.failed = options.commands;
        return result;
    }
    {
        API api(*layer);
        const std::vector<std::string>& mine = expected.replies[static_cast<std::size_t>(client)];
        for (int first = 0; first < options.commands; first += options.inFlight) {
            const int last = std::min(options.commands, first + options.inFlight);
            std::vector<MOstrelSession*> sessions;
            for (int i = first; i < last; ++i) {
                sessions.push_back(
                    api.GetLocationInfoAsync(1, Latitude(client, i), Longitude(client, i)));
            }
            for (int i = first; i < last; ++i) {
                API::TError error{-99};
                API::TLocationInfo info{};
                const int code = api.GetLocationInfoAsyncRetrieve(
                    sessions[static_cast<std::size_t>(i - first)], &error, &info);
                if (progress != nullptr) progress->fetch_add(1);
                if (code != 0 || error.errorCode != 0) {
                    ++result.failed;
                    continue;
                }
                const std::string text = ReplyText(info);
                if (text == mine[static_cast<std::size_t>(i)]) {
                    ++result.answered;
                    continue;
                }
                const auto owner = expected.owner.find(text);
                if (owner == expected.owner.end()) {
                    ++result.wrong;
                } else if (owner->second.first == client && owner->second.second < i) {
                    ++result.duplicated;
                } else {
                    ++result.misrouted;
                }
            }
        }
    }
    delete layer;
    result.fdsAfter = OpenDescriptors(getpid());
    result.rssAfterKb = ResidentKb(getpid());
    return result;
}

std::vector<std::string> ExchangeFiles(const std::string& root) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(root + "/Ostrel/SdkFileCalls", error), end;
         !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

bool ParseOptions(int argc, char** argv, TOptions* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const auto value = [&](int* target) {
            if (i + 1 >= argc) return false;
            *target = std::atoi(argv[++i]);
            return *target > 0;
        };
        if (option == "--threads") {
            options->threads = true;
        } else if (!((option == "--clients" && value(&options->clients)) ||
                     (option == "--commands" && value(&options->commands)) ||
                     (option == "--in-flight" && value(&options->inFlight)) ||
                     (option == "--deadline" && value(&options->deadlineSeconds)))) {
            std::fprintf(stderr,
                         "usage: soak [--clients N] [--commands N] [--in-flight N] [--threads] "
                         "[--deadline SECONDS]\n");
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    TOptions options;
    if (!ParseOptions(argc, argv, &options)) return 2;
    char pattern[] = "/tmp/oxsdk-soak-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const std::string root = pattern;
    ::setenv("OXSDK_DEVICE_ROOT", root.c_str(), 1);
    const TExpected expected = ExpectedReplies(options, root);

    const std::string log = root + "/navigator.log";
    const pid_t navigator = fork();
    if (navigator == 0) {
        ::execl(OXSDK_NAVIGATOR_PATH, OXSDK_NAVIGATOR_PATH, "--gazetteer", OXSDK_NAVIGATOR_DATA,
                "--log", log.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    {
        API::TError error{};
        MOstrelCommunicationLayerInterface* probe =
            COstrelFileLayer::New("soakprobe", kNavigatorName, -1);
        API api(*probe);
        for (int i = 0; i < 500 && api.IsApplicationRunning(&error) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        delete probe;
    }
    const long navigatorFdsBefore = OpenDescriptors(navigator);
    const long navigatorRssBefore = ResidentKb(navigator);

    std::printf("soak: %d clients (%s) x %d GetLocationInfo, %d in flight, device %s\n",
                options.clients, options.threads ? "threads" : "processes", options.commands,
                options.inFlight, root.c_str());
    const auto start = std::chrono::steady_clock::now();
    std::vector<TClientResult> results(static_cast<std::size_t>(options.clients));
    std::vector<bool> finished(results.size(), false);
    if (options.threads) {
        std::vector<std::thread> threads;
        for (int c = 0; c < options.clients; ++c) {
            threads.emplace_back([&, c] {
                results[static_cast<std::size_t>(c)] = RunClient(c, options, expected, nullptr);
            });
        }
        for (std::thread& thread : threads) thread.join();
        finished.assign(finished.size(), true);
    } else {
        std::vector<pid_t> children;
        std::vector<int> pipes;
        for (int c = 0; c < options.clients; ++c) {
            int ends[2];
            if (::pipe(ends) != 0) return 1;
            const pid_t child = fork();
            if (child == 0) {
                const TClientResult result = RunClient(c, options, expected, nullptr);
                const ssize_t written = ::write(ends[1], &result, sizeof result);
                std::_Exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
            }
            ::close(ends[1]);
            children.push_back(child);
            pipes.push_back(ends[0]);
        }
        const auto deadline = start + std::chrono::seconds(options.deadlineSeconds);
        for (std::size_t c = 0; c < children.size(); ++c) {
            int status = 0;
            while (::waitpid(children[c], &status, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() > deadline) {
                    ::kill(children[c], SIGKILL);
                    ::waitpid(children[c], &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            finished[c] = ::read(pipes[c], &results[c], sizeof results[c]) ==
                          static_cast<ssize_t>(sizeof results[c]);
            ::close(pipes[c]);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long navigatorFdsAfter = OpenDescriptors(navigator);
    const long navigatorRssAfter = ResidentKb(navigator);
    const std::vector<std::string> left = ExchangeFiles(root);

    TClientResult total;
    int lost = 0;
    std::printf(
        "client  answered failed misrouted duplicated wrong  fds before/after  RSS kB "
        "before/after\n");
    for (std::size_t c = 0; c < results.size(); ++c) {
        const TClientResult& r = results[c];
        if (!finished[c]) {
            lost += options.commands;
            std::printf("%6zu  did not finish by the deadline\n", c);
            continue;
        }
        lost += options.commands - r.answered - r.failed - r.misrouted - r.duplicated - r.wrong;
        total.answered += r.answered;
        total.failed += r.failed;
        total.misrouted += r.misrouted;
        total.duplicated += r.duplicated;
        total.wrong += r.wrong;
        std::printf("%6zu  %8d %6d %9d %10d %5d  %6ld / %-6ld    %7ld / %ld\n", c, r.answered,
                    r.failed, r.misrouted, r.duplicated, r.wrong, r.fdsBefore, r.fdsAfter,
                    r.rssBeforeKb, r.rssAfterKb);
    }
    const int all = options.clients * options.commands;
    std::printf(
        "total: %d commands in %.1f s (%.0f/s): %d answered, %d lost, %d failed, %d "
        "misrouted, %d duplicated, %d wrong\n",
        all, seconds, all / seconds, total.answered, lost, total.failed, total.misrouted,
        total.duplicated, total.wrong);
    std::printf("navigator: fds %ld / %ld, RSS kB %ld / %ld (before / after)\n", navigatorFdsBefore,
                navigatorFdsAfter, navigatorRssBefore, navigatorRssAfter);
    std::printf("exchange folder: %zu files left", left.size());
    for (std::size_t i = 0; i < left.size() && i < 10; ++i) std::printf(" %s", left[i].c_str());
    std::printf("\n");

    ::kill(navigator, SIGTERM);
    int status = 0;
    ::waitpid(navigator, &status, 0);
    std::printf("navigator exit status %d; %zu files left after it stopped\n",
                WIFEXITED(status) ? WEXITSTATUS(status) : -1, ExchangeFiles(root).size());
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}
