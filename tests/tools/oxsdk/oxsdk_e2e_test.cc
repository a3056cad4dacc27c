// The oxsdk client as a user runs it: a separate process against a navigator process on a
// temporary emulated device. The scripted navigator gives any reply a test needs and logs what
// arrives; the test navigator answers nothing in its silent mode; the emulator is the navigator
// the library finds and starts.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

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
    // Message files in the exchange folder: commands written and never taken.
    int MessageFiles() const {
        std::error_code error;
        int count = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(device_.root() + "/Ostrel/SdkFileCalls", error)) {
            count += entry.path().extension() == ".message";
        }
        return count;
    }

    CTestDevice device_;
};

// Whether `report` holds every member of `expected` with its value (null: holds no such member).
bool Holds(const json& report, const json& expected) {
    if (!expected.is_object()) return report == expected;
    for (const auto& [name, value] : expected.items()) {
        if (value.is_null() ? report.contains(name)
                            : !report.contains(name) || !Holds(report[name], value)) {
            return false;
        }
    }
    return true;
}

// Subcommands against the scripted navigator: their reports in text or JSON, their exit status,
// and the commands that reach the navigator (none from a refused command line).
TEST_F(OxsdkClientTest, RepliesArgumentsAndUsageErrors) {
    StartScripted(
        "GetFavoriteV01 0|Home||-3|12\nGetFavoriteV01 4\nGetFavoriteV01 0|only one\n"
        "GetRouteCoordinatesV01 0|3|10|20|30|40\nGetRouteCoordinatesV01 0\n"
        "GetLocationInfoExV01 0|1|2|3|Main Street|5|6|Town\nFlashMessageV01 7\n"
        "GetDataSetInfoV01 -3|a|b|1|2");
    const struct {
        TArguments arguments;
        int exitStatus;
        std::string out;  // the whole text report, or with --json members it holds; "": any
    } cases[] = {
        {{"get-favorite", "3"},
         kSuccess,
         "errorCode: 0 (success)\ntext1: \"Home\" (name)\ntext2: \"\" (description)\n"
         "value1: -3 microdegrees = -0.000003 degrees (latitude)\n"
         "value2: 12 microdegrees = 0.000012 degrees (longitude)\n"},
        // An error-only reply to a query leaves no record; a malformed one is a transport failure.
        {{"--json", "get-favorite", "1"},
         kNavigatorError,
         R"({"status": "navigator-error", "exitStatus": 1, "errorCode": 4, "record": null})"},
        {{"--json", "get-favorite", "2"}, kTransport, R"({"result": -2})"},
        {{"get-route-coordinates"},
         kSuccess,
         "errorCode: 0 (success)\ncount: 2 (number of route points)\n"
         "coordinates[0]: 10 20 = 0.000010 0.000020 degrees (latitude longitude)\n"
         "coordinates[1]: 30 40 = 0.000030 0.000040 degrees (latitude longitude)\n"},
        {{"get-route-coordinates"}, kTransport, ""},
        {{"--json", "get-location-info-ex", "-7u", "8u"},
         kSuccess,
         R"({"wireName": "GetLocationInfoExV01", "status": "ok", "exitStatus": 0, "errorCode": 0,
             "replyFieldCount": 8, "record": {"value1": 1, "value2": 2, "value3": 3,
             "text1": "Main Street", "value4": 5, "value5": 6, "text2": "Town"}})"},
        {{"flash-message", "hello", "0"},
         kNavigatorError,
         "errorCode: 7 (point of interest not found)\n"},
        // A full reply with a non-zero code: the record is filled all the same.
        {{"--json", "get-data-set-info"}, kNavigatorError, R"({"record": {"text1": "a"}})"},
        // Numbers, texts and a geo: pair travel as the library sends them, as do the longest names
        // that fit together. What each form converts to is shown by CommandLineTest.ArgumentForms.
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
        if (c.arguments[0] == "--json") {
            EXPECT_TRUE(Holds(json::parse(run.out), json::parse(c.out)));
        } else {
            EXPECT_EQ(c.out, run.out);
        }
    }
    EXPECT_NE(std::string::npos,
              Scripted({"get-rout-info"}).err.find("did you mean 'get-route-info'?"));
    EXPECT_EQ(
        "GetFavoriteV01|3\nGetFavoriteV01|1\nGetFavoriteV01|2\nGetRouteCoordinatesV01\n"
        "GetRouteCoordinatesV01\nGetLocationInfoExV01|-7|8\nFlashMessageV01|hello|0\n"
        "GetDataSetInfoV01\nNavigateToCoordinatesV01|-2147483648|42|tab\there, return\r, \xc3\xa9\n"
        "EnableRawGPSOutputV01|\nNavigateToCoordinatesV01|-1500000|2000000|-x\n"
        "ClearRouteV01\n",
        Received());
    EXPECT_EQ(0, MessageFiles());
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
    fs::create_directory(folder + "/dir.OstrelNavigator." + gone + ".6.message");

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
    EXPECT_TRUE(fs::is_directory(folder + "/dir.OstrelNavigator." + gone + ".6.message"));
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
TEST_F(OxsdkClientTest, DeviceOthersMayWriteIsRefusedWithTheFix) {
    const std::string exchange = device_.root() + "/Ostrel/SdkFileCalls";
    std::filesystem::create_directories(exchange);
    std::filesystem::permissions(exchange, std::filesystem::perms::all);
    const TRun run = Oxsdk({"status"});
    EXPECT_EQ(run.exitStatus, kTransport);
    EXPECT_NE(run.err.find("oxsdk: the device folder " + exchange +
                           " may be written by other users; make it private: chmod go-w '" +
                           exchange + "'"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Oxsdk({"list"}).exitStatus, kSuccess);  // nothing on the device is used
}

TEST_F(OxsdkClientTest, TimeoutWithNavigatorThatNeverAnswers) {
    // The library starts it, sees its window and waits for the readiness reply in vain; then
    // it runs, and a command waits for its reply in vain.
    device_.InstallNavigator(
        {OXSDK_TEST_NAVIGATOR_PATH},
        {{"OXSDK_TEST_NAVIGATOR_NAME", "testnav"}, {"OXSDK_TEST_NAVIGATOR_MODE", "silent"}});
    const TRun starting =
        Oxsdk({"--navigator-name", "testnav", "--timeout", "1", "get-route-info"});
    EXPECT_EQ(kTimeout, starting.exitStatus) << starting.err;
    EXPECT_NE(std::string::npos, starting.err.find("starting the navigator")) << starting.err;
    ASSERT_TRUE(device_.NavigatorWindowExists());
    const TRun run = Oxsdk(
        {"--navigator-name", "testnav", "--timeout", "0.5", "--json", "get-application-version"});
    EXPECT_EQ(kTimeout, run.exitStatus);
    EXPECT_EQ("timeout", json::parse(run.out)["status"]);
    for (const std::string& said :
         {std::string("no reply to GetApplicationVersionV01 from \"testnav\""),
          std::string("--navigator-name"), std::string("oxsdk status"),
          "device root " + device_.root()}) {
        EXPECT_NE(std::string::npos, run.err.find(said)) << run.err;
    }
}
#endif

#ifdef OXSDK_NAVIGATOR_EMULATOR_PATH
TEST_F(OxsdkClientTest, StartCommandsAndStopWithTheInstalledEmulator) {
    device_.InstallNavigator({OXSDK_NAVIGATOR_EMULATOR_PATH});
    const TRun notStarted = Oxsdk({"--no-start", "--json", "clear-route"});
    EXPECT_EQ(kNotRunning, notStarted.exitStatus);
    EXPECT_EQ("not-running", json::parse(notStarted.out)["status"]);
    EXPECT_EQ(0, MessageFiles());
    const TRun start = Oxsdk({"--timeout", "60", "start"});
    EXPECT_EQ(kSuccess, start.exitStatus) << start.err;
    EXPECT_EQ("navigator: running\n", Oxsdk({"status"}).out);
    // No route is planned yet: the emulator refuses with a code of its own, named.
    const TRun noRoute = Oxsdk({"get-route-info"});
    EXPECT_EQ(kNavigatorError, noRoute.exitStatus);
    EXPECT_EQ("errorCode: 4 (no route)\n", noRoute.out);
    const json unknown = json::parse(Oxsdk({"--json", "geocode", "", "Nowhereville", ""}).out);
    EXPECT_EQ(3, unknown["errorCode"]);
    EXPECT_EQ("unknown place", unknown["errorMeaning"]);
    // Members with their meanings: the emulator starts on Dam square.
    const json where = json::parse(Oxsdk({"--json", "get-current-position"}).out);
    EXPECT_EQ(4895168, where["record"]["value2"]);
    EXPECT_EQ(4.895168, where["meanings"]["value2"]["degrees"]);
    EXPECT_EQ("simulated receiver", where["meanings"]["value5"]["valueName"]);

    // The route exported parses back: as many points as the reply, in degrees, GeoJSON
    // longitude first.
    ASSERT_EQ(kSuccess,
              Oxsdk({"navigate-to-coordinates", "geo:52.0907,5.1214", "Utrecht"}).exitStatus);
    const std::string gpx = device_.root() + "/route.gpx", geoJson = device_.root() + "/route.json";
    const TRun route =
        Oxsdk({"--json", "get-route-coordinates", "--gpx", gpx, "--geojson", geoJson});
    ASSERT_EQ(kSuccess, route.exitStatus) << route.err;
    const json pairs = json::parse(route.out)["record"]["coordinates"];
    const json line = json::parse(ReadFile(geoJson))["geometry"];
    EXPECT_EQ("LineString", line["type"]);
    ASSERT_EQ(pairs.size(), line["coordinates"].size());
    ASSERT_GT(pairs.size(), 1u);
    EXPECT_EQ(json::array({4.895168, 52.370216}), line["coordinates"][0]);
    EXPECT_EQ(json::array({5.1214, 52.0907}), line["coordinates"].back());
    const std::string track = ReadFile(gpx);
    EXPECT_NE(std::string::npos, track.find("<gpx version=\"1.1\""));
    EXPECT_NE(std::string::npos, track.find("<trkpt lat=\"52.370216\" lon=\"4.895168\"/>"));
    std::size_t points = 0;
    for (std::size_t at = 0; (at = track.find("<trkpt ", at)) != std::string::npos; ++at) ++points;
    EXPECT_EQ(pairs.size(), points);

    const TRun stop = Oxsdk({"--json", "stop"});
    EXPECT_EQ(kSuccess, stop.exitStatus) << stop.out << stop.err;
    EXPECT_EQ(false, json::parse(stop.out)["running"]);
    EXPECT_EQ("stopped", json::parse(stop.out)["state"]);
    for (const char* command : {"status", "stop", "foreground"}) {
        EXPECT_EQ(kNotRunning, Oxsdk({command}).exitStatus) << command;
    }
    EXPECT_EQ("navigator: not running\n", Oxsdk({"status"}).out);
}
#endif

}  // namespace
}  // namespace oxsdk::tools::testing
