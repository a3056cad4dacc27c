// The oxsdk client as a user runs it, on a temporary emulated device: against the scripted
// navigator (any reply a test needs), the silent test navigator and the emulator, which the
// library finds and starts; `oxsdk monitor` watching the test talk to itself through the library.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "OXSDK5Link/FileLayer.h"
#include "nlohmann/json.hpp"
#include "test_device.h"

namespace oxsdk::tools::testing {
namespace {

using nlohmann::json;
using TArguments = std::vector<std::string>;

enum ExitStatus { kSuccess = 0, kNavigatorError, kUsage, kTransport, kNotRunning, kTimeout };

class OxsdkClientTest : public ::testing::Test {
protected:
    // The scripted navigator, answering from `replies` (lines "WireName field0|field1|...").
    void StartScripted(const std::string& replies) {
        ASSERT_GT(device_.StartNavigator({OXSDK_SCRIPTED_NAVIGATOR_PATH},
                                         {{"OXSDK_SCRIPTED_REPLIES", replies},
                                          {"OXSDK_SCRIPTED_LOG", device_.root() + "/received"}}),
                  0);
    }
    TRun Oxsdk(TArguments arguments) {
        arguments.insert(arguments.begin(), OXSDK_CLIENT_PATH);
        return device_.Run(arguments);
    }
    TRun Scripted(TArguments arguments) {
        arguments.insert(arguments.begin(), {"--navigator-name", "scripted"});
        return Oxsdk(arguments);
    }
    // The commands the scripted navigator received, one line of "|"-joined fields each.
    std::string Received() const { return ReadFile(device_.root() + "/received"); }
    // Whether no command was written and left (there may be no exchange folder at all).
    bool NothingLeft() const {
        std::error_code none;
        return std::filesystem::is_empty(device_.root() + "/Ostrel/SdkFileCalls", none) || none;
    }

