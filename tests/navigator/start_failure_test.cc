// Why a start failed, as COstrelAPI::GetLastStartFailure reports it after each way a start can
// end, over the fake device and a scripted layer; StartApplication's codes stay those it always
// gave.
#include <gtest/gtest.h>

#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"
#include "support/scripted_layer.h"

namespace oxsdk::navigator {
namespace {

constexpr char16_t kFoundProgram[] = u"\\Program Files\\Ostrel\\Ostrel Navigator.exe";

TEST(StartFailureTest, EachWayAStartEndsIsNamedWithTheExecutableFound) {
    const struct {
        const char* what;
        const char16_t* file;  // installed on the device
        bool startFails, windowShows, sendFails;
        int errorCode;
        int cause;
        const char* executable;
    } cases[] = {
        {"nothing installed", u"\\Docs\\readme.txt", false, false, false, -5,
         COstrelAPI::EStartNoExecutable, ""},
        {"process not created", kFoundProgram, true, false, false, -5, COstrelAPI::EStartLaunchFailed,
         "\\Program Files\\Ostrel\\Ostrel Navigator.exe"},
        {"window never shown", kFoundProgram, false, false, false, -5, COstrelAPI::EStartNoWindow,
         "\\Program Files\\Ostrel\\Ostrel Navigator.exe"},
        {"readiness command not sent", kFoundProgram, false, true, true, -1,
         COstrelAPI::EStartNotReady, "\\Program Files\\Ostrel\\Ostrel Navigator.exe"},
        {"started", kFoundProgram, false, true, false, 0, COstrelAPI::EStartSucceeded, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetNavigatorState();
        platform::FakePlatform fake;
        platform::ScopedPlatform use(fake);
        testing::ScriptedLayer layer;
        COstrelAPI api(layer);
        fake.AddFile(c.file);
        if (c.startFails) fake.FailStartProcess(platform::Error::kAccessDenied);
        if (c.windowShows) {
            fake.OnStartProcess(
                [&fake](const std::u16string&) { fake.SetWindow(u"AldernWinClass", 0x40); });
        }
        layer.FailSends(c.sendFails);
        if (!c.sendFails) layer.QueueReply("0|");
        COstrelAPI::TError error{99};
        EXPECT_EQ(api.StartApplication(&error), 0);
        EXPECT_EQ(error.errorCode, c.errorCode);
        COstrelAPI::TStartFailure failure{};
        EXPECT_EQ(COstrelAPI::GetLastStartFailure(&failure), c.cause);
        EXPECT_EQ(failure.cause, c.cause);
        EXPECT_STREQ(failure.searchedFolder, "\\");
        EXPECT_STREQ(failure.executable, c.executable);
    }
    ResetNavigatorState();
}

}  // namespace
}  // namespace oxsdk::navigator
