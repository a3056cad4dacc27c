// The blocking command forms end to end on the fake device: the real file layer on the client
// side, and COstrelFileLayer::ProcessEvents answering as the navigator whenever the client
// pauses. Whatever the navigator has not taken stays in the exchange folder, so the commands it
// received and an empty folder together count every command file the client wrote.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"

namespace oxsdk::navigator {
namespace {

using platform::FakePlatform;
using Texts = std::vector<std::string>;

constexpr platform::WindowHandle kNavigatorWindow = 0x40;
constexpr char16_t kInstalled[] = u"\\Storage Card\\Nav\\ZEV Izizararar.exe";

// The navigator's command handler: answers "0", and a version for the version query.
class Navigator : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        received.push_back(layer.ReceiveField(0));
        layer.StartReturnResult(session);
        layer.AppendArgument("0");
        if (received.back() == "GetApplicationVersionV01") {
            layer.AppendArgument("9.1");
            layer.AppendArgument("77");
        }
        layer.SendCommand();
        return 0;
    }
    Texts received;
};

class BlockingFormTest : public ::testing::Test {
protected:
    BlockingFormTest() : use(fake), layer(COstrelFileLayer::New("client", "nav", -1)), api(*layer) {
        ResetNavigatorState();
        // The navigator takes one pass over the exchange folder whenever the client pauses.
        fake.OnSleep([this](std::uint32_t) { COstrelFileLayer::ProcessEvents("nav", navigator); });
        fake.OnFolderWait([this](const std::u16string&, std::uint32_t) {
            COstrelFileLayer::ProcessEvents("nav", navigator);
        });
        std::strcpy(version.versionText, "old");
    }
    ~BlockingFormTest() override { ResetNavigatorState(); }

    void InstallNavigator() {
        fake.AddFile(kInstalled);
        fake.OnStartProcess(
            [this](const std::u16string&) { fake.SetWindow(u"AldernWinClass", kNavigatorWindow); });
    }
    int GetVersion() { return api.GetApplicationVersion(&error, &version); }
    void ExpectCommands(const Texts& commands) {
        EXPECT_EQ(navigator.received, commands);
        EXPECT_TRUE(fake.ListFolder(u"\\Ostrel\\SdkFileCalls").empty());
    }

    FakePlatform fake;
    platform::ScopedPlatform use;
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer;
    COstrelAPI api;
    Navigator navigator;
    COstrelAPI::TError error{99};
    COstrelAPI::TVersion version{};
};

TEST_F(BlockingFormTest, RunningNavigatorGetsExactlyOneCommandFile) {
    fake.SetWindow(u"AldernWinClass", kNavigatorWindow);
    EXPECT_EQ(GetVersion(), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_STREQ(version.versionText, "9.1");
    EXPECT_EQ(version.versionNumber, 77);
    EXPECT_TRUE(fake.startedProcesses().empty());
    ExpectCommands({"GetApplicationVersionV01"});
}

TEST_F(BlockingFormTest, NavigatorNotRunningIsStartedAndHandshakenBeforeTheCommand) {
    InstallNavigator();
    EXPECT_EQ(GetVersion(), 0);
    EXPECT_EQ(version.versionNumber, 77);
    EXPECT_EQ(fake.startedProcesses(), std::vector<std::u16string>{kInstalled});
    ExpectCommands({"BringNavigatorToForegroundV01", "GetApplicationVersionV01"});
}

TEST_F(BlockingFormTest, StartThatFindsNoNavigatorSendsNothing) {
    fake.AddFile(u"\\Windows\\calc.exe");
    EXPECT_EQ(GetVersion(), -1);
    EXPECT_EQ(error.errorCode, -5);
    COstrelAPI::TRouteCoordinates route{};
    error.errorCode = 99;
    EXPECT_EQ(api.GetRouteCoordinates(&error, &route), -2);  // the one form that says -2 here
    EXPECT_EQ(error.errorCode, -5);
    EXPECT_STREQ(version.versionText, "old");
    ExpectCommands({});
}

TEST_F(BlockingFormTest, ReadinessCommandThatCannotBeSentGivesMinusOneAndSendsNothing) {
    InstallNavigator();
    fake.InjectFault(platform::FakeOperation::kCreateForWriting, u"", platform::Error::kOther,
                     FakePlatform::kAlways);
    EXPECT_EQ(GetVersion(), -1);
    EXPECT_EQ(error.errorCode, -1);
    EXPECT_EQ(fake.startedProcesses().size(), 1u);
    EXPECT_STREQ(version.versionText, "old");
    ExpectCommands({});
}

}  // namespace
}  // namespace oxsdk::navigator