    CTestDevice device_;
};

// Subcommands against the scripted navigator: their reports in text or JSON, their exit status,
// and the commands that reach the navigator (none from a refused command line).
TEST_F(OxsdkClientTest, RepliesArgumentsAndUsageErrors) {
    StartScripted(
        "GetFavoriteV01 0|Home||-3|12\nGetFavoriteV01 4\nGetFavoriteV01 0|only one\n"
        "GetRouteCoordinatesV01 0|3|10|20|30|40\nGetRouteCoordinatesV01 0\n"
        "GetLocationInfoExV01 0|1|2|3|Main Street|5|6|Town\n"
        "GetDataSetInfoV01 -3|a|b|1|2");
    const struct {
        TArguments arguments;
        int exitStatus;
        std::string out;  // the whole text report, or with --json {pointer: value}; "": any
    } cases[] = {
        {{"get-favorite", "3"},
         kSuccess,
         "errorCode: 0 (success)\ntext1: \"Home\" (name)\ntext2: \"\" (description)\n"
         "value1: -3 microdegrees = -0.000003 degrees (latitude)\n"
         "value2: 12 microdegrees = 0.000012 degrees (longitude)\n"},
        // An error-only reply to a query leaves no record; a malformed one is a transport failure.
        {{"--json", "get-favorite", "1"},
         kNavigatorError,
         R"({"/status": "navigator-error", "/exitStatus": 1, "/errorCode": 4, "/record": null})"},
        {{"--json", "get-favorite", "2"}, kTransport, R"({"/result": -2})"},
        {{"get-route-coordinates"},
         kSuccess,
         "errorCode: 0 (success)\ncount: 2 (number of route points)\n"
         "coordinates[0]: 10 20 = 0.000010 0.000020 degrees (latitude longitude)\n"
         "coordinates[1]: 30 40 = 0.000030 0.000040 degrees (latitude longitude)\n"},
        {{"get-route-coordinates"}, kTransport, ""},
        {{"--json", "get-location-info-ex", "-7u", "8u"},
         kSuccess,
         R"({"/wireName": "GetLocationInfoExV01", "/status": "ok", "/replyFieldCount": 8,
             "/record": {"value1": 1, "value2": 2, "value3": 3, "text1": "Main Street",
             "value4": 5, "value5": 6, "text2": "Town"}})"},
        // A full reply with a non-zero code: the record is filled all the same.
        {{"--json", "get-data-set-info"}, kNavigatorError, R"({"/record/text1": "a"})"},
        // Numbers, texts and a geo: pair travel as the library sends them, as do the longest names
        // that fit together in a command file's device path (259 characters).
        {{"navigate-to-coordinates", "-2147483648", "+0042u", "tab\there, return\r, \xc3\xa9"},
         kSuccess,
         ""},
        {{"enable-raw-gps-output", ""}, kSuccess, ""},
        {{"navigate-to-coordinates", "--", "geo:-1.5,2", "-x"}, kSuccess, ""},
        {{"--client-name", std::string(198, 'c'), "clear-route"}, kSuccess, ""},
        {{"navigate-to-coordinates", "1", "2"}, kUsage, ""},           // missing argument
        {{"navigate-to-favorite", "1", "2"}, kUsage, ""},              // surplus argument
        {{"show-coordinates-on-map", "2147483648", "0"}, kUsage, ""},  // beyond 32 bits
        {{"switch-map", "left|right"}, kUsage, ""},                    // would split into fields
        {{"no-such-command"}, kUsage, ""},                             // unknown subcommand
        {{}, kUsage, ""},                                              // no subcommand
        {{"--navigator-name", "a.b", "get-route-info"}, kUsage, ""},   // unusable in a file name
        {{"--client-name", std::string(199, 'c'), "get-route-info"}, kUsage, ""},  // too long
        {{"--timeout", "-1", "get-route-info"}, kUsage, ""},                       // negative
    };
    for (const auto& c : cases) {
        const TRun run = Scripted(c.arguments);
        SCOPED_TRACE(::testing::PrintToString(c.arguments) + "\n" + run.out + run.err);
        EXPECT_EQ(c.exitStatus, run.exitStatus);
        EXPECT_EQ(c.exitStatus == kSuccess, run.err.empty());
        if (c.out.empty()) continue;
        if (c.arguments[0] != "--json") {
            EXPECT_EQ(c.out, run.out);
            continue;
        }
        const json report = json::parse(run.out), expected = json::parse(c.out);
        for (const auto& [pointer, value] : expected.items())
            EXPECT_EQ(value, report.value(json::json_pointer(pointer), json())) << pointer;
    }
    EXPECT_NE(std::string::npos,
              Scripted({"get-rout-info"}).err.find("did you mean 'get-route-info'?"));
    EXPECT_EQ(
        "GetFavoriteV01|3\nGetFavoriteV01|1\nGetFavoriteV01|2\nGetRouteCoordinatesV01\n"
        "GetRouteCoordinatesV01\nGetLocationInfoExV01|-7|8\n"
        "GetDataSetInfoV01\nNavigateToCoordinatesV01|-2147483648|42|tab\there, return\r, \xc3\xa9\n"
        "EnableRawGPSOutputV01|\nNavigateToCoordinatesV01|-1500000|2000000|-x\n"
        "ClearRouteV01\n",
        Received());
    EXPECT_TRUE(NothingLeft());
}

TEST_F(OxsdkClientTest, CleanRemovesFilesNobodyWillReadAndNothingElse) {
    namespace fs = std::filesystem;
    const std::string folder = device_.root() + "/Ostrel/SdkFileCalls";
    fs::create_directories(folder);
    const std::string gone = GonePid(), live = std::to_string(::getpid());
    const std::string outside = device_.root() + "/outside";
    std::ofstream(outside) << "keep";
    const struct {
        std::string name;
        const char* removedBecause;  // null: kept
    } files[] = {
        {"app.OstrelNavigator." + gone + ".1.message", "client process"},
        {"app.OstrelNavigator." + gone + ".1.finished", "client process"},
        {"OstrelNavigator.app." + gone + ".1.message", "client process"},  // its reply
        {"app.OstrelNavigator." + live + ".2.finished", "not running"},
        {"app.other." + live + ".3.finished", nullptr},
        {"OstrelNavigator.app." + live + ".4.message", nullptr},  // a reply its client awaits
        {"app.OstrelNavigator." + gone + ".x.message", nullptr},  // not an exchange name
        {"notes.txt", nullptr},
        {"link.OstrelNavigator." + gone + ".5.message", nullptr},  // a link is left alone
    };
    for (const auto& file : files) {
        if (file.name.rfind("link.", 0) == 0) {
            fs::create_symlink(outside, folder + "/" + file.name);
        } else {
            std::ofstream(folder + "/" + file.name) << "GetRouteInfoV01|\n";
        }
    }

    const TRun run = Oxsdk({"--json", "clean"});
    ASSERT_EQ(kSuccess, run.exitStatus) << run.err;
    const json out = json::parse(run.out);
    EXPECT_EQ(folder, out["folder"]);
    EXPECT_EQ(false, out["navigatorRunning"]);
    std::map<std::string, std::string> removed;
    for (const json& entry : out["removed"]) removed[entry["name"]] = entry["reason"];
    for (const auto& file : files) {
        const bool exists = fs::exists(fs::symlink_status(folder + "/" + file.name));
        EXPECT_EQ(exists, file.removedBecause == nullptr) << file.name;
        if (file.removedBecause != nullptr) {
            EXPECT_NE(removed[file.name].find(file.removedBecause), std::string::npos)
                << file.name << ": " << removed[file.name];
        }
    }
    EXPECT_EQ(removed.size(), 4u);
    EXPECT_EQ("keep", ReadFile(outside));

    // While the navigator runs, a live client's command to it is left for it to take.
    StartScripted("");
    const std::string waiting = folder + "/app.scripted." + live + ".7.message";
    std::ofstream(waiting) << "GetRouteInfoV01|\n";
    const TRun second = Scripted({"clean"});
    EXPECT_EQ(kSuccess, second.exitStatus) << second.err;
    EXPECT_NE(second.out.find("removed: 0 file(s)"), std::string::npos) << second.out;
    EXPECT_TRUE(fs::exists(waiting));
}

#ifdef OXSDK_TEST_NAVIGATOR_PATH
TEST_F(OxsdkClientTest, TimeoutWithNavigatorThatNeverAnswers) {
    // Its window appears and the readiness reply never comes; then a command's reply never comes.
    device_.InstallNavigator(
        {OXSDK_TEST_NAVIGATOR_PATH},
        {{"OXSDK_TEST_NAVIGATOR_NAME", "testnav"}, {"OXSDK_TEST_NAVIGATOR_MODE", "silent"}});
    const TRun starting =
        Oxsdk({"--navigator-name", "testnav", "--timeout", "1", "get-route-info"});
    EXPECT_EQ(kTimeout, starting.exitStatus) << starting.err;
    EXPECT_NE(std::string::npos, starting.err.find("starting the navigator")) << starting.err;
    ASSERT_TRUE(device_.NavigatorWindowExists());
    const TRun run =
        Oxsdk({"--navigator-name", "testnav", "--timeout", "0.5", "get-application-version"});
    EXPECT_EQ(kTimeout, run.exitStatus);
    EXPECT_NE(std::string::npos,
              run.err.find("no reply to GetApplicationVersionV01 from \"testnav\""));
    EXPECT_NE(std::string::npos, run.err.find("device root " + device_.root())) << run.err;
}
#endif

#ifdef OXSDK_NAVIGATOR_EMULATOR_PATH
TEST_F(OxsdkClientTest, StartCommandsAndStopWithTheInstalledEmulator) {
    device_.InstallNavigator({OXSDK_NAVIGATOR_EMULATOR_PATH});
    EXPECT_EQ(kNotRunning, Oxsdk({"--no-start", "clear-route"}).exitStatus);
    EXPECT_TRUE(NothingLeft());
    const TRun start = Oxsdk({"--timeout", "60", "start"});
    EXPECT_EQ(kSuccess, start.exitStatus) << start.err;
    EXPECT_EQ("navigator: running\n", Oxsdk({"status"}).out);
    EXPECT_EQ("errorCode: 4 (no route)\n", Oxsdk({"get-route-info"}).out);  // its own code

    // The route exported: as many points as the reply, in degrees, GeoJSON longitude first.
    ASSERT_EQ(kSuccess,
              Oxsdk({"navigate-to-coordinates", "geo:52.0907,5.1214", "Utrecht"}).exitStatus);
    const std::string gpx = device_.root() + "/route.gpx", geoJson = device_.root() + "/route.json";
    const TRun route =
        Oxsdk({"--json", "get-route-coordinates", "--gpx", gpx, "--geojson", geoJson});
    ASSERT_EQ(kSuccess, route.exitStatus) << route.err;
    const json pairs = json::parse(route.out)["record"]["coordinates"];
    const json line = json::parse(ReadFile(geoJson))["geometry"];
    ASSERT_EQ(pairs.size(), line["coordinates"].size());
    ASSERT_GT(pairs.size(), 1u);
    EXPECT_EQ(json::array({4.895168, 52.370216}), line["coordinates"][0]);
    EXPECT_EQ(json::array({5.1214, 52.0907}), line["coordinates"].back());
    EXPECT_NE(std::string::npos, ReadFile(gpx).find("<trkpt lat=\"52.370216\" lon=\"4.895168\"/>"));

    const TRun stop = Oxsdk({"--json", "stop"});
    EXPECT_EQ(kSuccess, stop.exitStatus) << stop.out << stop.err;
    EXPECT_EQ("stopped", json::parse(stop.out)["state"]);
    EXPECT_EQ("navigator: not running\n", Oxsdk({"status"}).out);
}
#endif

using TFields = std::vector<std::string>;

TFields FieldsOf(MOstrelCommunicationLayerInterface& layer) {
    TFields fields;
    for (int i = 0; i < layer.NrReceiveFields(); ++i) fields.push_back(layer.ReceiveField(i));
    return fields;
}

TFields FieldsOf(const json& event) {
    return event.value("fields", json::array());
}

// Answers from a table by wire name.
class ScriptedNavigator : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        const TFields& reply = replies[layer.ReceiveField(0)];
        layer.StartReturnResult(session);
        for (const std::string& field : reply) layer.AppendArgument(field.c_str());
        layer.SendCommand();  // a reply gives no session back
        ++replied;
        return 0;
    }
    std::map<std::string, TFields> replies;
    std::size_t replied = 0;
};

