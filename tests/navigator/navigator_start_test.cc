// StartApplication over the fake device and a scripted layer: the search, the launch, the
// bounded waits (as recorded sleeps), the readiness handshake, and what is left on the screen.
#include "navigator/navigator_start.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"
#include "support/scripted_layer.h"

namespace oxsdk::navigator {
namespace {

using platform::CursorHandle;
using platform::FakePlatform;
using platform::WindowHandle;
using Sleeps = std::vector<std::uint32_t>;
using Texts = std::vector<std::string>;

constexpr WindowHandle kNavigatorWindow = 0x40;
constexpr WindowHandle kCallerWindow = 0x20;
constexpr CursorHandle kCallerCursor = 7;
constexpr CursorHandle kWaitCursor = 32514;
constexpr char16_t kInstalled[] = u"\\Program Files\\Ostrel\\Ostrel Navigator.exe";
constexpr char kHandshake[] = "BringNavigatorToForegroundV01|";

class StartApplicationTest : public ::testing::Test {
protected:
    StartApplicationTest() : use(fake), api(layer) {
        ResetNavigatorState();
        fake.SetCurrentForeground(kCallerWindow);
        fake.SetCurrentCursor(kCallerCursor);
    }
    ~StartApplicationTest() override { ResetNavigatorState(); }

    // The started navigator shows its window at the test that follows `missingTests` tests
    // without it (the running tests are counted from the launch on).
    void InstallNavigator(int missingTests) {
        fake.AddFile(kInstalled);
        fake.OnStartProcess([this](const std::u16string&) { started = true; });
        fake.OnFindWindow([this, missingTests](const std::u16string&, int) {
            if (started && testsAfterStart++ == missingTests) {
                fake.SetWindow(u"AldernWinClass", kNavigatorWindow);
            }
        });
    }

    int Start() {
        error.errorCode = 99;
        return api.StartApplication(&error);
    }

    void ExpectCursorRestored() {
        EXPECT_EQ(fake.cursorLog(), (std::vector<CursorHandle>{kWaitCursor, kCallerCursor}));
        EXPECT_EQ(fake.GetCursor(), kCallerCursor);
    }

    FakePlatform fake;
    platform::ScopedPlatform use;
    testing::ScriptedLayer layer;
    COstrelAPI api;
    COstrelAPI::TError error{};
    bool started = false;
    int testsAfterStart = 0;
};

TEST_F(StartApplicationTest, RunningNavigatorIsLeftAloneAndNothingChanges) {
    fake.SetWindow(u"AldernWinClass", kNavigatorWindow);
    fake.AddFile(kInstalled);

    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_TRUE(layer.calls().empty());
    EXPECT_TRUE(fake.cursorLog().empty());
    EXPECT_TRUE(fake.foregroundRequests().empty());
    EXPECT_TRUE(fake.startedProcesses().empty());
    EXPECT_TRUE(fake.sleeps().empty());
    EXPECT_EQ(fake.findWindowCalls(), 1);
    EXPECT_EQ(State().navigatorWindow, kNavigatorWindow);
}

TEST_F(StartApplicationTest, StartsWaitsForTheWindowHandshakesAndGivesTheForegroundBack) {
    InstallNavigator(3);
    layer.QueueReply("0|");

    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_EQ(fake.startedProcesses(), std::vector<std::u16string>{kInstalled});
    EXPECT_EQ(fake.sleeps(), Sleeps(3, 5));
    EXPECT_EQ(layer.sent(), Texts{kHandshake});
    EXPECT_EQ(layer.calls(), (Texts{"StartSendCommand", "AppendArgument", "SendCommand",
                                    "ReturnAvailable", "StartReceiveCommand"}));
    EXPECT_EQ(layer.liveSessions(), 0);
    // The owned-windows form: the handle with its lowest bit set.
    EXPECT_EQ(fake.foregroundRequests(), std::vector<WindowHandle>{kCallerWindow | 1});
    EXPECT_EQ(fake.GetForegroundWindow(), kCallerWindow);
    EXPECT_EQ(State().navigatorWindow, kNavigatorWindow);
    ExpectCursorRestored();
}

TEST_F(StartApplicationTest, WindowThatNeverAppearsEndsTheWaitAfter5001Pauses) {
    InstallNavigator(1 << 30);

    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(error.errorCode, -5);
    EXPECT_EQ(fake.sleeps(), Sleeps(5001, 5));
    EXPECT_EQ(fake.findWindowCalls(), 1 + 5001);  // the first test, then one after each pause
    EXPECT_TRUE(layer.calls().empty());
    EXPECT_TRUE(fake.foregroundRequests().empty());
    EXPECT_EQ(State().navigatorWindow, 0u);
    ExpectCursorRestored();
}

TEST_F(StartApplicationTest, WindowAtTheLastTestStillCounts) {
    InstallNavigator(5000);
    layer.QueueReply("0|");
    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_EQ(fake.sleeps(), Sleeps(5000, 5));
}

TEST_F(StartApplicationTest, LateReadinessReplyIsWaitedForAfterThePollingEnds) {
    InstallNavigator(0);
    layer.SetReturnAvailable(0);
    layer.QueueReply("12|unexpected|");  // whatever the reply says, the navigator has answered

    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_EQ(fake.sleeps(), Sleeps(5001, 5));
    Texts calls = layer.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "ReturnAvailable"), 5001);
    EXPECT_EQ(calls.back(), "StartReceiveCommand");
    EXPECT_EQ(layer.liveSessions(), 0);
    EXPECT_EQ(fake.foregroundRequests(), std::vector<WindowHandle>{kCallerWindow | 1});
    ExpectCursorRestored();
}

