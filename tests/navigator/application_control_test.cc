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

namespace oxsdk::navigator {
namespace {

using platform::WindowHandle;
using Cursors = std::vector<platform::CursorHandle>;
using Texts = std::vector<std::string>;

constexpr WindowHandle kNavigatorWindow = 0x40;
const Cursors kBusyThenRestored{32514, 7};  // the wait cursor, then the caller's again

// The fake device with the navigator installed, and the API over a scripted layer.
struct Device {
    Device() : use(fake), api(layer) {
        ResetNavigatorState();
        fake.SetCurrentCursor(7);
        fake.AddFile(u"\\Ostrel Navigator.exe");  // installed, so that a start would succeed
    }
    ~Device() { ResetNavigatorState(); }

    void ShowNavigator() { fake.SetWindow(u"AldernWinClass", kNavigatorWindow); }

    platform::FakePlatform fake;
    platform::ScopedPlatform use;
    testing::ScriptedLayer layer;
    COstrelAPI api;
    COstrelAPI::TError error{99};
};

class ApplicationControlTest : public ::testing::Test, public Device {};

TEST_F(ApplicationControlTest, RunningTestAndForegroundNeitherStartNorSend) {
    EXPECT_EQ(api.IsApplicationRunning(&error), 0);
    EXPECT_EQ(error.errorCode, -5);
    EXPECT_EQ(api.OstrelApplicationToForeground(), -5);
    ShowNavigator();
    EXPECT_EQ(api.IsApplicationRunning(&error), 1);
    EXPECT_EQ(api.OstrelApplicationToForeground(), 0);
    // The owned-windows form: the handle with its lowest bit set.
    EXPECT_EQ(fake.foregroundRequests(), std::vector<WindowHandle>{kNavigatorWindow | 1});
    fake.RemoveWindow(u"AldernWinClass");
    EXPECT_EQ(api.IsApplicationRunning(&error), 0);
    EXPECT_EQ(State().navigatorWindow, 0u);  // every test refreshes the cached window
    EXPECT_TRUE(layer.calls().empty());
    EXPECT_TRUE(fake.startedProcesses().empty());
}

TEST(ApplicationControlTableTest, StopPausesASecondBetweenWindowTestsUnderTheBusyCursor) {
    const struct {
        int closeAtTest;  // the running test before sending is 1, the wait's follow; 0: never
        int pauses;
        int errorCode;
    } cases[] = {{1 + 4, 3, -5}, {0, 11, 0}};
    for (const auto& c : cases) {
        Device t;
        t.ShowNavigator();
        t.layer.QueueReply("0|");
        t.fake.OnFindWindow([&t, &c](const std::u16string&, int call) {
            if (call == c.closeAtTest) t.fake.RemoveWindow(u"AldernWinClass");
        });
        EXPECT_EQ(t.api.StopApplication(&t.error), 0);
        EXPECT_EQ(t.error.errorCode, c.errorCode);
        EXPECT_EQ(t.layer.sent(), Texts{"StopApplicationV01|"});
        EXPECT_EQ(t.fake.sleeps(), std::vector<std::uint32_t>(c.pauses, 1000));
        EXPECT_EQ(t.fake.cursorLog(), kBusyThenRestored);
    }
}

TEST(ApplicationControlTableTest, StopEndsWithoutWaitingWhenNothingWillClose) {
    const struct {
        const char* what;
        bool running, failSend;
        const char* reply;
        int result, errorCode;
    } cases[] = {{"navigator not running", false, false, nullptr, 0, -5},
                 {"command not sent", true, true, nullptr, -1, -1},
                 {"stop refused", true, false, "3|", 0, 3},
                 {"reply of two fields", true, false, "0|extra|", -2, -2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Device t;
        if (c.running) t.ShowNavigator();
        t.layer.FailSends(c.failSend);
        if (c.reply != nullptr) t.layer.QueueReply(c.reply);
        EXPECT_EQ(t.api.StopApplication(&t.error), c.result);
        EXPECT_EQ(t.error.errorCode, c.errorCode);
        EXPECT_TRUE(t.fake.sleeps().empty());
        EXPECT_TRUE(t.fake.cursorLog().empty());
        EXPECT_TRUE(t.fake.startedProcesses().empty());
        EXPECT_EQ(t.layer.liveSessions(), 0);
    }
}

TEST_F(ApplicationControlTest, StopAsyncFormsSendTheBareCommandAndDecodeOneField) {
    MOstrelSession* session = api.StopApplicationAsync(12345);
    EXPECT_EQ(layer.sent(), Texts{"StopApplicationV01|"});
    layer.QueueReply("-7|");
    EXPECT_EQ(api.StopApplicationAsyncRetrieve(session, &error), 0);
    EXPECT_EQ(error.errorCode, -7);
    EXPECT_EQ(layer.liveSessions(), 0);
}

TEST_F(ApplicationControlTest, BusyCursorKeepsTheFirstSavedCursorAndEndsOnce) {
    EndBusyCursor();  // without a beginning: nothing changes
    BeginBusyCursor();
    fake.SetCurrentCursor(55);  // someone else changes the cursor meanwhile
    BeginBusyCursor();          // nested: keeps the first saved cursor
    EndBusyCursor();
    EndBusyCursor();
    EXPECT_EQ(fake.cursorLog(), kBusyThenRestored);
}

}  // namespace
}  // namespace oxsdk::navigator
