// The round-trip benchmark: the library's blocking round trip against the navigator emulator
// and against a minimal navigator on the public API, side by side with the bare two-file
// exchange on system calls (the floor) and a Unix-socket ping-pong, on tmpfs and on disk, in
// interleaved rounds. Then system calls and heap allocations per round trip, four clients
// against one, a long route end to end, and a cold start on a device of 10,000 files. Prints
// one table with each target and PASS or MISS, and writes a latency histogram (gnuplot).
//
//   oxsdk-roundtrip [--rounds N] [--count N] [--out DIR]
//
// The roles it runs as child processes are in clients.h.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "clients.h"
#include "floor_exchange.h"
#include "processes.h"

namespace oxsdk::bench {
namespace {

namespace fs = std::filesystem;

std::string selfPath;  // this program, for the roles

struct TOptions {
    int rounds = 5;
    int count = 300;  // measured round trips per client and round
    std::string out = ".";
};

// ---------------------------------------------------------------------------------------------
// Statistics

struct TFigures {
    double median = 0;  // nanoseconds
    double p99 = 0;
    double rate = 0;  // operations per second
};

double Percentile(Samples values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    std::size_t at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return static_cast<double>(values[at]);
}

double MedianOf(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Figures of one client run: [start, end, latencies...].
TFigures RunFigures(const Samples& run) {
    TFigures figures;
    if (run.size() < 3) return figures;
    Samples latencies(run.begin() + 2, run.end());
    figures.median = Percentile(latencies, 0.5);
    figures.p99 = Percentile(latencies, 0.99);
    figures.rate = static_cast<double>(latencies.size()) * 1e9 /
                   static_cast<double>(std::max<std::int64_t>(1, run[1] - run[0]));
    return figures;
}

// Medians over rounds.
struct TSeries {
    std::vector<TFigures> rounds;
    Samples all;  // every latency, for the histogram
    TFigures Summary() const {
        TFigures summary;
        std::vector<double> medians, p99s, rates;
        for (const TFigures& f : rounds) {
            medians.push_back(f.median);
            p99s.push_back(f.p99);
            rates.push_back(f.rate);
        }
        summary.median = MedianOf(medians);
        summary.p99 = MedianOf(p99s);
        summary.rate = MedianOf(rates);
        return summary;
    }
    void Add(const Samples& run) {
        rounds.push_back(RunFigures(run));
        if (run.size() > 2) all.insert(all.end(), run.begin() + 2, run.end());
    }
};

std::string Duration(double nanoseconds) {
    char text[32];
    if (nanoseconds <= 0) return "-";
    if (nanoseconds < 1e6) {
        std::snprintf(text, sizeof text, "%.1f us", nanoseconds / 1e3);
    } else if (nanoseconds < 1e9) {
        std::snprintf(text, sizeof text, "%.2f ms", nanoseconds / 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.2f s", nanoseconds / 1e9);
    }
    return text;
}

std::string Ratio(double value, double floor) {
    char text[32];
    if (value <= 0 || floor <= 0) return "-";
    std::snprintf(text, sizeof text, "%.2fx", value / floor);
    return text;
}

struct TTarget {
    std::string what;
    std::string figure;
    bool pass;
};
std::vector<TTarget> targets;

// A target is met only when its figure was measured.
void Target(const std::string& what, bool measured, bool met, const std::string& figure) {
    targets.push_back({what, measured ? figure : "not measured", measured && met});
}

// ---------------------------------------------------------------------------------------------
// Servers

struct TDevice {
    std::string name;  // "tmpfs" or "disk"
    std::string base;  // private folder of this run on that file system
    std::string Root(const std::string& what) const { return base + "/" + what; }
};

enum class EServer { kEmulator, kMinimal, kFloor, kSocket };
const char* const kServerNames[] = {"library + emulator", "library + minimal navigator",
                                    "file floor (syscalls + inotify)", "unix socket ping-pong"};

std::string ExchangeFolder(const std::string& root) {
    char folder[4096];
    return MakeExchangeFolder(root.c_str(), folder, sizeof folder) ? folder : "";
}

// Waits until a navigator on `root` answers a command of the bare exchange; false after 20 s.
bool AnswersOn(const std::string& root) {
    const std::string folder = ExchangeFolder(root);
    TFloorClient probe;
    char reply[256];
    bool answered = OpenFloorClient(&probe, folder.c_str(), "probe") &&
                    FloorRoundTrip(&probe, kVersionCommand, reply, sizeof reply, 20000) > 0;
    CloseFloorClient(&probe);
    return answered;
}

bool Listens(const std::string& path) {
    for (int i = 0; i < 2000; ++i) {
        int connection = ConnectSocketClient(path.c_str());
        if (connection >= 0) {
            close(connection);
            return true;
        }
        usleep(5000);
    }
    return false;
}

// Starts the server `kind` for `root` (a device root, or the socket's path), behind `prefix`
// (strace, or nothing) with `environment`; waits until it answers. Returns its pid or -1.
pid_t StartServer(EServer kind, const std::string& root, const Strings& prefix,
                  const Strings& environment, int routePairs = 0) {
    Strings argv = prefix;
    Strings env = environment;
    env.push_back("OXSDK_DEVICE_ROOT=" + root);
    switch (kind) {
        case EServer::kEmulator:
            argv.insert(argv.end(), {OXSDK_NAVIGATOR_PATH, "--gazetteer", OXSDK_NAVIGATOR_DATA,
                                     "--log", root + ".log"});
            break;
        case EServer::kMinimal:
            argv.insert(argv.end(), {OXSDK_MINIMAL_NAVIGATOR_PATH, std::to_string(routePairs)});
            break;
        case EServer::kFloor:
            argv.insert(argv.end(), {selfPath, "floor-nav", ExchangeFolder(root)});
            break;
        case EServer::kSocket:
            argv.insert(argv.end(), {selfPath, "sock-server", root});
            break;
    }
    if (kind != EServer::kSocket) ExchangeFolder(root);
    pid_t pid = Spawn(argv, env);
    const bool ready = kind == EServer::kSocket ? Listens(root) : AnswersOn(root);
    if (!ready) {
        std::fprintf(stderr, "oxsdk-roundtrip: %s on %s did not answer\n",
                     kServerNames[static_cast<int>(kind)], root.c_str());
        Stop(pid);
        return -1;
    }
    return pid;
}

Strings ClientCommand(EServer kind, const std::string& root, const std::string& localName,
                      int count) {
    switch (kind) {
        case EServer::kEmulator:
        case EServer::kMinimal:
            return {selfPath, "lib", localName, std::to_string(count)};
        case EServer::kFloor:
            return {selfPath, "floor", ExchangeFolder(root), localName, std::to_string(count)};
        case EServer::kSocket:
            return {selfPath, "sock", root, std::to_string(count)};
    }
    return {};
}

std::string ServerRoot(const TDevice& device, EServer kind) {
    static const char* const roots[] = {"emulator", "minimal", "floor", "socket"};
    return device.Root(roots[static_cast<int>(kind)]);
}

// One client of `count` round trips against a fresh server; empty samples on failure.
Samples OneRun(EServer kind, const std::string& root, int count, const Strings& clientPrefix = {},
               const Strings& clientEnvironment = {}) {
    Samples samples;
    Strings command = clientPrefix;
    const Strings client = ClientCommand(kind, root, "bench", count);
    command.insert(command.end(), client.begin(), client.end());
    Strings environment = clientEnvironment;
    environment.push_back("OXSDK_DEVICE_ROOT=" + root);
    if (!RunForSamples(command, environment, &samples)) {
        std::fprintf(stderr, "oxsdk-roundtrip: a %s client failed\n",
                     kServerNames[static_cast<int>(kind)]);
        samples.clear();
    }
    return samples;
}

// ---------------------------------------------------------------------------------------------
// Phases

const EServer kAllServers[] = {EServer::kEmulator, EServer::kMinimal, EServer::kFloor,
                               EServer::kSocket};

// series[device][server]
using TLatencies = std::vector<std::vector<TSeries>>;

TLatencies LatencyPhase(const std::vector<TDevice>& devices, const TOptions& options) {
    TLatencies series(devices.size(), std::vector<TSeries>(4));
    for (int round = 0; round < options.rounds; ++round) {
        for (std::size_t d = 0; d < devices.size(); ++d) {
            for (int k = 0; k < 4; ++k) {
                // Each round starts with another server, so that none always follows the same.
                const EServer kind = kAllServers[(k + round) % 4];
                const std::string root = ServerRoot(devices[d], kind);
                pid_t server = StartServer(kind, root, {}, {});
                if (server < 0) continue;
                const Samples run = OneRun(kind, root, options.count);
                Stop(server);
                if (!run.empty()) series[d][static_cast<int>(kind)].Add(run);
            }
        }
        std::fprintf(stderr, "  round %d of %d done\n", round + 1, options.rounds);
    }
    return series;
}

void PrintLatencies(const std::vector<TDevice>& devices, const TLatencies& series,
                    const TOptions& options) {
    std::printf(
        "\nRound trip of GetApplicationVersion (%zu-byte command, %zu-byte reply), one "
        "client process;\n%d interleaved rounds of %d round trips each, medians over "
        "the rounds\n\n",
        sizeof kVersionCommand, sizeof kVersionReply, options.rounds, options.count);
    std::printf("%-6s %-32s %10s %10s %10s %9s %9s\n", "fs", "round trip", "median", "p99", "rt/s",
                "med/floor", "p99/floor");
    for (std::size_t d = 0; d < devices.size(); ++d) {
        const TFigures floor = series[d][static_cast<int>(EServer::kFloor)].Summary();
        for (EServer kind : kAllServers) {
            const TFigures f = series[d][static_cast<int>(kind)].Summary();
            std::printf("%-6s %-32s %10s %10s %10.0f %9s %9s\n", devices[d].name.c_str(),
                        kServerNames[static_cast<int>(kind)], Duration(f.median).c_str(),
                        Duration(f.p99).c_str(), f.rate, Ratio(f.median, floor.median).c_str(),
                        Ratio(f.p99, floor.p99).c_str());
        }
        for (EServer kind : {EServer::kMinimal, EServer::kEmulator}) {
            const TFigures f = series[d][static_cast<int>(kind)].Summary();
            const std::string who =
                std::string(kServerNames[static_cast<int>(kind)]) + ", " + devices[d].name;
            const bool measured = f.median > 0 && floor.median > 0;
            Target(who + ": median <= 1.3x floor", measured, f.median <= 1.3 * floor.median,
                   Ratio(f.median, floor.median));
            Target(who + ": p99 <= 2x floor p99", measured, f.p99 <= 2.0 * floor.p99,
                   Ratio(f.p99, floor.p99));
        }
    }
}

// Counted per round trip: the difference between a run of `few` and a run of `many` round
// trips, so that start-up and shut-down cancel out.
struct TPerRoundTrip {
    double client = -1;
    double navigator = -1;
    std::map<std::string, double> clientCalls, navigatorCalls;  // system calls by name
};

// Reads the summary of `strace -c`: calls by name, and the total under "total".
std::map<std::string, double> ReadStraceSummary(const std::string& path) {
    std::map<std::string, double> calls;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) words.push_back(word);
        // "% time  seconds  usecs/call  calls  [errors]  syscall"
        if (words.size() < 5 || !std::isdigit(static_cast<unsigned char>(words[0][0]))) continue;
        calls[words.back()] = std::atof(words[3].c_str());
    }
    return calls;
}

double ReadNumberFile(const std::string& path) {
    std::ifstream file(path);
    double value = -1;
    file >> value;
    return value;
}

bool HaveProgram(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs `few` and `many` round trips of `kind` with the client and the navigator measured by
// `measure` (which returns the prefix and environment of each process for a given output file)
// and reads the figures back with `read`.
template <typename Read>
TPerRoundTrip Counted(EServer kind, const TDevice& device, int few, int many,
                      const std::function<void(const std::string&, Strings*, Strings*)>& measure,
                      Read read) {
    TPerRoundTrip result;
    std::map<std::string, double> client[2], navigator[2];
    const int counts[2] = {few, many};
    const std::string root = ServerRoot(device, kind);
    for (int i = 0; i < 2; ++i) {
        const std::string navigatorFile = device.Root("navigator.count");
        const std::string clientFile = device.Root("client.count");
        Strings navigatorPrefix, navigatorEnvironment, clientPrefix, clientEnvironment;
        measure(navigatorFile, &navigatorPrefix, &navigatorEnvironment);
        measure(clientFile, &clientPrefix, &clientEnvironment);
        pid_t server = StartServer(kind, root, navigatorPrefix, navigatorEnvironment);
        if (server < 0) return result;
        const Samples run = OneRun(kind, root, counts[i], clientPrefix, clientEnvironment);
        Stop(server);
        if (run.empty()) return result;
        client[i] = read(clientFile);
        navigator[i] = read(navigatorFile);
    }
    const double span = many - few;
    for (const auto& [name, calls] : client[1]) {
        result.clientCalls[name] = (calls - client[0][name]) / span;
    }
    for (const auto& [name, calls] : navigator[1]) {
        result.navigatorCalls[name] = (calls - navigator[0][name]) / span;
    }
    result.client = result.clientCalls["total"];
    result.navigator = result.navigatorCalls["total"];
    result.clientCalls.erase("total");
    result.navigatorCalls.erase("total");
    return result;
}

std::string TopCalls(const std::map<std::string, double>& calls) {
    std::vector<std::pair<double, std::string>> sorted;
    for (const auto& [name, count] : calls) {
        if (count >= 0.5) sorted.emplace_back(count, name);
    }
    std::sort(sorted.rbegin(), sorted.rend());
    std::string text;
    for (std::size_t i = 0; i < sorted.size() && i < 8; ++i) {
        char item[64];
        std::snprintf(item, sizeof item, "%s%s %.1f", i == 0 ? "" : ", ", sorted[i].second.c_str(),
                      sorted[i].first);
        text += item;
    }
    return text;
}

const EServer kCountedServers[] = {EServer::kMinimal, EServer::kEmulator, EServer::kFloor};

void SystemCallPhase(const TDevice& device) {
    std::printf(
        "\nSystem calls per round trip (strace -f -c; runs of 50 and 250 round trips, "
        "difference / 200), %s\n",
        device.name.c_str());
    if (!HaveProgram("strace")) {
        std::printf("  strace not installed\n");
        return;
    }
    const auto measure = [](const std::string& file, Strings* prefix, Strings*) {
        *prefix = {"strace", "-f", "-c", "-o", file};
    };
    for (EServer kind : kCountedServers) {
        const TPerRoundTrip calls = Counted(kind, device, 50, 250, measure, ReadStraceSummary);
        std::printf("  %-32s client %6.1f   navigator %6.1f\n",
                    kServerNames[static_cast<int>(kind)], calls.client, calls.navigator);
        std::printf("    client:    %s\n    navigator: %s\n", TopCalls(calls.clientCalls).c_str(),
                    TopCalls(calls.navigatorCalls).c_str());
        if (kind != EServer::kFloor) {
            const std::string who = kServerNames[static_cast<int>(kind)];
            char figure[64];
            std::snprintf(figure, sizeof figure, "%.1f + %.1f", calls.client, calls.navigator);
            Target(who + ": system calls <= 30 client + 30 navigator",
                   calls.client >= 0 && calls.navigator >= 0,
                   calls.client <= 30 && calls.navigator <= 30, figure);
        }
    }
}

void AllocationPhase(const TDevice& device) {
    std::printf(
        "\nHeap allocations per round trip (malloc + calloc + realloc counted by a "
        "preloaded module;\nruns of 100 and 500 round trips, difference / 400), %s\n",
        device.name.c_str());
    const auto measure = [](const std::string& file, Strings*, Strings* environment) {
        *environment = {std::string("LD_PRELOAD=") + OXSDK_ALLOC_COUNT_PATH,
                        "OXSDK_ALLOC_COUNT_FILE=" + file};
    };
    const auto read = [](const std::string& file) {
        return std::map<std::string, double>{{"total", ReadNumberFile(file)}};
    };
    for (EServer kind : kCountedServers) {
        const TPerRoundTrip counted = Counted(kind, device, 100, 500, measure, read);
        std::printf("  %-32s client %6.2f   navigator %6.2f\n",
                    kServerNames[static_cast<int>(kind)], counted.client, counted.navigator);
        if (kind == EServer::kFloor) continue;
        const std::string who = kServerNames[static_cast<int>(kind)];
        char figure[32];
        std::snprintf(figure, sizeof figure, "%.2f", counted.client);
        Target(who + ": allocations, client <= 4", counted.client >= 0, counted.client <= 4,
               figure);
        if (kind == EServer::kMinimal) {
            std::snprintf(figure, sizeof figure, "%.2f", counted.navigator);
            Target(who + ": allocations, navigator <= 10", counted.navigator >= 0,
                   counted.navigator <= 10, figure);
        }
    }
}

void ClientsPhase(const TDevice& device, const TOptions& options) {
    constexpr int kClients = 4;
    const int count = options.count;
    std::printf(
        "\n1 and %d clients (processes, own local names) against one navigator, %d "
        "round trips each; %d rounds, medians, %s\n",
        kClients, count, std::max(3, options.rounds / 2), device.name.c_str());
    // The floor shows what the machine allows: with fewer cores than processes, no exchange
    // can scale with its clients.
    for (EServer kind : {EServer::kMinimal, EServer::kEmulator, EServer::kFloor}) {
        std::vector<double> single, four;
        for (int round = 0; round < std::max(3, options.rounds / 2); ++round) {
            const std::string root = ServerRoot(device, kind);
            pid_t server = StartServer(kind, root, {}, {});
            if (server < 0) continue;
            for (int clients : {1, kClients}) {
                std::vector<Strings> commands;
                for (int c = 0; c < clients; ++c) {
                    commands.push_back(
                        ClientCommand(kind, root, "client" + std::to_string(c), count));
                }
                std::vector<Samples> runs;
                if (!RunAllForSamples(commands, {"OXSDK_DEVICE_ROOT=" + root}, &runs)) continue;
                std::int64_t first = runs[0][0], last = runs[0][1];
                for (const Samples& run : runs) {
                    first = std::min(first, run[0]);
                    last = std::max(last, run[1]);
                }
                const double rate = static_cast<double>(clients * count) * 1e9 /
                                    static_cast<double>(std::max<std::int64_t>(1, last - first));
                (clients == 1 ? single : four).push_back(rate);
            }
            Stop(server);
        }
        const double one = MedianOf(single), all = MedianOf(four);
        std::printf("  %-32s 1 client %8.0f rt/s   %d clients %8.0f rt/s   ratio %s\n",
                    kServerNames[static_cast<int>(kind)], one, kClients, all,
                    Ratio(all, one).c_str());
        if (kind == EServer::kFloor) continue;
        Target(std::string(kServerNames[static_cast<int>(kind)]) + ": 4 clients >= 1.5x 1 client",
               one > 0 && all > 0, all >= 1.5 * one, Ratio(all, one));
    }
}

// The floor of the route: the reply text of `pairs` pairs formatted, written to a file, read
// back and parsed into an array, in one process. Returns the time in nanoseconds, or -1.
double FloorRoute(const std::string& folder, int pairs) {
    const std::int64_t start = NowNanoseconds();
    const std::size_t capacity = static_cast<std::size_t>(pairs) * 24 + 64;
    char* text = static_cast<char*>(std::malloc(capacity));
    char* at = text;
    const auto append = [&at](std::int32_t value) {
        at = std::to_chars(at, at + 16, value).ptr;
        *at++ = '|';
    };
    append(0);
    append(pairs);
    for (int i = 0; i < pairs; ++i) {
        append(52000000 + i * 7);
        append(4000000 + i * 11);
    }
    *at++ = '\0';
    const std::string path = folder + "/route.message";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const std::size_t size = static_cast<std::size_t>(at - text);
    bool ok = fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size);
    if (fd >= 0) close(fd);
    std::free(text);

    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    ok = ok && fd >= 0 && fstat(fd, &info) == 0;
    char* back = static_cast<char*>(std::malloc(static_cast<std::size_t>(info.st_size) + 1));
    ok = ok && ::read(fd, back, static_cast<std::size_t>(info.st_size)) == info.st_size;
    if (fd >= 0) close(fd);
    unlink(path.c_str());
    back[ok ? info.st_size : 0] = '\0';

    // Fields: code, count, then the pairs.
    std::int32_t fields[2] = {0, 0};
    const char* cursor = back;
    const char* end = back + (ok ? info.st_size : 0);
    for (std::int32_t& field : fields) {
        cursor = std::from_chars(cursor, end, field).ptr + 1;
    }
    auto* coordinates = static_cast<std::int32_t*>(
        std::malloc(static_cast<std::size_t>(std::max(fields[1], 1)) * 2 * sizeof(std::int32_t)));
    for (std::int32_t i = 0; ok && i < 2 * fields[1]; ++i) {
        cursor = std::from_chars(cursor, end, coordinates[i]).ptr + 1;
    }
    ok = ok && fields[1] == pairs && coordinates[2 * pairs - 2] == 52000000 + (pairs - 1) * 7;
    std::free(coordinates);
    std::free(back);
    return ok ? static_cast<double>(NowNanoseconds() - start) : -1;
}

void RoutePhase(const std::vector<TDevice>& devices, const TOptions& options) {
    const int rounds = std::max(3, options.rounds / 2);
    std::printf(
        "\nGetRouteCoordinates end to end (library + minimal navigator) against the "
        "floor (format, write,\nread back, parse into an array in one process); %d "
        "rounds, medians\n",
        rounds);
    for (const TDevice& device : devices) {
        for (int pairs : {100000, 1000000}) {
            std::vector<double> library, floor;
            const std::string root = device.Root("route");
            for (int round = 0; round < rounds; ++round) {
                pid_t server = StartServer(EServer::kMinimal, root, {}, {}, pairs);
                if (server < 0) continue;
                Samples run;
                if (RunForSamples({selfPath, "route", "1", std::to_string(pairs)},
                                  {"OXSDK_DEVICE_ROOT=" + root}, &run) &&
                    run.size() == 3) {
                    library.push_back(static_cast<double>(run[2]));
                }
                Stop(server);
                const double bare = FloorRoute(ExchangeFolder(root), pairs);
                if (bare > 0) floor.push_back(bare);
            }
            const double lib = MedianOf(library), bare = MedianOf(floor);
            std::printf("  %-6s %8d pairs   library %10s   floor %10s   ratio %s\n",
                        device.name.c_str(), pairs, Duration(lib).c_str(), Duration(bare).c_str(),
                        Ratio(lib, bare).c_str());
            const double bound = pairs == 100000 ? 1.5 : 1.3;
            char what[96];
            std::snprintf(what, sizeof what, "route of %d pairs, %s: <= %.1fx floor", pairs,
                          device.name.c_str(), bound);
            Target(what, lib > 0 && bare > 0, lib <= bound * bare, Ratio(lib, bare));
        }
    }
}

// The folder that a depth-first search in directory order (the library's and find's) reaches
// last below `folder`.
std::string LastFolderSearched(const std::string& folder) {
    std::string last;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_directory()) last = entry.path().filename().string();
    }
    return last.empty() ? folder : LastFolderSearched(folder + "/" + last);
}

