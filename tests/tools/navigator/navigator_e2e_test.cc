// End to end: the real oxsdk-navigator on a temporary emulated device, driven through the
// library's file layer as an application would.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "sample_commands.h"
#include "test_device.h"

namespace oxsdk::emulator::testing {
namespace {

using OXSDK5Link::EReplyShape;
using OXSDK5Link::TCommandDescription;
using tools::testing::CTestDevice;
using tools::testing::kBound;
using tools::testing::WaitUntil;
using TFields = std::vector<std::string>;

// Metres between two points in microdegrees; a flat approximation, good for short distances.
double Metres(std::int32_t lat1, std::int32_t lon1, std::int32_t lat2, std::int32_t lon2) {
    const double perMicrodegree = 0.111195, radians = 3.14159265358979 / 180e6;
    return std::hypot((lat2 - lat1) * perMicrodegree,
                      (lon2 - lon1) * perMicrodegree * std::cos(lat1 * radians));
}

// Metres from a point to the nearest segment of a track, all in microdegrees (flat, as Metres).
double MetresFromTrack(std::int32_t lat, std::int32_t lon,
                       const std::vector<std::pair<std::int32_t, std::int32_t>>& track) {
    double nearest = 1e12;
    for (std::size_t i = 1; i < track.size(); ++i) {
        const auto [lat1, lon1] = track[i - 1];
        const auto [lat2, lon2] = track[i];
        const double dLat = lat2 - lat1, dLon = lon2 - lon1;
        const double t = std::clamp(
            ((lat - lat1) * dLat + (lon - lon1) * dLon) / std::max(1.0, dLat * dLat + dLon * dLon),
            0.0, 1.0);
        nearest = std::min(nearest, Metres(lat, lon, static_cast<std::int32_t>(lat1 + t * dLat),
                                           static_cast<std::int32_t>(lon1 + t * dLon)));
    }
    return nearest;
}

class EmulatorEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        layer_.reset(COstrelFileLayer::New("E2eClient", "OstrelNavigator", -1));
        ASSERT_NE(layer_, nullptr);
    }

    pid_t Start(const TFields& options = {}) {
        TFields argv = {OXSDK_NAVIGATOR_PATH,
                        "--device-root",
                        device_.root(),
                        "--gazetteer",
                        OXSDK_NAVIGATOR_DATA,
                        "--log",
                        device_.root() + "/navigator.log",
                        "--verbose"};
        argv.insert(argv.end(), options.begin(), options.end());
        return device_.StartNavigator(argv);
    }

    // Sends a command by its wire fields and returns the reply's fields (empty: no reply).
    TFields Exchange(const std::string& wireName, const TFields& arguments = {}) {
        layer_->StartSendCommand();
        layer_->AppendArgument(wireName.c_str());
        for (const std::string& argument : arguments) layer_->AppendArgument(argument.c_str());
        MOstrelSession* session = layer_->SendCommand();
        if (session == nullptr ||
            !WaitUntil(kBound, [&] { return layer_->ReturnAvailable(session) != 0; })) {
            return {};
        }
        layer_->StartReceiveCommand(session);
        TFields fields;
        for (int i = 0; i < layer_->NrReceiveFields(); ++i)
            fields.push_back(layer_->ReceiveField(i));
        return fields;
    }

    TFields Position() { return Exchange("GetCurrentPositionV01"); }

    CTestDevice device_;
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer_;
};

std::int32_t Field(const TFields& reply, std::size_t index) {
    return index < reply.size() ? static_cast<std::int32_t>(std::stol(reply[index])) : -999;
}

