// The COstrelAPI operations that test, bring forward and stop the navigator, over the fake
// device and a scripted layer; the stop wait is checked as recorded pauses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/busy_cursor.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"
#include "support/scripted_layer.h"
#include "transport/sleep_microseconds.h"

namespace oxsdk::navigator {
namespace {

using platform::CursorHandle;
using platform::FakePlatform;
using platform::WindowHandle;
using Cursors = std::vector<CursorHandle>;
using Sleeps = std::vector<std::uint32_t>;
using Texts = std::vector<std::string>;

constexpr WindowHandle kNavigatorWindow = 0x40;
constexpr CursorHandle kCallerCursor = 7;
constexpr CursorHandle kWaitCursor = 32514;

class ApplicationControlTest : public ::testing::Test {
protected:
    ApplicationControlTest() : use(fake), api(layer) {
        ResetNavigatorState();
        fake.SetCurrentCursor(kCallerCursor);
    }
    ~ApplicationControlTest() override { ResetNavigatorState(); }

    void ShowNavigator() { fake.SetWindow(u"AldernWinClass", kNavigatorWindow); }
    // The navigator's window is gone from the running test numbered `test` on (1 = first).
    void CloseNavigatorAtTest(int test) {
        fake.OnFindWindow([this, test](const std::u16string&, int call) {
            if (call == test) fake.RemoveWindow(u"AldernWinClass");
        });
    }