TEST_F(StartApplicationTest, NoForegroundWindowAtTheStartMeansNoneIsGivenBack) {
    fake.SetCurrentForeground(0);
    InstallNavigator(0);
    layer.QueueReply("0|");
    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_TRUE(fake.foregroundRequests().empty());
}

enum class Fault { kNoExecutable, kNoAcceptedName, kStartFails, kNoWindow, kHandshakeNotSent };

struct FailureCase {
    const char* what;
    Fault fault;
    int errorCode;
    bool started;
};

class StartFailureTest : public StartApplicationTest,
                         public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartFailureTest, ReportsThroughTheErrorAndRestoresTheCursor) {
    const FailureCase& c = GetParam();
    SCOPED_TRACE(c.what);
    switch (c.fault) {
        case Fault::kNoExecutable:
            fake.AddFile(u"\\Docs\\readme.txt");
            break;
        case Fault::kNoAcceptedName:
            fake.AddFile(u"\\Windows\\calc.exe");
            break;
        case Fault::kStartFails:
            InstallNavigator(0);
            fake.FailStartProcess(platform::Error::kOther);
            break;
        case Fault::kNoWindow:
            InstallNavigator(1 << 30);
            break;
        case Fault::kHandshakeNotSent:
            InstallNavigator(0);
            layer.FailSends(true);
            break;
    }

    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(error.errorCode, c.errorCode);
    EXPECT_EQ(fake.startedProcesses().size(), c.started ? 1u : 0u);
    EXPECT_TRUE(layer.sent().empty());
    EXPECT_EQ(layer.liveSessions(), 0);
    EXPECT_TRUE(fake.foregroundRequests().empty());
    ExpectCursorRestored();
}

INSTANTIATE_TEST_SUITE_P(
    Exits, StartFailureTest,
    ::testing::Values(FailureCase{"no executable anywhere", Fault::kNoExecutable, -5, false},
                      FailureCase{"no accepted name", Fault::kNoAcceptedName, -5, false},
                      FailureCase{"process not created", Fault::kStartFails, -5, false},
                      FailureCase{"window never shown", Fault::kNoWindow, -5, true},
                      FailureCase{"readiness command not sent", Fault::kHandshakeNotSent, -1,
                                  true}));

TEST_F(StartApplicationTest, EarlierRecordedPathIsLaunchedWhenTheNewSearchRecordsNone) {
    InstallNavigator(0);
    layer.QueueReply("0|");
    ASSERT_EQ(Start(), 0);
    ASSERT_EQ(error.errorCode, 0);

    // The navigator closes, and its folder can no longer be listed: the next search meets
    // another program only, and the path recorded before is started again.
    fake.RemoveWindow(u"AldernWinClass");
    fake.InjectFault(platform::FakeOperation::kFindFirst, u"\\Program Files\\Ostrel\\*.exe",
                     platform::Error::kOther);
    fake.AddFile(u"\\Windows\\calc.exe");
    started = false;
    testsAfterStart = 0;
    layer.QueueReply("0|");

    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_EQ(fake.startedProcesses(), (std::vector<std::u16string>{kInstalled, kInstalled}));
}

TEST_F(StartApplicationTest, EarlierRecordedPathThatIsGoneGivesNotRunning) {
    InstallNavigator(0);
    layer.QueueReply("0|");
    ASSERT_EQ(Start(), 0);

    fake.RemoveWindow(u"AldernWinClass");
    ASSERT_EQ(fake.DeleteFile(kInstalled), platform::Error::kNone);
    fake.AddFile(u"\\Windows\\calc.exe");
    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(error.errorCode, -5);
    EXPECT_EQ(std::u16string(State().navigatorPath), kInstalled);
    EXPECT_EQ(fake.startedProcesses().size(), 1u);
}

}  // namespace
}  // namespace oxsdk::navigator