// `oxsdk monitor` against this test's client and navigator, which take a message only once the
// monitor has shown it: one removed sooner would be "vanished".
class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        layer_.reset(COstrelFileLayer::New("watched", "scripted", -1));
        ASSERT_NE(nullptr, layer_);
    }
    void TearDown() override {
        if (monitor_.joinable()) monitor_.join();
    }

    // Starts `oxsdk --json monitor ARGUMENTS`, recording to a file, and waits until it watches.
    void StartMonitor(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {
            OXSDK_CLIENT_PATH,          "--json",     "monitor", "--record",
            device_.root() + "/record", "--duration", "50"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        monitor_ = std::thread([this, argv] { run_ = device_.Run(argv); });
        record_.open(device_.root() + "/record", std::ios::binary);
        ASSERT_TRUE(WaitUntil(kBound, [this] { return Shown("watching") == 1; }));
    }
    // How many events of `kind` the monitor has recorded so far.
    std::size_t Shown(const std::string& kind) {
        if (!record_.is_open()) record_.open(device_.root() + "/record", std::ios::binary);
        record_.clear();
        partial_.append(std::istreambuf_iterator<char>(record_), {});
        for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            ++shown_[json::parse(partial_.substr(0, end))["event"].get<std::string>()];
            partial_.erase(0, end + 1);
        }
        return shown_[kind];
    }
    // The monitor's events after its end, the "watching" line left out.
    std::vector<json> Events() {
        monitor_.join();
        EXPECT_EQ(0, run_.exitStatus) << run_.err;
        EXPECT_EQ(run_.out, ReadFile(device_.root() + "/record"));
        std::vector<json> events;
        std::istringstream lines(run_.out);
        for (std::string line; std::getline(lines, line);) {
            json event = json::parse(line);
            // Each line reads as the JSON library writes it, though written field by field.
            EXPECT_EQ(nlohmann::ordered_json::parse(line).dump(), line);
            if (event["event"] != "watching") events.push_back(event);
        }
        return events;
    }

    void Send(const TFields& fields) {
        layer_->StartSendCommand();
        for (const std::string& field : fields) layer_->AppendArgument(field.c_str());
        MOstrelSession* session = layer_->SendCommand();
        ASSERT_NE(nullptr, session);
        waiting_.push_back(session);
        ++sent_;
    }
    // One turn of the navigator and of the client, each taking only what the monitor has shown.
    void Step() {
        if (Shown("command") == sent_) COstrelFileLayer::ProcessEvents("scripted", navigator_);
        if (Shown("reply") != navigator_.replied) return;
        while (!waiting_.empty() && layer_->ReturnAvailable(waiting_.front()) != 0) {
            layer_->StartReceiveCommand(waiting_.front());
            waiting_.pop_front();
            replies_.push_back(FieldsOf(*layer_));
        }
    }
    void Settle() {
        EXPECT_TRUE(WaitUntil(kBound, [this] {
            Step();
            return waiting_.empty();
        }));
    }

    CTestDevice device_;
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer_;
    ScriptedNavigator navigator_;
    std::deque<MOstrelSession*> waiting_;
    std::size_t sent_ = 0;
    std::vector<TFields> replies_;  // as the client received them
    std::thread monitor_;
    TRun run_;
    std::ifstream record_;
    std::string partial_;
    std::map<std::string, std::size_t> shown_;
};