TEST_F(EmulatorEndToEnd, EveryWireNameGetsAnAcceptedReplyAndTheStopLeavesNothingBehind) {
    const pid_t pid = Start();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(Exchange("NoSuchCommandV01"), TFields{"1"});
    for (const TCommandDescription* command : OXSDK5Link::commands::kAll) {
        // The state every sample needs: favourite 1, a point in "Cafes", a route.
        ASSERT_EQ(Exchange("SetFavoriteV01", {"1", "Office", "", "52090700", "5121400"}).at(0),
                  "0");
        ASSERT_EQ(Exchange("AddPoiV01", {"Cafes", "52370000", "4890000", "Cafe", ""}).at(0), "0");
        ASSERT_EQ(Exchange("NavigateToCoordinatesV01", {"52090700", "5121400", "U"}).at(0), "0");
        const std::string name = command->wireName;
        const TFields reply = Exchange(name, kSampleArguments.at(name));
        ASSERT_FALSE(reply.empty()) << name << ": no reply";
        EXPECT_EQ(reply[0], "0") << name;
        if (command->replyShape != EReplyShape::Fixed) {
            EXPECT_EQ(reply.size(), 2 + 2 * static_cast<std::size_t>(Field(reply, 1))) << name;
            continue;
        }
        ASSERT_EQ(static_cast<int>(reply.size()), 1 + command->replyFieldCount) << name;
        for (std::size_t i = 1; i < reply.size(); ++i) {
            if (command->replyFields[i - 1].kind == OXSDK5Link::EFieldKind::Text) {
                EXPECT_LT(reply[i].size(), command->replyFields[i - 1].capacity) << name;
            }
        }
    }
    // The last sample was the stop: the emulator ends cleanly and leaves nothing behind.
    EXPECT_EQ(device_.WaitForExit(pid), 0);
    EXPECT_FALSE(device_.NavigatorWindowExists());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(device_.root())) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

TEST_F(EmulatorEndToEnd, FavouritesSurviveARestart) {
    const pid_t pid = Start();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(Exchange("SetFavoriteV01", {"4", "Home", "Dam 1", "52373080", "4892453"}),
              TFields{"0"});
    ::kill(pid, SIGTERM);
    EXPECT_EQ(device_.WaitForExit(pid), 0);
    EXPECT_FALSE(device_.NavigatorWindowExists());

    ASSERT_GT(Start(), 0);
    EXPECT_EQ(Exchange("GetFavoriteV01", {"4"}),
              (TFields{"0", "Home", "Dam 1", "52373080", "4892453"}));
}

TEST_F(EmulatorEndToEnd, RouteRunsFromTheCurrentPositionToTheDestination) {
    ASSERT_GT(Start({"--time-scale", "0"}), 0);
    const TFields position = Position();
    ASSERT_EQ(Exchange("NavigateToCoordinatesV01", {"48856600", "2352200", "Paris"}), TFields{"0"});
    const TFields route = Exchange("GetRouteCoordinatesV01");
    ASSERT_EQ(Field(route, 0), 0);
    const std::int32_t count = Field(route, 1);
    EXPECT_GT(count, 2000);  // about 430 km in steps of 100-200 m
    ASSERT_EQ(route.size(), 2 + 2 * static_cast<std::size_t>(count));
    EXPECT_LT(Metres(Field(route, 2), Field(route, 3), Field(position, 1), Field(position, 2)),
              50.0);
    EXPECT_LT(
        Metres(Field(route, route.size() - 2), Field(route, route.size() - 1), 48856600, 2352200),
        50.0);
}

TEST_F(EmulatorEndToEnd, PositionMovesWhileNavigating) {
    ASSERT_GT(Start({"--time-scale", "60"}), 0);
    const TFields start = Position();
    ASSERT_EQ(Exchange("NavigateToCoordinatesV01", {"52090700", "5121400", "U"}), TFields{"0"});
    EXPECT_TRUE(WaitUntil(kBound, [&] {
        const TFields now = Position();
        return Metres(Field(start, 1), Field(start, 2), Field(now, 1), Field(now, 2)) > 100.0;
    }));
    EXPECT_GT(Field(Position(), 4), 0);  // km/h
    const TFields info = Exchange("GetRouteInfoV01");
    EXPECT_GT(Field(info, 5), 100);                              // travelled
    EXPECT_EQ(Field(info, 3) + Field(info, 5), Field(info, 1));  // remaining + travelled
}

