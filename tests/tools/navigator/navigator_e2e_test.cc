// End to end: the real oxsdk-navigator on a temporary emulated device, driven through the
// library's file layer as an application would. What each command answers is shown on the
// command handler (command_handler_test.cc); here its loop, its start and its end.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/FileLayer.h"
#include "sample_commands.h"
#include "test_device.h"

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

    pid_t Start() {
        return device_.StartNavigator({OXSDK_NAVIGATOR_PATH, "--device-root", device_.root(),
                                       "--gazetteer", OXSDK_NAVIGATOR_DATA, "--log",
                                       device_.root() + "/navigator.log", "--verbose"});
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

    CTestDevice device_;
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer_;
};

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
    const std::string shared = device_.root() + "/shared";  // others may write it
    std::filesystem::create_directories(shared);
    std::filesystem::permissions(shared, std::filesystem::perms::all);
    const struct {
        TFields options;
        int exitStatus;
        std::string says;
    } cases[] = {
        {{"--log", fifo}, 1, fifo + ": a FIFO"},
        {{"--device-root", shared},
         4,
         shared + " may be written by other users; make it private: chmod go-w '" + shared + "'"},
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

}  // namespace
}  // namespace oxsdk::emulator::testing
