// End to end: the real oxsdk-navigator on a temporary emulated device, driven through the
// library's file layer as an application would. What each command answers is shown on the
// command handler (command_handler_test.cc); here its options, its loop, its start and its end.
#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "geo.h"
#include "sample_commands.h"
#include "test_device.h"
#include "track_replay.h"

namespace oxsdk::emulator::testing {
namespace {

using OXSDK5Link::TCommandDescription;
using tools::testing::CTestDevice;
using tools::testing::GonePid;
using tools::testing::kBound;
using tools::testing::WaitUntil;
using TFields = std::vector<std::string>;

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

// Metres from the position in `reply` (latitude and longitude from field 1) to a point.
double Metres(const TFields& reply, std::int32_t latitude, std::int32_t longitude) {
    return DistanceMetres(PointFromMicrodegrees(Field(reply, 1), Field(reply, 2)),
                          PointFromMicrodegrees(latitude, longitude));
}

TEST_F(EmulatorEndToEnd, EveryWireNameGetsAnAcceptedReplyAndTheStopLeavesNothingBehind) {
    // At its start the emulator removes, unanswered, the commands to it of senders that are gone.
    const std::string folder = device_.root() + "/Ostrel/SdkFileCalls/", pid = GonePid();
    const std::string gone = "E2eClient.OstrelNavigator." + pid + ".1.";
    const std::string foreign = "E2eClient.Other." + pid + ".1.";
    std::filesystem::create_directories(folder);
    for (const std::string& name : {gone, foreign}) {
        std::ofstream(folder + name + "message") << "GetApplicationVersionV01|\n";
        std::ofstream(folder + name + "finished");
    }
    const pid_t navigator = Start();
    ASSERT_GT(navigator, 0);
    EXPECT_EQ(Exchange("NoSuchCommandV01"), TFields{"1"});
    for (const TCommandDescription* command : OXSDK5Link::commands::kAll) {
        // The state every sample needs: favourite 1, a point in "Cafes", a route.
        ASSERT_EQ(Exchange("SetFavoriteV01", {"1", "Office", "", "52090700", "5121400"}).at(0),
                  "0");
        ASSERT_EQ(Exchange("AddPoiV01", {"Cafes", "52370000", "4890000", "Cafe", ""}).at(0), "0");
        ASSERT_EQ(Exchange("NavigateToCoordinatesV01", {"52090700", "5121400", "U"}).at(0), "0");
        const std::string name = command->wireName;
        // The shape of every reply is checked by the command handler's fuzzer on the samples.
        const TFields reply = Exchange(name, SampleArguments(name));
        ASSERT_FALSE(reply.empty()) << name << ": no reply";
        EXPECT_EQ(reply[0], "0") << name;
    }
    // The last sample was the stop: the emulator ends cleanly and leaves nothing behind.
    EXPECT_EQ(device_.WaitForExit(navigator), 0);
    EXPECT_FALSE(device_.NavigatorWindowExists());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(device_.root())) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{foreign + "finished", foreign + "message"}));
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
        {{"--device-root", shared},
         4,
         shared + " may be written by other users; make it private: chmod go-w '" + shared + "'"},
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

// The loop drives the position along a replayed track (NMEA, then GPX) and, once it is
// switched on, from the external GPS input; favourites survive a restart.
TEST_F(EmulatorEndToEnd, ReplayGpsInputAndFavouritesAcrossARestart) {
    // Three points about 1 km apart, a minute apart: north, then east.
    std::ofstream(device_.root() + "/track.nmea")
        << "$GPRMC,100000,A,5222.2000,N,00453.7000,E,0,0,010526,,,A\r\n"
           "$GPRMC,100100,A,5222.7400,N,00453.7000,E,0,0,010526,,,A\r\n"
           "$GPRMC,100200,A,5222.7400,N,00454.6000,E,0,0,010526,,,A\r\n";
    std::ofstream(device_.root() + "/track.gpx")
        << R"(<?xml version="1.0"?><gpx version="1.1"><trk><trkseg>
            <trkpt lat="52.37" lon="4.895"><time>2026-05-01T10:00:00Z</time></trkpt>
            <trkpt lat="52.379" lon="4.895"><time>2026-05-01T10:01:00Z</time></trkpt>
            <trkpt lat="52.379" lon="4.91"><time>2026-05-01T10:02:00Z</time></trkpt>
            </trkseg></trk></gpx>)";
    std::filesystem::create_directories(device_.root() + "/Temp");
    std::ofstream(device_.root() + "/Temp/gps-in.nmea")
        << "$GPRMC,120000,A,4851.3960,N,00221.1320,E,54.0,180.0,010526,,,A\r\n";
    for (const bool restarted : {false, true}) {
        const std::string track = restarted && GpxSupported() ? "/track.gpx" : "/track.nmea";
        const pid_t pid = Start({"--replay", device_.root() + track, "--replay-speed", "60",
                                 "--gps-input", "\\Temp\\gps-in.nmea"});
        ASSERT_GT(pid, 0);
        TFields now;
        EXPECT_TRUE(WaitUntil(kBound, [&] {
            now = Position();
            return Metres(now, 52379000, 4910000) < 1.0 && Field(now, 4) == 0;
        })) << track;
        EXPECT_EQ(Field(now, 3), 90) << track;  // heading of the last leg, east
        EXPECT_EQ(Field(now, 5), 1) << track;   // simulated until the input is switched on
        if (!restarted) {
            ASSERT_EQ(Exchange("SetFavoriteV01", {"4", "Home", "Dam 1", "52373080", "4892453"}),
                      TFields{"0"});
        } else {
            EXPECT_EQ(Exchange("GetFavoriteV01", {"4"}),
                      (TFields{"0", "Home", "Dam 1", "52373080", "4892453"}));
            ASSERT_EQ(Exchange("EnableExternalGPSInputV01"), (TFields{"0", "0"}));
            EXPECT_TRUE(WaitUntil(kBound, [&] { return Field(now = Position(), 1) == 48856600; }));
            EXPECT_EQ(now, (TFields{"0", "48856600", "2352200", "180", "100", "2"}));
        }
        ::kill(pid, SIGTERM);
        EXPECT_EQ(device_.WaitForExit(pid), 0);
        EXPECT_FALSE(device_.NavigatorWindowExists());
    }
}

// What each kind of fault answers is shown on the command handler; here the options reach it, a
// delayed reply is sent by the loop when it is due, and an exit fault ends the program.
TEST_F(EmulatorEndToEnd, ScriptedFaultsReachTheApplicationThroughTheLibrary) {
    const pid_t pid =
        Start({"--fault", "GetDataSetInfoV01:delay=300", "--fault", "GetRouteInfoV01:exit"});
    ASSERT_GT(pid, 0);
    static_cast<COstrelFileLayer*>(layer_.get())->SetReplyTimeout(static_cast<int>(kBound * 1000));
    COstrelAPI api(*layer_);
    COstrelAPI::TError error{};
    COstrelAPI::TDataSetInfo info{};
    EXPECT_EQ(api.GetDataSetInfo(&error, &info), 0);  // late, but it comes
    EXPECT_STREQ(info.text1, "Western Europe");
    COstrelAPI::TRouteInfo route{};
    EXPECT_EQ(api.GetRouteInfo(&error, &route), -5);  // the navigator went away
    EXPECT_EQ(device_.WaitForExit(pid), 5);
    EXPECT_FALSE(device_.NavigatorWindowExists());
}

}  // namespace
}  // namespace oxsdk::emulator::testing
