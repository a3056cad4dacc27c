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

}  // namespace
}  // namespace oxsdk::emulator::testing