// A device of 10,000 files in 528 folders (8 folders of 65 subfolders each), the navigator
// "Ostrel Navigator.exe" (a launcher of the emulator) in the folder that a search reaches last.
// Returns the launcher's path.
std::string MakeColdDevice(const std::string& root) {
    constexpr int kTop = 8, kSub = 65, kFiles = 10000;
    std::vector<std::string> folders;
    for (int t = 0; t < kTop; ++t) {
        for (int s = 0; s < kSub; ++s) {
            folders.push_back(root + "/Folder" + std::to_string(t) + "/Sub" + std::to_string(s));
            fs::create_directories(folders.back());
        }
    }
    fs::permissions(root, fs::perms::owner_all);
    for (int i = 0; i < kFiles - 1; ++i) {
        const std::string name =
            (i % 7 == 0 ? "tool" : "data") + std::to_string(i) + (i % 7 == 0 ? ".exe" : ".dat");
        std::ofstream(folders[static_cast<std::size_t>(i) % folders.size()] + "/" + name) << i;
    }
    const std::string navigator = LastFolderSearched(root) + "/Ostrel Navigator.exe";
    std::ofstream(navigator) << "#!/bin/sh\nexec '" << OXSDK_NAVIGATOR_PATH << "' --gazetteer '"
                             << OXSDK_NAVIGATOR_DATA << "' --log '" << root << ".log'\n";
    fs::permissions(navigator, fs::perms::owner_all);
    return navigator;
}

