// A navigator restarted under the same pid (a supervisor restarting it as pid 1 of its
// namespace) shows a window with the same handle; the reply wait of a blocking call still sees
// a new navigator, which never received the command, and ends with -5.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"
#include "support/echo_navigator.h"

namespace oxsdk::navigator {
namespace {

TEST(NavigatorRestartTest, AWindowMadeAnewUnderTheSameHandleEndsTheReplyWait) {
    const struct {
        const char* what;
        bool restart;  // the window is made anew under its handle at the 3rd folder wait
        int result;    // and error code
    } cases[] = {
        {"restarted under the same pid", true, -5},
        {"the same window all along, the answer comes late", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::FakePlatform fake;
        platform::ScopedPlatform use(fake);
        ResetNavigatorState();
        fake.SetWindow(u"AldernWinClass", 0x40);
        std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
            COstrelFileLayer::New("client", "nav", -1));
        COstrelAPI api(*layer);
        testing::EchoNavigator navigator;
        // Restarted: the first navigator took the command and is gone. Else the navigator
        // takes and answers it late.
        navigator.answer = !c.restart;
        fake.OnFolderWait([&](const std::u16string&, std::uint32_t) {
            const std::size_t wait = fake.folderWaits().size();
            if (wait > 200) throw std::runtime_error("the reply wait does not end");
            if (c.restart && wait == 3) fake.RestartWindow(u"AldernWinClass");
            if (c.restart || wait >= 20) COstrelFileLayer::ProcessEvents("nav", navigator);
        });
        COstrelAPI::TError error{99};
        COstrelAPI::TVersion version{};
        EXPECT_EQ(c.result, api.GetApplicationVersion(&error, &version));
        EXPECT_EQ(c.result, error.errorCode);
        EXPECT_TRUE(fake.ListFolder(u"\\Ostrel\\SdkFileCalls").empty());
        ResetNavigatorState();
    }
}

}  // namespace
}  // namespace oxsdk::navigator