TEST_F(MonitorTest, DecodesBothDirectionsAsTheyTravelled) {
    navigator_.replies = {{"GetFavoriteV01", {"0", "Home", "", "-3", "12"}},
                          {"FlashMessageV01", {"7"}},
                          {"GetLocationInfoExV01", {"0", "1", "Caf\xc3\xa9 \xe9t\xe9\t\r", ""}}};
    StartMonitor({"--count", "8"});
    const std::vector<TFields> commands = {
        {"GetFavoriteV01", "3"},
        {"FlashMessageV01", "tab\there, return\r, \xc3\xa9 \x01\b\f\"\\", "", "-2147483648"},
        {"GetLocationInfoExV01", "-7", "8"}};
    for (const TFields& command : commands) {
        Send(command);
        Settle();
    }
    // A message removed before its marker appears is read all the same, through the descriptor
    // the monitor opened when it appeared, and up to its first line feed as the navigator reads
    // it; a marker whose message it never saw is "vanished" (and, as events come in order, says
    // that the message before it was opened).
    const std::string folder = device_.root() + "/Ostrel/SdkFileCalls/";
    std::ofstream(folder + "early.scripted.5.1.message") << "Early|x|re\n|y|";
    std::ofstream(folder + "ghost.elsewhere.1.9.finished") << "x";
    ASSERT_TRUE(WaitUntil(kBound, [this] { return Shown("vanished") == 1; }));
    ASSERT_EQ(0, std::remove((folder + "early.scripted.5.1.message").c_str()));
    std::ofstream(folder + "early.scripted.5.1.finished") << "x";

    std::vector<json> events = Events();  // not const: a missing member reads as null
    ASSERT_EQ(8u, events.size()) << run_.out;
    ASSERT_EQ(commands.size(), replies_.size());
    for (std::size_t i = 0; i < commands.size(); ++i) {
        json& command = events[2 * i];
        json& reply = events[2 * i + 1];
        SCOPED_TRACE(command.dump() + "\n" + reply.dump());
        EXPECT_EQ("command", command["event"]);
        EXPECT_EQ("reply", reply["event"]);
        for (json* event : {&command, &reply}) {
            EXPECT_EQ("watched", (*event)["client"]);
            EXPECT_EQ(getpid(), (*event)["pid"]);
            // A layer numbers its commands on from where its process starts them.
            EXPECT_EQ(events[0]["sequence"].get<std::size_t>() + i, (*event)["sequence"]);
            EXPECT_EQ(commands[i][0], (*event)["wireName"]);
        }
        EXPECT_TRUE(reply["latencyMs"].is_number());
        EXPECT_EQ(commands[i], FieldsOf(command));
        if (i != 2) {
            EXPECT_EQ(replies_[i], FieldsOf(reply));
        }
    }
    // Texts that are not UTF-8 come as Latin-1 characters, one per byte.
    EXPECT_EQ("latin-1", events[5]["encoding"]);
    EXPECT_EQ(replies_[2], (TFields{"0", "1", "Caf\xc3\xa9 \xe9t\xe9\t\r", ""}));
    EXPECT_EQ(FieldsOf(events[5]),
              (TFields{"0", "1", "Caf\xc3\x83\xc2\xa9 \xc3\xa9t\xc3\xa9\t\r", ""}));
    EXPECT_EQ("vanished", events[6]["event"]);
    EXPECT_EQ("ghost.elsewhere.1.9.message", events[6]["file"]);
    EXPECT_EQ("command", events[7]["event"]);
    EXPECT_EQ((TFields{"Early", "x"}), FieldsOf(events[7]));
    EXPECT_EQ("re\n", events[7]["rest"]);
}