// The pid of the process holding the navigator's window on `root`, or 0.
pid_t WindowOwner(const std::string& root) {
    std::ifstream file(root + "/.windows/AldernWinClass");
    long pid = 0;
    return file >> pid ? static_cast<pid_t>(pid) : 0;
}

// Stops the navigator that holds the window on `root` and waits until its window is gone.
void StopWindowOwner(const std::string& root) {
    const pid_t owner = WindowOwner(root);
    if (owner > 0) kill(owner, SIGTERM);
    const std::string file = root + "/.windows/AldernWinClass";
    for (int i = 0; i < 1000; ++i) {
        ReapChildren();
        int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) break;
        const bool free = flock(fd, LOCK_SH | LOCK_NB) == 0;
        close(fd);
        if (free) break;
        usleep(10000);
    }
    ReapChildren();
}

void ColdStartPhase(const std::vector<TDevice>& devices, const TOptions& options) {
    std::printf(
        "\nCold StartApplication on a device of 10,000 files in 528 folders (navigator "
        "launcher in the\nfolder searched last); against find -name ... -print -quit over "
        "the same tree and the emulator\nalone from spawn to its first reply; %d rounds, "
        "medians\n",
        options.rounds);
    for (const TDevice& device : devices) {
        const std::string root = device.Root("cold");
        const std::string navigator = MakeColdDevice(root);
        std::vector<double> start, find, alone;
        for (int round = 0; round < options.rounds; ++round) {
            Samples run;
            if (RunForSamples({selfPath, "cold"}, {"OXSDK_DEVICE_ROOT=" + root}, &run) &&
                run.size() == 3) {
                start.push_back(static_cast<double>(run[2]));
            }
            StopWindowOwner(root);

            std::int64_t begin = NowNanoseconds();
            if (WaitForExit(Spawn(
                    {"find", root, "-name", "Ostrel Navigator.exe", "-print", "-quit"}, {}))) {
                find.push_back(static_cast<double>(NowNanoseconds() - begin));
            }

            TFloorClient client;
            char reply[256];
            const std::string folder = ExchangeFolder(root);
            if (OpenFloorClient(&client, folder.c_str(), "alone") &&
                FloorSend(&client, kVersionCommand)) {
                begin = NowNanoseconds();
                pid_t emulator = Spawn({navigator}, {"OXSDK_DEVICE_ROOT=" + root});
                if (FloorReceive(&client, reply, sizeof reply, 20000) > 0) {
                    alone.push_back(static_cast<double>(NowNanoseconds() - begin));
                }
                Stop(emulator);
            }
            CloseFloorClient(&client);
            StopWindowOwner(root);
        }
        const double cold = MedianOf(start), search = MedianOf(find), emulator = MedianOf(alone);
        std::printf(
            "  %-6s StartApplication %10s   find %10s   emulator alone %10s   ratio to "
            "find + emulator %s\n",
            device.name.c_str(), Duration(cold).c_str(), Duration(search).c_str(),
            Duration(emulator).c_str(), Ratio(cold, search + emulator).c_str());
        Target("cold start, " + device.name + ": <= 1.1x (find + emulator)",
               cold > 0 && search > 0 && emulator > 0, cold <= 1.1 * (search + emulator),
               Ratio(cold, search + emulator));
    }
}

