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

using platform::WindowHandle;
using Sleeps = std::vector<std::uint32_t>;
using Texts = std::vector<std::string>;
using Windows = std::vector<WindowHandle>;

constexpr WindowHandle kNavigatorWindow = 0x40;
constexpr WindowHandle kCallerWindow = 0x20;
constexpr char16_t kInstalled[] = u"\\Program Files\\Ostrel\\Ostrel Navigator.exe";
constexpr int kNever = 1 << 30;

// The fake device with the caller in the foreground, and the API over a scripted layer.
struct Device {
    Device() : use(fake), api(layer) {
        ResetNavigatorState();
        fake.SetCurrentForeground(kCallerWindow);
        fake.SetCurrentCursor(7);
    }
    ~Device() { ResetNavigatorState(); }

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
    int Start() { return api.StartApplication(&error); }
    void ExpectCursorRestored() {
        EXPECT_EQ(fake.cursorLog(), (std::vector<platform::CursorHandle>{32514, 7}));
    }

    platform::FakePlatform fake;
    platform::ScopedPlatform use;
    testing::ScriptedLayer layer;
    COstrelAPI api;
    COstrelAPI::TError error{99};
    bool started = false;
    int testsAfterStart = 0;
};

TEST(StartApplicationTest, RunningNavigatorIsLeftAloneAndNothingChanges) {
    Device d;
    d.fake.SetWindow(u"AldernWinClass", kNavigatorWindow);
    d.fake.AddFile(kInstalled);
    EXPECT_EQ(d.Start(), 0);
    EXPECT_EQ(d.error.errorCode, 0);
    EXPECT_TRUE(d.layer.calls().empty());
    EXPECT_TRUE(d.fake.cursorLog().empty());
    EXPECT_TRUE(d.fake.foregroundRequests().empty());
    EXPECT_TRUE(d.fake.startedProcesses().empty());
    EXPECT_TRUE(d.fake.sleeps().empty());
    EXPECT_EQ(State().navigatorWindow, kNavigatorWindow);
}

TEST(StartApplicationTest, StartsWaitsForTheWindowHandshakesAndGivesTheForegroundBack) {
    for (int missingTests : {3, 5000}) {  // the window at the 5001st test, the last, counts
        Device d;
        d.InstallNavigator(missingTests);
        d.layer.QueueReply("0|");
        EXPECT_EQ(d.Start(), 0);
        EXPECT_EQ(d.error.errorCode, 0);
        EXPECT_EQ(d.fake.startedProcesses(), std::vector<std::u16string>{kInstalled});
        EXPECT_EQ(d.fake.sleeps(), Sleeps(missingTests, 5));
        EXPECT_EQ(d.layer.calls(), (Texts{"StartSendCommand", "AppendArgument", "SendCommand",
                                          "ReturnAvailable", "StartReceiveCommand"}));
        EXPECT_EQ(d.layer.sent(), Texts{"BringNavigatorToForegroundV01|"});
        EXPECT_EQ(d.layer.liveSessions(), 0);
        // The owned-windows form: the handle with its lowest bit set.
        EXPECT_EQ(d.fake.foregroundRequests(), Windows{kCallerWindow | 1});
        EXPECT_EQ(State().navigatorWindow, kNavigatorWindow);
        d.ExpectCursorRestored();
    }
    Device d;  // with no foreground window at the start, none is given back
    d.fake.SetCurrentForeground(0);
    d.InstallNavigator(0);
    d.layer.QueueReply("0|");
    EXPECT_EQ(d.Start(), 0);
    EXPECT_TRUE(d.fake.foregroundRequests().empty());
}

TEST(StartApplicationTest, LateReadinessReplyIsWaitedForAfterThePollingEnds) {
    Device d;
    d.InstallNavigator(0);
    d.layer.SetReturnAvailable(0);
    d.layer.QueueReply("12|unexpected|");  // whatever the reply says, the navigator has answered
    EXPECT_EQ(d.Start(), 0);
    EXPECT_EQ(d.error.errorCode, 0);
    EXPECT_EQ(d.fake.sleeps(), Sleeps(5001, 5));
    Texts calls = d.layer.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "ReturnAvailable"), 5001);
    EXPECT_EQ(calls.back(), "StartReceiveCommand");
    EXPECT_EQ(d.fake.foregroundRequests(), Windows{kCallerWindow | 1});
}

TEST(StartApplicationTest, FailureIsReportedThroughTheErrorAndRestoresTheCursor) {
    const struct {
        const char* what;
        const char16_t* file;  // other than the navigator; null: the navigator is installed
        int missingTests;
        bool startFails, sendFails;
        int errorCode;
        std::size_t started;
        int pauses;  // of 5 ms, waiting for the window
    } cases[] = {
        {"no executable anywhere", u"\\Docs\\readme.txt", 0, false, false, -5, 0, 0},
        {"no accepted name", u"\\Windows\\calc.exe", 0, false, false, -5, 0, 0},
        {"process not created", nullptr, 0, true, false, -5, 0, 0},
        {"window never shown", nullptr, kNever, false, false, -5, 1, 5001},
        {"readiness command not sent", nullptr, 0, false, true, -1, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Device d;
        if (c.file != nullptr) d.fake.AddFile(c.file);
        if (c.file == nullptr) d.InstallNavigator(c.missingTests);
        if (c.startFails) d.fake.FailStartProcess(platform::Error::kOther);
        d.layer.FailSends(c.sendFails);
        EXPECT_EQ(d.Start(), 0);
        EXPECT_EQ(d.error.errorCode, c.errorCode);
        EXPECT_EQ(d.fake.startedProcesses().size(), c.started);
        EXPECT_EQ(d.fake.sleeps(), Sleeps(c.pauses, 5));
        EXPECT_TRUE(d.layer.sent().empty());
        EXPECT_EQ(d.layer.liveSessions(), 0);
        EXPECT_TRUE(d.fake.foregroundRequests().empty());
        d.ExpectCursorRestored();
    }
}

}  // namespace
}  // namespace oxsdk::navigator