TEST_F(MonitorTest, SaysWhenEventsWereLostAndListsTheFolderAgain) {
    const int queued = std::atoi(ReadFile("/proc/sys/fs/inotify/max_queued_events").c_str());
    if (queued <= 0 || queued > 100000) GTEST_SKIP() << "event queue of " << queued;
    StartMonitor({"--count", "1"});
    pid_t monitor = -1;  // found by its record file, which only it names
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string commandLine = ReadFile(entry.path().string() + "/cmdline");
        if (commandLine.find(device_.root() + "/record") != std::string::npos &&
            commandLine.find("/usr/bin/env") == std::string::npos) {
            monitor = std::atoi(entry.path().filename().c_str());
        }
    }
    ASSERT_GT(monitor, 0);
    // Stopped, the monitor lets more events pile up than the queue holds.
    ASSERT_EQ(0, kill(monitor, SIGSTOP));
    const std::string folder = device_.root() + "/Ostrel/SdkFileCalls/";
    for (int i = 0; i <= queued; ++i) std::ofstream(folder + "other." + std::to_string(i));
    std::ofstream(folder + "late.nav.1.1.message") << std::string("Late|\0x|", 8);
    std::ofstream(folder + "late.nav.1.1.finished") << "x";
    ASSERT_EQ(0, kill(monitor, SIGCONT));

    std::vector<json> events = Events();
    ASSERT_EQ(2u, events.size()) << run_.out;
    EXPECT_EQ("events-lost", events[0]["event"]);
    EXPECT_EQ("command", events[1]["event"]);
    EXPECT_EQ((TFields{"Late"}), FieldsOf(events[1]));
}

}  // namespace
}  // namespace oxsdk::tools::testing