// A histogram of the round trip of the library (both navigators) and of the floor on the
// first device, as data and, when gnuplot is there, as SVG.
void Histogram(const TLatencies& series, const TDevice& device, const std::string& out) {
    const EServer shown[] = {EServer::kFloor, EServer::kMinimal, EServer::kEmulator};
    std::int64_t low = INT64_MAX, high = 0;
    for (EServer kind : shown) {
        const Samples& all = series[0][static_cast<int>(kind)].all;
        if (all.empty()) return;
        low = std::min(low, *std::min_element(all.begin(), all.end()));
        high = std::max(high, static_cast<std::int64_t>(Percentile(all, 0.999)));
    }
    constexpr int kBins = 60;  // logarithmic, from the fastest to the 99.9th percentile
    const double first = std::log10(std::max<double>(static_cast<double>(low), 1000.0));
    const double step = (std::log10(static_cast<double>(high) + 1) - first) / kBins;
    const std::string data = out + "/roundtrip-histogram.dat";
    std::ofstream file(data);
    file << "# round trip (us), then the share of round trips per bin: floor, library + minimal "
            "navigator, library + emulator ("
         << device.name << ")\n";
    std::vector<std::vector<double>> shares(3, std::vector<double>(kBins, 0));
    for (int s = 0; s < 3; ++s) {
        const Samples& all = series[0][static_cast<int>(shown[s])].all;
        for (std::int64_t value : all) {
            int bin = static_cast<int>((std::log10(static_cast<double>(value)) - first) / step);
            if (bin >= 0 && bin < kBins) shares[s][bin] += 1.0 / static_cast<double>(all.size());
        }
    }
    for (int b = 0; b < kBins; ++b) {
        file << std::pow(10.0, first + (b + 0.5) * step) / 1e3 << ' ' << shares[0][b] << ' '
             << shares[1][b] << ' ' << shares[2][b] << '\n';
    }
    file.close();
    if (!HaveProgram("gnuplot")) {
        std::printf("\nHistogram data: %s (gnuplot not installed: no SVG)\n", data.c_str());
        return;
    }
    const std::string svg = out + "/roundtrip-histogram.svg";
    const std::string script = out + "/roundtrip-histogram.gp";
    std::ofstream(script)
        << "set terminal svg size 900,500\nset output '" << svg << "'\n"
        << "set title 'GetApplicationVersion round trip, " << device.name << "'\n"
        << "set logscale x\nset xlabel 'round trip (us)'\nset ylabel 'share of round trips'\n"
        << "plot '" << data << "' using 1:2 with steps title 'file floor', '' using 1:3 with "
        << "steps title 'library + minimal navigator', '' using 1:4 with steps title "
        << "'library + emulator'\n";
    const bool drawn = std::system(("gnuplot '" + script + "'").c_str()) == 0;
    std::printf("\nHistogram: %s\n", drawn ? svg.c_str() : "gnuplot failed");
}

