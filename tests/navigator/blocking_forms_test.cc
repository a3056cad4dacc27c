// The blocking command forms end to end on the fake device: the real file layer on the client
// side, and COstrelFileLayer::ProcessEvents answering as the navigator whenever the client
// pauses. Whatever the navigator has not taken stays in the exchange folder, so the commands it
// received and an empty folder together count every command file the client wrote.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"
#include "support/echo_navigator.h"

namespace oxsdk::navigator {
namespace {

using platform::FakePlatform;
using Texts = std::vector<std::string>;

constexpr platform::WindowHandle kNavigatorWindow = 0x40;
constexpr char16_t kInstalled[] = u"\\Storage Card\\Nav\\ZEV Izizararar.exe";

// The navigator's command handler: answers "0", and a version for the version query.
class Navigator : public testing::EchoNavigator {
public:
    void Answer(MOstrelCommunicationLayerInterface& layer, const Texts& fields) override {
        layer.AppendArgument("0");
        if (fields.empty() || fields[0] != "GetApplicationVersionV01") return;
        layer.AppendArgument("9.1");
        layer.AppendArgument("77");
    }
};

class BlockingFormTest : public ::testing::Test {
public:
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
        Texts received;
        for (const Texts& f : navigator.received) received.push_back(f.empty() ? "" : f[0]);
        EXPECT_EQ(received, commands);
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

// Every reply wait ends once the navigator's window, present as the wait began, is gone (-5),
// or at the layer's deadline (-6); the record stays as it was, the session is released and the
// command is withdrawn. A navigator without a window keeps the unbounded wait.
TEST_F(BlockingFormTest, ReplyWaitsEndWhenTheNavigatorGoesOrAtTheDeadline) {
    struct Case {
        const char* what;
        bool silent;       // the navigator takes the command and never answers
        bool processes;    // the navigator takes commands at all
        bool window;       // the navigator has a window
        int timeout;       // reply timeout of the layer, ms
        int goneAtWait;    // the window goes at this folder wait (0: never)
        int answerAtWait;  // a navigator that processes answers from this wait on
        std::function<int(BlockingFormTest&)> call;
        int result;
        int errorCode;
    } cases[] = {
        {"blocking, command taken, window goes", true, true, true, 0, 3, 0,
         [](BlockingFormTest& t) { return t.GetVersion(); }, -5, -5},
        {"blocking, command never taken, window goes", false, false, true, 0, 3, 0,
         [](BlockingFormTest& t) { return t.GetVersion(); }, -5, -5},
        {"retrieve, window goes", true, true, true, 0, 5, 0,
         [](BlockingFormTest& t) {
             return t.api.GetApplicationVersionAsyncRetrieve(t.api.GetApplicationVersionAsync(1),
                                                             &t.error, &t.version);
         },
         -5, -5},
        {"route retrieve, window goes", true, true, true, 0, 2, 0,
         [](BlockingFormTest& t) {
             COstrelAPI::TRouteCoordinates route{};
             return t.api.GetRouteCoordinatesAsyncRetrieve(t.api.GetRouteCoordinatesAsync(1),
                                                           &t.error, &route);
         },
         -5, -5},
        {"stop, window goes unanswered", true, true, true, 0, 4, 0,
         [](BlockingFormTest& t) { return t.api.StopApplication(&t.error); }, -5, -5},
        {"deadline, navigator stays silent", true, true, true, 1000, 0, 0,
         [](BlockingFormTest& t) { return t.GetVersion(); }, -6, -6},
        {"no window: waits until the late answer", false, true, false, 0, 0, 40,
         [](BlockingFormTest& t) {
             return t.api.GetApplicationVersionAsyncRetrieve(t.api.GetApplicationVersionAsync(1),
                                                             &t.error, &t.version);
         },
         0, 0},
        {"answer comes as the window goes", false, true, true, 0, 6, 6,
         [](BlockingFormTest& t) { return t.GetVersion(); }, 0, 0},
    };
    struct Scene : BlockingFormTest {
        void TestBody() override {}
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene t;
        t.navigator.answer = !c.silent;
        if (c.window) t.fake.SetWindow(u"AldernWinClass", kNavigatorWindow);
        static_cast<COstrelFileLayer*>(t.layer.get())->SetReplyTimeout(c.timeout);
        t.fake.OnFolderWait([&](const std::u16string&, std::uint32_t) {
            const int wait = static_cast<int>(t.fake.folderWaits().size());
            if (wait > 200) throw std::runtime_error("the reply wait does not end");
            if (c.goneAtWait != 0 && wait == c.goneAtWait) t.fake.RemoveWindow(u"AldernWinClass");
            if (c.processes && wait >= c.answerAtWait)
                COstrelFileLayer::ProcessEvents("nav", t.navigator);
        });
        const int result = c.call(t);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.errorCode, t.error.errorCode);
        EXPECT_STREQ(result == 0 ? "9.1" : "old", t.version.versionText);
        EXPECT_TRUE(t.fake.ListFolder(u"\\Ostrel\\SdkFileCalls").empty());
        EXPECT_LT(t.fake.folderWaits().size(), 50u);
    }
}

}  // namespace
}  // namespace oxsdk::navigator
