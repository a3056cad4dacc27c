// A navigator restarted under the same pid shows a window with the same handle: the reply wait
// of a blocking call still sees a new navigator, which never got the command, and ends with -5.
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
#include "support/exchange_files.h"

namespace oxsdk::navigator {
namespace {

TEST(NavigatorRestartTest, AWindowMadeAnewUnderTheSameHandleEndsTheReplyWait) {
    platform::FakePlatform fake;
    platform::ScopedPlatform use(fake);
    ResetNavigatorState();
    fake.SetWindow(u"AldernWinClass", 0x40);
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("client", "nav", -1));
    COstrelAPI api(*layer);
    testing::EchoNavigator navigator;
    navigator.answer = false;  // the first navigator took the command and is gone
    fake.OnFolderWait([&](const std::u16string&, std::uint32_t) {
        const std::size_t wait = fake.folderWaits().size();
        if (wait > 200) throw std::runtime_error("the reply wait does not end");
        if (wait == 3) fake.RestartWindow(u"AldernWinClass");
        COstrelFileLayer::ProcessEvents("nav", navigator);
    });
    COstrelAPI::TError error{99};
    COstrelAPI::TVersion version{};
    EXPECT_EQ(-5, api.GetApplicationVersion(&error, &version));
    EXPECT_EQ(-5, error.errorCode);
    EXPECT_TRUE(fake.ListFolder(testing::kExchangeFolder).empty());
    ResetNavigatorState();
}

}  // namespace
}  // namespace oxsdk::navigator