    FakePlatform fake;
    platform::ScopedPlatform use;
    testing::ScriptedLayer layer;
    COstrelAPI api;
    COstrelAPI::TError error{99};
};

TEST_F(ApplicationControlTest, IsApplicationRunningFollowsTheWindow) {
    EXPECT_EQ(api.IsApplicationRunning(&error), 0);
    EXPECT_EQ(error.errorCode, -5);
    EXPECT_EQ(State().navigatorWindow, 0u);

    ShowNavigator();
    EXPECT_EQ(api.IsApplicationRunning(&error), 1);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_EQ(State().navigatorWindow, kNavigatorWindow);

    fake.RemoveWindow(u"AldernWinClass");
    EXPECT_EQ(api.IsApplicationRunning(&error), 0);
    EXPECT_EQ(State().navigatorWindow, 0u);  // every test refreshes the cached window
    EXPECT_TRUE(layer.calls().empty());
}

TEST_F(ApplicationControlTest, ToForegroundBringsTheWindowForwardWithItsOwnedWindows) {
    ShowNavigator();
    EXPECT_EQ(api.OstrelApplicationToForeground(), 0);
    EXPECT_EQ(fake.foregroundRequests(), std::vector<WindowHandle>{kNavigatorWindow | 1});
    EXPECT_EQ(fake.shownWindows(),
              (std::vector<std::pair<WindowHandle, int>>{{kNavigatorWindow, 1}}));
}

TEST_F(ApplicationControlTest, ToForegroundWithoutNavigatorNeitherStartsNorChangesAnything) {
    fake.AddFile(u"\\Ostrel Navigator.exe");
    EXPECT_EQ(api.OstrelApplicationToForeground(), -5);
    EXPECT_TRUE(fake.foregroundRequests().empty());
    EXPECT_TRUE(fake.shownWindows().empty());
    EXPECT_TRUE(fake.startedProcesses().empty());
    EXPECT_TRUE(layer.calls().empty());
}

TEST_F(ApplicationControlTest, GpsFeedFileIsAlwaysMinusOne) {
    EXPECT_EQ(api.GetGPSFeedFile(), -1);
    ShowNavigator();
    EXPECT_EQ(api.GetGPSFeedFile(), -1);
    EXPECT_EQ(fake.findWindowCalls(), 0);
}

TEST_F(ApplicationControlTest, StopWithoutNavigatorSendsNothing) {
    fake.AddFile(u"\\Ostrel Navigator.exe");
    EXPECT_EQ(api.StopApplication(&error), 0);
    EXPECT_EQ(error.errorCode, -5);
    EXPECT_TRUE(layer.calls().empty());
    EXPECT_TRUE(fake.startedProcesses().empty());
    EXPECT_TRUE(fake.sleeps().empty());
}

TEST_F(ApplicationControlTest, StopWhoseWindowGoesAtTheFourthTestPausesThreeTimes) {
    ShowNavigator();
    layer.QueueReply("0|");
    CloseNavigatorAtTest(1 + 4);  // the running test before sending, then the wait's tests

    EXPECT_EQ(api.StopApplication(&error), 0);
    EXPECT_EQ(error.errorCode, -5);
    EXPECT_EQ(layer.sent(), Texts{"StopApplicationV01|"});
    EXPECT_EQ(fake.sleeps(), Sleeps(3, 1000));
    EXPECT_EQ(fake.findWindowCalls(), 5);
    EXPECT_EQ(fake.cursorLog(), (Cursors{kWaitCursor, kCallerCursor}));
    EXPECT_EQ(State().busyCursorActive, 0);
}

TEST_F(ApplicationControlTest, StopWhoseWindowStaysEndsAfterElevenPauses) {
    ShowNavigator();
    layer.QueueReply("0|");

    EXPECT_EQ(api.StopApplication(&error), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_EQ(fake.sleeps(), Sleeps(11, 1000));
    EXPECT_EQ(fake.findWindowCalls(), 1 + 11);  // no test after the 11th pause
    EXPECT_EQ(fake.cursorLog(), (Cursors{kWaitCursor, kCallerCursor}));
    EXPECT_EQ(fake.GetCursor(), kCallerCursor);
}

struct StopReplyCase {
    const char* what;
    bool failSend;
    const char* reply;
    int result;
    int errorCode;
};

class StopWithoutWaitTest : public ApplicationControlTest,
                            public ::testing::WithParamInterface<StopReplyCase> {};

TEST_P(StopWithoutWaitTest, EndsWithoutWaitingOrBusyCursor) {
    const StopReplyCase& c = GetParam();
    SCOPED_TRACE(c.what);
    ShowNavigator();
    layer.FailSends(c.failSend);
    if (c.reply != nullptr) layer.QueueReply(c.reply);

    EXPECT_EQ(api.StopApplication(&error), c.result);
    EXPECT_EQ(error.errorCode, c.errorCode);
    EXPECT_TRUE(fake.sleeps().empty());
    EXPECT_TRUE(fake.cursorLog().empty());
    EXPECT_EQ(layer.liveSessions(), 0);
    EXPECT_EQ(fake.findWindowCalls(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, StopWithoutWaitTest,
                         ::testing::Values(StopReplyCase{"command not sent", true, nullptr, -1, -1},
                                           StopReplyCase{"stop refused", false, "3|", 0, 3},
                                           StopReplyCase{"reply of two fields", false, "0|extra|",
                                                         -2, -2},
                                           StopReplyCase{"reply of no fields", false, "", -2, -2}));

TEST_F(ApplicationControlTest, StopAsyncFormsSendTheBareCommandAndDecodeOneField) {
    MOstrelSession* session = api.StopApplicationAsync(12345);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(layer.sent(), Texts{"StopApplicationV01|"});
    layer.QueueReply("-7|");
    EXPECT_EQ(api.StopApplicationAsyncRetrieve(session, &error), 0);
    EXPECT_EQ(error.errorCode, -7);
    EXPECT_EQ(layer.liveSessions(), 0);

    error.errorCode = 99;
    std::size_t callsBefore = layer.calls().size();
    EXPECT_EQ(api.StopApplicationAsyncRetrieve(nullptr, &error), -1);
    EXPECT_EQ(error.errorCode, -1);
    EXPECT_EQ(layer.calls().size(), callsBefore);  // a null session does not reach the layer
}

TEST_F(ApplicationControlTest, BusyCursorKeepsTheFirstSavedCursorAndEndsOnce) {
    EndBusyCursor();  // without a beginning: nothing changes
    EXPECT_TRUE(fake.cursorLog().empty());

    BeginBusyCursor();
    fake.SetCurrentCursor(55);  // someone else changes the cursor meanwhile
    BeginBusyCursor();          // nested: keeps the first saved cursor
    EXPECT_EQ(State().savedCursor, kCallerCursor);
    EndBusyCursor();
    EndBusyCursor();
    EXPECT_EQ(fake.cursorLog(), (Cursors{kWaitCursor, kCallerCursor}));
    EXPECT_EQ(State().busyCursorActive, 0);
    EXPECT_EQ(State().savedCursor, 0u);
}

TEST_F(ApplicationControlTest, SleepMicrosecondsTruncatesToMilliseconds) {
    for (std::int32_t microseconds : {999, 1000, 1999, 1000000, 0}) {
        transport::SleepMicroseconds(microseconds);
    }
    EXPECT_EQ(fake.sleeps(), (Sleeps{0, 1, 1, 1000, 0}));
}

}  // namespace
}  // namespace oxsdk::navigator