TEST_F(EmulatorEndToEnd, StartUpErrorsSayWhatIsWrong) {
    const std::string fifo = device_.root() + "/log.fifo";  // no reader: an open would block
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string blocked = device_.root() + "/blocked";  // its window registry is a file
    std::filesystem::create_directories(blocked);
    std::ofstream(blocked + "/.windows") << "";
    const std::string shared = device_.root() + "/shared";  // others may write it
    std::filesystem::create_directories(shared);
    std::filesystem::permissions(shared, std::filesystem::perms::all);
    const struct {
        TFields options;
        int exitStatus;
        std::string says;
    } cases[] = {
        {{"--log", fifo}, 1, fifo + ": a FIFO"},
        {{"--device-root", blocked}, 3, "cannot register it in " + blocked + "/.windows"},
        {{"--device-root", shared}, 4, shared + " may be written by other users; make it private: chmod go-w '" + shared + "'"},
        {{"--time-scale", "1e308"}, 1, "--time-scale"},
        {{"--time-scale", "nan"}, 1, "--time-scale"},
        {{"--name", std::string(206, 'n')}, 1, "1 to 205 characters"},
    };
    for (const auto& test : cases) {
        TFields argv = {OXSDK_NAVIGATOR_PATH, "--gazetteer", OXSDK_NAVIGATOR_DATA};
        argv.insert(argv.end(), test.options.begin(), test.options.end());
        const tools::testing::TRun run = device_.Run(argv);
        EXPECT_EQ(run.exitStatus, test.exitStatus) << test.says;
        EXPECT_NE(run.err.find(test.says), std::string::npos) << run.err;
    }
}

TEST_F(EmulatorEndToEnd, CommandsOfGoneSendersAreRemovedAtStartUnanswered) {
    const pid_t child = ::fork();  // a process number that no process has once reaped
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string folder = device_.root() + "/Ostrel/SdkFileCalls/";
    const std::string gone = "E2eClient.OstrelNavigator." + std::to_string(child) + ".1.";
    const std::string foreign = "E2eClient.Other." + std::to_string(child) + ".1.";
    std::filesystem::create_directories(folder);
    for (const std::string& name : {gone, foreign}) {
        std::ofstream(folder + name + "message") << "GetApplicationVersionV01|\n";
        std::ofstream(folder + name + "finished");
    }
    ASSERT_GT(Start(), 0);
    EXPECT_EQ(Exchange("GetApplicationVersionV01").at(0), "0");  // a live sender's is answered
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{foreign + "finished", foreign + "message"}));
}

TEST_F(EmulatorEndToEnd, ReplayedGpxAndNmeaTracksDriveTheReportedPosition) {
    // Three points about 1 km apart, a minute apart: north, then east.
    const std::vector<std::pair<std::int32_t, std::int32_t>> track = {
        {52370000, 4895000}, {52379000, 4895000}, {52379000, 4910000}};
    std::string gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\"><trk><trkseg>";
    std::string nmea;
    for (std::size_t i = 0; i < track.size(); ++i) {
        const double lat = track[i].first / 1e6, lon = track[i].second / 1e6;
        char point[160];
        std::snprintf(
            point, sizeof point,
            "<trkpt lat=\"%.6f\" lon=\"%.6f\"><time>2026-05-01T10:0%zu:00Z</time></trkpt>", lat,
            lon, i);
        gpx += point;
        std::snprintf(point, sizeof point,
                      "$GPRMC,100%zu00,A,%02d%07.4f,N,%03d%07.4f,E,0,0,010526,,,A\r\n", i,
                      static_cast<int>(lat), (lat - static_cast<int>(lat)) * 60,
                      static_cast<int>(lon), (lon - static_cast<int>(lon)) * 60);
        nmea += point;
    }
    gpx += "</trkseg></trk></gpx>\n";
    for (const auto& [name, text] : {std::pair{"track.gpx", gpx}, std::pair{"track.nmea", nmea}}) {
#if !OXSDK_NAVIGATOR_HAVE_PUGIXML
        if (std::string(name) == "track.gpx") continue;
#endif
        const std::string path = device_.root() + "/" + name;
        std::ofstream(path) << text;
        const pid_t pid = Start({"--replay", path, "--replay-speed", "60"});
        ASSERT_GT(pid, 0);
        TFields now;
        const bool arrived = WaitUntil(kBound, [&] {
            now = Position();
            EXPECT_LT(MetresFromTrack(Field(now, 1), Field(now, 2), track), 1.0) << name;
            return Metres(Field(now, 1), Field(now, 2), track[2].first, track[2].second) < 1.0 &&
                   Field(now, 4) == 0;
        });
        EXPECT_TRUE(arrived) << name << ": " << (now.size() > 2 ? now[1] + " " + now[2] : "");
        EXPECT_EQ(Field(now, 3), 90) << name;  // heading of the last leg, east
        ::kill(pid, SIGTERM);
        EXPECT_EQ(device_.WaitForExit(pid), 0);
    }
}

