// The client against hostile or merely large input: the cleaner never reaches outside the
// device and agrees with the library on its root, texts from elsewhere cannot drive the
// terminal, big replies are written as they are read, and a monitor whose output nobody reads
// still ends at SIGTERM.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
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
#include "monitor_events.h"
#include "monitor_watcher.h"
#include "nlohmann/json.hpp"
#include "output.h"
#include "route_export.h"

// Allocations of this program (the library's included) fail once the count reaches 0; -1: none
// fails.
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

// Sets an environment variable (or unsets it, for nullopt) for the scope of the object.
class CScopedVariable {
public:
    CScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~CScopedVariable() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A private temporary folder, removed with everything in it.
class CTemporaryFolder {
public:
    CTemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "oxsdk-hardening-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~CTemporaryFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The pid of a process that has ended.
unsigned long GonePid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return static_cast<unsigned long>(child);
}

TEST(CleanerTest, RemovesOnlyInsideTheDeviceEvenWhenAFolderIsSwappedForALink) {
    const std::string gone = std::to_string(GonePid());
    const std::string stale[] = {"app.nav." + gone + ".1.message",
                                 "app.nav." + gone + ".1.finished"};
    const struct {
        const char* what;
        bool ostrelIsLink;  // "<root>/Ostrel" is a link to a folder outside the device
    } cases[] = {{"plain device", false}, {"Ostrel swapped for a link", true}};
    for (const auto& item : cases) {
        CTemporaryFolder root, outside;
        const std::string target = item.ostrelIsLink ? outside.path() : root.path() + "/Ostrel";
        fs::create_directories(target + "/SdkFileCalls");
        if (item.ostrelIsLink) fs::create_directory_symlink(target, root.path() + "/Ostrel");
        for (const std::string& name : stale) WriteFile(target + "/SdkFileCalls/" + name, "x");
        // A link in the exchange folder to a file outside is neither followed nor removed.
        WriteFile(outside.path() + "/kept", "x");
        fs::create_symlink(outside.path() + "/kept",
                           target + "/SdkFileCalls/app.nav." + gone + ".2.message");
        CScopedVariable device("OXSDK_DEVICE_ROOT", root.path());

        const tools::TCleanResult result = tools::RemoveStaleExchangeFiles(
            [](const tools::TExchangeFileName&) { return std::string("stale"); });
        EXPECT_EQ("", result.error) << item.what;
        EXPECT_EQ(item.ostrelIsLink ? 0u : 2u, result.removed.size()) << item.what;
        for (const std::string& name : stale) {
            EXPECT_EQ(item.ostrelIsLink, fs::exists(target + "/SdkFileCalls/" + name))
                << item.what << ": " << name;
        }
        EXPECT_TRUE(fs::exists(outside.path() + "/kept")) << item.what;
        EXPECT_TRUE(fs::is_symlink(target + "/SdkFileCalls/app.nav." + gone + ".2.message"))
            << item.what;
    }
}

TEST(CleanerTest, RemovesOnlyPlainFilesOfTheExchangeFolder) {
    CTemporaryFolder root;
    const std::string folder = root.path() + "/Ostrel/SdkFileCalls/";
    fs::create_directories(folder + "sub");
    WriteFile(root.path() + "/Ostrel/outside", "x");
    WriteFile(folder + "plain", "x");
    WriteFile(folder + "readonly", "x");
    fs::permissions(folder + "readonly", fs::perms::owner_read);
    CScopedVariable device("OXSDK_DEVICE_ROOT", root.path());
    const struct {
        const char* name;
        int result;
    } cases[] = {{"plain", 1},       {"plain", 0}, {"missing", 0}, {"readonly", -1}, {"sub", -1},
                 {"../outside", -1}, {"..", -1},   {".", -1},      {"a\\b", -1},     {"", -1}};
    for (const auto& item : cases) {
        EXPECT_EQ(item.result, COstrelFileLayer::RemoveExchangeFile(item.name)) << item.name;
    }
    EXPECT_TRUE(fs::exists(folder + "readonly"));
    EXPECT_TRUE(fs::exists(root.path() + "/Ostrel/outside"));
    EXPECT_TRUE(fs::is_directory(folder + "sub"));
}

TEST(CleanerTest, UsesTheDeviceRootOfTheLibrary) {
    CTemporaryFolder home;
    const struct {
        std::optional<std::string> deviceRoot, stateHome;
        std::string expected;
    } cases[] = {
        {home.path() + "/dev", std::nullopt, home.path() + "/dev"},
        {std::nullopt, home.path() + "/state", home.path() + "/state/oxsdk/device"},
        // A relative state folder is no folder of the user's: the default applies.
        {std::nullopt, std::string("relative/state"), home.path() + "/.local/state/oxsdk/device"},
    };
    for (const auto& item : cases) {
        CScopedVariable device("OXSDK_DEVICE_ROOT", item.deviceRoot);
        CScopedVariable state("XDG_STATE_HOME", item.stateHome);
        CScopedVariable user("HOME", home.path());
        EXPECT_EQ(item.expected, tools::DeviceRootFromEnvironment()) << item.stateHome.value_or("");
    }
}

// Open descriptors of this process.
std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd"))
        count += entry.path().empty() ? 0 : 1;
    return count;
}