bool ParseOptions(int argc, char** argv, TOptions* options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--rounds") {
            options->rounds = std::max(1, std::atoi(argv[i + 1]));
        } else if (option == "--count") {
            options->count = std::max(10, std::atoi(argv[i + 1]));
        } else if (option == "--out") {
            options->out = argv[i + 1];
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

std::string PrivateFolder(const std::string& parent) {
    std::string pattern = parent + "/oxsdk-roundtrip-XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : "";
}

}  // namespace
}  // namespace oxsdk::bench

int main(int argc, char** argv) {
    using namespace oxsdk::bench;
    const int role = RunRole(argc, argv);
    if (role >= 0) return role;
    TOptions options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: oxsdk-roundtrip [--rounds N] [--count N] [--out DIR]\n");
        return 2;
    }
    selfPath = fs::canonical("/proc/self/exe").string();
    // A navigator that the library starts detached comes back to this process when its
    // starter ends, so that it can be reaped.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    signal(SIGPIPE, SIG_IGN);

    std::vector<TDevice> devices = {{"tmpfs", PrivateFolder("/dev/shm")},
                                    {"disk", PrivateFolder("/var/tmp")}};
    for (const TDevice& device : devices) {
        if (device.base.empty()) {
            std::fprintf(stderr, "oxsdk-roundtrip: cannot make a folder for %s\n",
                         device.name.c_str());
            return 1;
        }
    }
    std::fprintf(stderr, "oxsdk-roundtrip: latency rounds on %s and %s\n", devices[0].base.c_str(),
                 devices[1].base.c_str());
    const std::int64_t began = NowNanoseconds();
    const auto phase = [began](const char* done) {
        std::fflush(stdout);
        std::fprintf(stderr, "oxsdk-roundtrip: %s (%.0f s)\n", done,
                     static_cast<double>(NowNanoseconds() - began) / 1e9);
    };
    const TLatencies latencies = LatencyPhase(devices, options);
    PrintLatencies(devices, latencies, options);
    phase("latencies");
    SystemCallPhase(devices[0]);
    phase("system calls");
    AllocationPhase(devices[0]);
    phase("allocations");
    ClientsPhase(devices[0], options);
    phase("clients");
    RoutePhase(devices, options);
    phase("route");
    ColdStartPhase(devices, options);
    phase("cold start");
    Histogram(latencies, devices[0], options.out);

    std::printf("\nTargets\n");
    for (const TTarget& target : targets) {
        std::printf("  %-4s %-70s %s\n", target.pass ? "PASS" : "MISS", target.what.c_str(),
                    target.figure.c_str());
    }
    for (const TDevice& device : devices) {
        std::error_code ignored;
        fs::remove_all(device.base, ignored);
    }
    ReapChildren();
    return 0;
}
