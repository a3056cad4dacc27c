// The client against hostile or large input: the cleaner stays inside the device, texts cannot
// drive the terminal, routes are streamed, and an unread monitor still ends at SIGTERM.
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "clean_command.h"
#include "exchange_cleaner.h"
#include "monitor_watcher.h"
#include "nlohmann/json.hpp"
#include "output.h"
#include "route_export.h"
#include "test_device.h"  // only its WaitUntil: this program does not link the device's code

// Allocations of this program (the library's included) fail once the count reaches 0; -1: none.
std::atomic<long> gAllocationsBeforeFailure{-1};

void* operator new(std::size_t size) {
    if (gAllocationsBeforeFailure.load() >= 0 && gAllocationsBeforeFailure.fetch_sub(1) == 0) {
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size > 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
// GCC takes the replaced pair for a mismatch where it inlines them into a caller.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace oxsdk::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;
using tools::testing::kBound;
using tools::testing::WaitUntil;

// A temporary folder, removed with everything in it; made the device root if asked.
struct TTemporaryFolder {
    explicit TTemporaryFolder(bool deviceRoot = false) {
        if (::mkdtemp(path.data()) == nullptr) ADD_FAILURE() << "no temporary folder";
        if (deviceRoot) ::setenv("OXSDK_DEVICE_ROOT", path.c_str(), 1);
    }
    ~TTemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string path = (fs::temp_directory_path() / "oxsdk-hardening-XXXXXX").string();
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string GonePid() {  // of a process that has ended
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return std::to_string(child);
}

TEST(CleanerTest, RemovesOnlyInsideTheDeviceEvenWhenOstrelIsALink) {
    const std::string gone = GonePid();
    for (const bool ostrelIsLink : {false, true}) {  // a link to a folder outside the device
        SCOPED_TRACE(ostrelIsLink ? "Ostrel is a link" : "plain device");
        TTemporaryFolder root(true), outside;
        const std::string target = ostrelIsLink ? outside.path : root.path + "/Ostrel";
        const std::string base = target + "/SdkFileCalls/app.nav." + gone;
        fs::create_directories(target + "/SdkFileCalls");
        if (ostrelIsLink) fs::create_directory_symlink(target, root.path + "/Ostrel");
        WriteFile(base + ".1.message", "x");
        WriteFile(base + ".1.finished", "x");

        const tools::TCleanResult result = tools::RemoveStaleExchangeFiles(
            [](const tools::TExchangeFileName&) { return std::string("stale"); });
        EXPECT_EQ("", result.error);
        EXPECT_EQ(ostrelIsLink ? 0u : 2u, result.removed.size());
        EXPECT_EQ(ostrelIsLink, fs::exists(base + ".1.message"));
        EXPECT_EQ(ostrelIsLink, fs::exists(base + ".1.finished"));
    }
}

TEST(CleanerTest, RemovesOnlyPlainFilesOfTheExchangeFolder) {
    TTemporaryFolder root(true);
    const std::string folder = root.path + "/Ostrel/SdkFileCalls/";
    fs::create_directories(folder + "sub");
    WriteFile(root.path + "/Ostrel/outside", "x");
    WriteFile(folder + "plain", "x");
    WriteFile(folder + "readonly", "x");
    fs::permissions(folder + "readonly", fs::perms::owner_read);
    const struct {
        const char* name;
        int result;
    } cases[] = {{"plain", 1}, {"plain", 0}, {"readonly", -1}, {"sub", -1}, {"../outside", -1},
                 {"..", -1},   {".", -1},    {"a\\b", -1},     {"", -1}};
    for (const auto& item : cases) {
        EXPECT_EQ(item.result, COstrelFileLayer::RemoveExchangeFile(item.name)) << item.name;
    }
    EXPECT_TRUE(fs::exists(folder + "readonly"));
    EXPECT_TRUE(fs::exists(root.path + "/Ostrel/outside"));
    EXPECT_TRUE(fs::is_directory(folder + "sub"));
}

// A relative state folder is no folder of the user's: the library's default applies to the
// cleaner too.
TEST(CleanerTest, UsesTheDeviceRootOfTheLibrary) {
    TTemporaryFolder home;
    const std::string savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    ::setenv("HOME", home.path.c_str(), 1);
    ::unsetenv("OXSDK_DEVICE_ROOT");
    ::setenv("XDG_STATE_HOME", "relative/state", 1);
    EXPECT_EQ(home.path + "/.local/state/oxsdk/device", tools::DeviceRootFromEnvironment());
    ::setenv("HOME", savedHome.c_str(), 1);
    ::unsetenv("XDG_STATE_HOME");
}

std::ptrdiff_t OpenDescriptors() {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
}

// Runs `work` with its first, second, ... allocation failing until it runs without a failure;
// no run may leave a descriptor open.
template <typename Work>
void EveryAllocationFailing(const char* what, Work work) {
    work();  // what the library keeps open from one call to the next is open from here on
    const std::ptrdiff_t before = OpenDescriptors();
    for (long failing = 0; failing < 100000; ++failing) {
        gAllocationsBeforeFailure = failing;
        bool failed = false;
        try {
            work();
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        failed = failed || gAllocationsBeforeFailure.load() < 0;
        gAllocationsBeforeFailure = -1;
        ASSERT_EQ(before, OpenDescriptors()) << what << ": allocation " << failing << " failed";
        if (!failed) return;
    }
}

class CIdleObserver : public MExchangeObserver {
public:
    void Watching(const std::string&, const TSeenAt&) override {}
    std::uint64_t SizeBound(const std::string&) override { return 1024; }
    void MessageRead(const std::string&, std::string, const TSeenAt&) override {}
    void MessageOversized(const std::string&, std::uint64_t, const TSeenAt&) override {}
    void MessageUnread(const std::string&, bool, const std::string&, const TSeenAt&) override {}
    void EventsLost(const TSeenAt&) override {}
    void CaughtUp() override {}
    bool Done() override { return true; }
};

TEST(CleanerTest, AFailedAllocationLeavesNoFolderOpen) {
    TTemporaryFolder root(true);
    const std::string folder = root.path + "/Ostrel/SdkFileCalls/";
    fs::create_directories(folder);
    const std::string gone = GonePid();
    for (int sequence = 1; sequence <= 3; ++sequence) {
        const std::string base = folder + "app.nav." + gone + "." + std::to_string(sequence);
        WriteFile(base + ".message", "GetX|");
        WriteFile(base + ".finished", std::string("finish\n\0", 8));
    }
    EveryAllocationFailing("monitor", [] {
        CIdleObserver observer;
        WatchExchangeFolder(observer, std::nullopt);
    });
    EveryAllocationFailing("cleaner", [] {
        tools::RemoveStaleExchangeFiles([](const tools::TExchangeFileName& file) {
            return file.sequence == 3 ? std::string("stale") : std::string();
        });
    });
}

TEST(EscapingTest, ControlCharactersAreEscapedForPeopleAndExactInJson) {
    const std::string hostile = "a\x1b[2J\r\nb\\\x7f";
    const std::string shown = "a\\x1B[2J\\r\\nb\\\\\\x7F";

    TCleanReport report;
    report.folder = "/device/Ostrel/SdkFileCalls";
    report.result.removed.push_back({hostile, "gone"});
    EXPECT_EQ("removed " + shown + " (gone)\nremoved: 1 file(s) from " + report.folder + "\n",
              CleanReportToText(report));
    EXPECT_EQ(hostile, CleanReportToJson(report)["removed"][0]["name"]);

    TCallOutcome outcome;
    outcome.recordFilled = true;
    outcome.recordName = "TFavorite";
    outcome.record = {{"name", true, 0, hostile}};
    const std::string text = OutcomeToText(outcome);
    EXPECT_EQ(std::string::npos, text.find('\x1b')) << text;
    EXPECT_NE(std::string::npos, text.find(shown)) << text;
    const auto json = ordered_json::parse(DumpJson(OutcomeToJson({"GetFavorite", ""}, outcome)));
    EXPECT_EQ(hostile, json["record"]["name"]);
}

// Reports and exports are written as they go, exactly as the JSON library wrote them before.
TEST(RouteOutputTest, StreamedReportsAndExportsReadAsTheJsonLibraryWritesThem) {
    const std::string feature = R"({"type":"Feature","geometry":{"type":)";
    const struct {
        TRoutePairs pairs;
        std::string geoJson;  // [longitude, latitude] in degrees
    } cases[] = {
        {{}, R"("LineString","coordinates":[]},"properties":{"name":"route","points":0}})"},
        {{{52370216, 4895168}},
         R"("Point","coordinates":[4.895168,52.370216]},"properties":{"name":"route","points":1}})"},
        {{{1, -1}, {0, 4000000}, {-90000000, 180000000}},
         R"("LineString","coordinates":[[-1e-06,1e-06],[4.0,0.0],[180.0,-90.0]]},)"
         R"("properties":{"name":"route","points":3}})"}};
    for (const auto& item : cases) {
        TCallOutcome outcome;
        outcome.errorCode = 0;
        outcome.recordFilled = true;
        outcome.hasRoute = true;
        outcome.routeCount = static_cast<std::int32_t>(item.pairs.size());
        outcome.routePairs = item.pairs;
        outcome.message = "\n    \"coordinates\": null";  // a text cannot pose as the member
        const TRequestName request{"GetRouteCoordinates", "GetRouteCoordinatesV01"};
        std::ostringstream streamed, geoJson;
        WriteOutcomeJson(streamed, request, outcome);
        EXPECT_EQ(DumpJson(OutcomeToJson(request, outcome)) + "\n", streamed.str());
        WriteRouteGeoJson(geoJson, item.pairs);
        EXPECT_EQ(feature + item.geoJson + "\n", geoJson.str());
    }
}

#ifdef OXSDK_CLIENT_PATH
// `oxsdk monitor` writing to a pipe that nobody reads: once the pipe is full, SIGTERM still
// ends it, with status 0.
TEST(MonitorProcessTest, EndsAtSigtermWhileItsOutputIsNotRead) {
    TTemporaryFolder root(true);
    int output[2];
    ASSERT_EQ(0, ::pipe(output));
    const pid_t monitor = ::fork();
    if (monitor == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::close(output[0]);
        ::close(output[1]);
        ::execl(OXSDK_CLIENT_PATH, OXSDK_CLIENT_PATH, "monitor", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(output[1]);
    // The first line says it watches; after it, nothing more is read.
    std::string first;
    for (char c = 0; c != '\n' && ::read(output[0], &c, 1) == 1;) first += c;
    EXPECT_NE(std::string::npos, first.find("watching")) << first;

    int sequence = 0;
    auto send = [&] {
        const std::string base =
            root.path + "/Ostrel/SdkFileCalls/app.nav.1." + std::to_string(++sequence);
        WriteFile(base + ".message", "FlashMessageV01|" + std::string(1000, 'm') + "|");
        WriteFile(base + ".finished", std::string("finish\n\0", 8));
    };
    // Until the pipe holds 40 KiB (a pipe of 16 pages holds about 50 KiB of such lines), then
    // as many again: the monitor's writer is then waiting for a reader that never comes.
    EXPECT_TRUE(WaitUntil(kBound, [&] {
        for (int i = 0; i < 16; ++i) send();
        int queued = 0;
        ::ioctl(output[0], FIONREAD, &queued);
        return queued >= 40 * 1024;
    })) << "the monitor did not fill its output";
    for (const int last = sequence * 2; sequence < last;) send();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    EXPECT_EQ(0, ::kill(monitor, SIGTERM));
    int status = 0;
    const bool ended =
        WaitUntil(kBound, [&] { return ::waitpid(monitor, &status, WNOHANG) == monitor; });
    if (!ended) {
        ::kill(monitor, SIGKILL);
        ::waitpid(monitor, &status, 0);
    }
    ::close(output[0]);
    EXPECT_TRUE(ended) << "still running after SIGTERM";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
#endif

}  // namespace
}  // namespace oxsdk::cli