// Runs `work` with its first, second, ... allocation failing until it runs without a failure;
// no run may leave a descriptor open.
template <typename Work>
void EveryAllocationFailing(const char* what, Work work) {
    work();  // what the library keeps open from one call to the next is open from here on
    const std::size_t before = OpenDescriptors();
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
    CTemporaryFolder root;
    const std::string folder = root.path() + "/Ostrel/SdkFileCalls/";
    fs::create_directories(folder);
    const std::string gone = std::to_string(GonePid());
    for (int sequence = 1; sequence <= 3; ++sequence) {
        const std::string base = folder + "app.nav." + gone + "." + std::to_string(sequence);
        WriteFile(base + ".message", "GetX|");
        WriteFile(base + ".finished", std::string("finish\n\0", 8));
    }
    CScopedVariable device("OXSDK_DEVICE_ROOT", root.path());
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

TEST(RouteOutputTest, StreamedReportsAndExportsReadAsTheJsonLibraryWritesThem) {
    const TRoutePairs routes[] = {
        {}, {{52370216, 4895168}}, {{1, -1}, {0, 4000000}, {-90000000, 180000000}}};
    for (const TRoutePairs& pairs : routes) {
        TCallOutcome outcome;
        outcome.errorCode = 0;
        outcome.recordFilled = true;
        outcome.hasRoute = true;
        outcome.routeCount = static_cast<std::int32_t>(pairs.size());
        outcome.routePairs = pairs;
        outcome.message = "\n    \"coordinates\": null";  // a text cannot pose as the member
        const TRequestName request{"GetRouteCoordinates", "GetRouteCoordinatesV01"};
        std::ostringstream streamed;
        WriteOutcomeJson(streamed, request, outcome);
        EXPECT_EQ(DumpJson(OutcomeToJson(request, outcome)) + "\n", streamed.str());

        // GeoJSON: the positions [longitude, latitude] in degrees as a tree would hold them.
        std::ostringstream geoJson;
        WriteRouteGeoJson(geoJson, pairs);
        auto degrees = [](std::int64_t microdegrees) {
            return ordered_json::parse(Degrees(microdegrees));
        };
        ordered_json geometry = ordered_json::object();
        geometry["type"] = pairs.size() == 1 ? "Point" : "LineString";
        geometry["coordinates"] = ordered_json::array();
        for (const auto& pair : pairs) {
            geometry["coordinates"].push_back({degrees(pair.second), degrees(pair.first)});
        }
        if (pairs.size() == 1) geometry["coordinates"] = geometry["coordinates"][0];
        const ordered_json feature = {
            {"type", "Feature"},
            {"geometry", geometry},
            {"properties", {{"name", "route"}, {"points", pairs.size()}}}};
        EXPECT_EQ(feature.dump() + "\n", geoJson.str());
    }
}

TEST(MonitorLineTest, FieldsAreWrittenAsTheJsonLibraryWritesThem) {
    const std::string messages[] = {
        std::string("GetFavoriteV01|a\"b\\c|\x01\x1f\b\f\t|\xc3\xa9|||rest"),
        std::string("0|\xe9 latin|x|") + '\0' + "ignored",
        std::string("no field at all"),
        std::string("|||\n|after the line feed"),
    };
    for (const std::string& bytes : messages) {
        TMonitorEvent event;
        event.kind = EEventKind::kReply;
        event.named = true;
        event.client = "app";
        event.navigator = "nav";
        event.text = DecodeMessageText(bytes);
        event.size = bytes.size();
        event.latencyMilliseconds = 1.5;
        const std::string line = EventToJsonLine(event);
        const ordered_json parsed = ordered_json::parse(line);
        EXPECT_EQ(parsed.dump() + "\n", line);
        // A text that is not UTF-8 goes byte for byte as Latin-1 characters.
        const bool latin1 = parsed.contains("encoding");
        std::vector<std::string> fields;
        for (const std::string& field : event.text.Fields()) {
            std::string text;
            for (const char c : field) {
                const auto byte = static_cast<unsigned char>(c);
                if (!latin1 || byte < 0x80) {
                    text += c;
                } else {
                    text += static_cast<char>(0xC0 | (byte >> 6));
                    text += static_cast<char>(0x80 | (byte & 0x3F));
                }
            }
            fields.push_back(text);
        }
        EXPECT_EQ(fields, parsed["fields"].get<std::vector<std::string>>()) << line;
        EXPECT_EQ(event.text.Rest().empty(), !parsed.contains("rest")) << line;
    }
}

TEST(MonitorLineTest, NavigatorNamesAreBoundedAndTheGivenOneIsKept) {
    const auto now = std::chrono::steady_clock::now();
    CDirectionTracker tracker("Nav", 4);
    for (std::uint32_t i = 0; i < 10; ++i) {
        tracker.Record({"app", "reader" + std::to_string(i), 1, i}, EDirection::kCommand, "X", now);
    }
    // The last four readers are known as navigators, the first ones are forgotten.
    EXPECT_EQ(EDirection::kReply, tracker.DirectionOf({"reader9", "app", 2, 1}));
    EXPECT_EQ(EDirection::kReply, tracker.DirectionOf({"READER6", "app", 2, 1}));
    EXPECT_EQ(EDirection::kCommand, tracker.DirectionOf({"reader0", "app", 2, 1}));
    EXPECT_EQ(EDirection::kReply, tracker.DirectionOf({"nav", "app", 2, 1}));
}

#ifdef OXSDK_CLIENT_PATH
// `oxsdk monitor` writing to a pipe that nobody reads: once the pipe is full, SIGTERM still
// ends it, with status 0.
TEST(MonitorProcessTest, EndsAtSigtermWhileItsOutputIsNotRead) {
    CTemporaryFolder root;
    ASSERT_FALSE(root.path().empty());
    int output[2];
    ASSERT_EQ(0, ::pipe(output));
    const pid_t monitor = ::fork();
    if (monitor == 0) {
        ::setenv("OXSDK_DEVICE_ROOT", root.path().c_str(), 1);
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
    ASSERT_NE(std::string::npos, first.find("watching")) << first;

    const std::string folder = root.path() + "/Ostrel/SdkFileCalls/";
    auto send = [&folder](int sequence) {
        const std::string base = folder + "app.nav.1." + std::to_string(sequence);
        WriteFile(base + ".message", "FlashMessageV01|" + std::string(1000, 'm') + "|");
        WriteFile(base + ".finished", std::string("finish\n\0", 8));
    };
    // Until the pipe holds 40 KiB (a pipe of 16 pages holds about 50 KiB of such lines), then
    // as many again: the monitor's writer is then waiting for a reader that never comes.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int queued = 0, sequence = 0;
    while (queued < 40 * 1024 && std::chrono::steady_clock::now() < deadline) {
        send(++sequence);
        if (sequence % 16 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::ioctl(output[0], FIONREAD, &queued);
    }
    ASSERT_GE(queued, 40 * 1024) << "the monitor did not fill its output";
    for (const int last = sequence * 2; sequence < last;) send(++sequence);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    ASSERT_EQ(0, ::kill(monitor, SIGTERM));
    int status = 0;
    pid_t ended = 0;
    for (const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(60);
         ended == 0 && std::chrono::steady_clock::now() < bound;) {
        ended = ::waitpid(monitor, &status, WNOHANG);
        if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ended == 0) {
        ::kill(monitor, SIGKILL);
        ::waitpid(monitor, &status, 0);
    }
    ::close(output[0]);
    EXPECT_EQ(monitor, ended) << "still running 60 s after SIGTERM";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
#endif

}  // namespace
}  // namespace oxsdk::cli