TEST_F(EmulatorEndToEnd, ExternalGpsInputReadsAnNmeaFileOnTheDevice) {
    std::filesystem::create_directories(device_.root() + "/Temp");
    std::ofstream(device_.root() + "/Temp/gps-in.nmea")
        << "$GPRMC,120000,A,4851.3960,N,00221.1320,E,54.0,180.0,010526,,,A\r\n";
    ASSERT_GT(Start({"--gps-input", "\\Temp\\gps-in.nmea"}), 0);
    EXPECT_EQ(Field(Position(), 5), 1);  // simulated until the input is switched on
    ASSERT_EQ(Exchange("EnableExternalGPSInputV01"), (TFields{"0", "0"}));
    TFields now;
    EXPECT_TRUE(WaitUntil(kBound, [&] { return Field(now = Position(), 1) == 48856600; }));
    EXPECT_EQ(now, (TFields{"0", "48856600", "2352200", "180", "100", "2"}));
}

TEST_F(EmulatorEndToEnd, ScriptedFaultsReachTheApplicationThroughTheLibrary) {
    const pid_t pid =
        Start({"--fault", "GetApplicationVersionV01:code=3:once", "--fault",
               "GetApplicationVersionV01:malformed:once", "--fault", "GetUniqueDeviceIdV01:never",
               "--fault", "GetDataSetInfoV01:delay=300", "--fault", "GetRouteInfoV01:exit"});
    ASSERT_GT(pid, 0);
    COstrelFileLayer& layer = *static_cast<COstrelFileLayer*>(layer_.get());
    layer.SetReplyTimeout(static_cast<int>(kBound * 1000));  // no test waits for ever
    COstrelAPI api(*layer_);
    COstrelAPI::TError error{};
    COstrelAPI::TVersion version{};
    EXPECT_EQ(api.GetApplicationVersion(&error, &version), 0);
    EXPECT_EQ(error.errorCode, 3);
    EXPECT_EQ(api.GetApplicationVersion(&error, &version), -2);  // a field short
    EXPECT_EQ(api.GetApplicationVersion(&error, &version), 0);   // both used up
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_STREQ(version.versionText, "5.2.0-emu");
    COstrelAPI::TDataSetInfo info{};
    EXPECT_EQ(api.GetDataSetInfo(&error, &info), 0);  // late, but it comes
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_STREQ(info.text1, "Western Europe");

    layer.SetReplyTimeout(300);
    COstrelAPI::TDeviceId id{};
    EXPECT_EQ(api.GetUniqueDeviceId(&error, &id), -6);  // never answered: the deadline ends it
    EXPECT_EQ(error.errorCode, -6);
    EXPECT_EQ(api.GetApplicationVersion(&error, &version), 0);  // and the rest is served
    EXPECT_EQ(error.errorCode, 0);

    layer.SetReplyTimeout(static_cast<int>(kBound * 1000));
    COstrelAPI::TRouteInfo route{};
    EXPECT_EQ(api.GetRouteInfo(&error, &route), -5);  // the navigator went away
    EXPECT_EQ(device_.WaitForExit(pid), 5);
    EXPECT_FALSE(device_.NavigatorWindowExists());
}

}  // namespace
}  // namespace oxsdk::emulator::testing
