// The COstrelAPI operations that start, test and bring forward the navigator, over the
// fake device and a scripted layer: the search, the launch, the bounded waits (as recorded
// sleeps), the readiness handshake, and what is left on the screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/busy_cursor.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"
#include "support/scripted_layer.h"

namespace oxsdk::navigator {
namespace {

using platform::WindowHandle;
using Cursors = std::vector<platform::CursorHandle>;
using Sleeps = std::vector<std::uint32_t>;
using Texts = std::vector<std::string>;
using Windows = std::vector<WindowHandle>;

constexpr WindowHandle kNavigatorWindow = 0x40;
constexpr WindowHandle kCallerWindow = 0x20;
constexpr char16_t kInstalled[] = u"\\Program Files\\Ostrel\\Ostrel Navigator.exe";
constexpr int kNever = 1 << 30;
const Cursors kBusyThenRestored{32514, 7};  // the wait cursor, then the caller's again

// The fake device with the caller in the foreground, and the API over a scripted layer.
struct Device {
    Device() : use(fake), api(layer) {
        ResetNavigatorState();
        fake.SetCurrentForeground(kCallerWindow);
        fake.SetCurrentCursor(7);
    }
    ~Device() { ResetNavigatorState(); }

    void ShowNavigator() { fake.SetWindow(u"AldernWinClass", kNavigatorWindow); }
    // Installs the navigator; once started, it shows its window at the test that follows
    // `missingTests` tests without it (the running tests are counted from the launch on).
    void InstallNavigator(int missingTests) {
        fake.AddFile(kInstalled);
        fake.OnStartProcess([this](const std::u16string&) { started = true; });
        fake.OnFindWindow([this, missingTests](const std::u16string&, int) {
            if (started && testsAfterStart++ == missingTests) ShowNavigator();
        });
    }
    int Start() { return api.StartApplication(&error); }

    platform::FakePlatform fake;
    platform::ScopedPlatform use;
    testing::ScriptedLayer layer;
    COstrelAPI api;
    COstrelAPI::TError error{99};
    bool started = false;
    int testsAfterStart = 0;
};

TEST(ApplicationControlTest, RunningTestForegroundAndStartOfARunningNavigatorSendNothing) {
    Device d;
    d.fake.AddFile(kInstalled);  // installed, so that a start would succeed
    EXPECT_EQ(d.api.IsApplicationRunning(&d.error), 0);
    EXPECT_EQ(d.error.errorCode, -5);
    EXPECT_EQ(d.api.OstrelApplicationToForeground(), -5);
    d.ShowNavigator();
    EXPECT_EQ(d.api.IsApplicationRunning(&d.error), 1);
    EXPECT_EQ(d.Start(), 0);
    EXPECT_EQ(d.error.errorCode, 0);
    EXPECT_EQ(State().navigatorWindow, kNavigatorWindow);
    EXPECT_TRUE(d.fake.cursorLog().empty());
    EXPECT_TRUE(d.fake.sleeps().empty());
    EXPECT_EQ(d.api.OstrelApplicationToForeground(), 0);
    // The owned-windows form: the handle with its lowest bit set.
    EXPECT_EQ(d.fake.foregroundRequests(), Windows{kNavigatorWindow | 1});
    d.fake.RemoveWindow(u"AldernWinClass");
    EXPECT_EQ(d.api.IsApplicationRunning(&d.error), 0);
    EXPECT_EQ(State().navigatorWindow, 0u);  // every test refreshes the cached window
    EXPECT_TRUE(d.layer.calls().empty());
    EXPECT_TRUE(d.fake.startedProcesses().empty());
}

// The start waits for the window in pauses of 5 ms, then polls for the readiness reply as long
// (a late reply is waited for), and gives the foreground back to the caller, if it had it.
TEST(ApplicationControlTest, StartWaitsForTheWindowHandshakesAndGivesTheForegroundBack) {
    const struct {
        int missingTests;  // before the window shows; the window at the 5001st test counts
        bool lateReply;    // not yet there while polling
        WindowHandle foreground;
        const char* reply;  // whatever it says, the navigator has answered
    } cases[] = {{3, false, kCallerWindow, "0|"},
                 {5000, false, kCallerWindow, "0|"},
                 {0, true, kCallerWindow, "12|unexpected|"},
                 {0, false, 0, "0|"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.missingTests);
        Device d;
        d.fake.SetCurrentForeground(c.foreground);
        d.InstallNavigator(c.missingTests);
        d.layer.SetReturnAvailable(c.lateReply ? 0 : 1);
        d.layer.QueueReply(c.reply);
        EXPECT_EQ(d.Start(), 0);
        EXPECT_EQ(d.error.errorCode, 0);
        EXPECT_EQ(d.fake.startedProcesses(), std::vector<std::u16string>{kInstalled});
        EXPECT_EQ(d.fake.sleeps(), Sleeps(c.lateReply ? 5001 : c.missingTests, 5));
        Texts calls{"StartSendCommand", "AppendArgument", "SendCommand"};
        calls.insert(calls.end(), c.lateReply ? 5001 : 1, "ReturnAvailable");
        calls.push_back("StartReceiveCommand");
        EXPECT_EQ(d.layer.calls(), calls);
        EXPECT_EQ(d.layer.sent(), Texts{"BringNavigatorToForegroundV01|"});
        EXPECT_EQ(d.layer.liveSessions(), 0);
        EXPECT_EQ(d.fake.foregroundRequests(),
                  c.foreground != 0 ? Windows{kCallerWindow | 1} : Windows{});
        EXPECT_EQ(State().navigatorWindow, kNavigatorWindow);
        EXPECT_EQ(d.fake.cursorLog(), kBusyThenRestored);
    }
}

TEST(ApplicationControlTest, StartFailureIsReportedThroughTheErrorAndRestoresTheCursor) {
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
        EXPECT_EQ(d.fake.cursorLog(), kBusyThenRestored);
    }
}

TEST(ApplicationControlTest, BusyCursorKeepsTheFirstSavedCursorAndEndsOnce) {
    Device d;
    EndBusyCursor();  // without a beginning: nothing changes
    BeginBusyCursor();
    d.fake.SetCurrentCursor(55);  // someone else changes the cursor meanwhile
    BeginBusyCursor();            // nested: keeps the first saved cursor
    EndBusyCursor();
    EndBusyCursor();
    EXPECT_EQ(d.fake.cursorLog(), kBusyThenRestored);
}

}  // namespace
}  // namespace oxsdk::navigator
