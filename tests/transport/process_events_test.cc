#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "platform/fake/fake_platform.h"
#include "support/echo_navigator.h"
#include "support/exchange_files.h"

namespace {

using oxsdk::platform::FakePlatform;
using oxsdk::platform::ScopedPlatform;

using oxsdk::testing::EchoNavigator;
using oxsdk::testing::InExchange;
using oxsdk::testing::kMarker;
using Names = std::vector<std::u16string>;
const std::u16string& kEventsFolder = oxsdk::testing::kExchangeFolder;

class ProcessEventsTest : public ::testing::Test {
protected:
    ProcessEventsTest() {
        // The pass never waits; should it ever, fail instead of hanging (the pass drops the
        // command at hand when this throws).
        fake_.OnSleep([this](std::uint32_t) {
            waited_ = true;
            throw std::runtime_error("ProcessEvents waited");
        });
    }
    ~ProcessEventsTest() override { EXPECT_FALSE(waited_) << "ProcessEvents waited"; }
    void AddCommand(const std::string& stem, const std::string& text, bool withMessage = true) {
        if (withMessage) fake_.AddFile(InExchange(stem + ".message"), text + '\0');
        fake_.AddFile(InExchange(stem + ".finished"), kMarker);
    }

    FakePlatform fake_;
    ScopedPlatform use_{fake_};
    EchoNavigator handler_;
    bool waited_ = false;
};

// Each reply's name carries its command's sequence number. A handler that throws loses its
// command, not the pass: the next command is served, and the layer and sessions of the dropped
// one are released (the asan preset checks for leaks).
TEST_F(ProcessEventsTest, EveryCommandOfOnePassIsReceivedRemovedAndAnsweredInItsSpelling) {
    struct Throwing : EchoNavigator {
        int HandleCommand(MOstrelCommunicationLayerInterface& layer,
                          MOstrelSession* session) override {
            EchoNavigator::HandleCommand(layer, session);
            if (received.size() == 2) throw std::bad_alloc();
            return 0;
        }
    } throwing;
    AddCommand("app.nav.1234.7", "EchoV01|x|");
    AddCommand("app.NAV.1234.9", "EchoV01|");  // the receiver is matched without case
    AddCommand(".nav.55.1", "EchoV01|z|");
    COstrelFileLayer::ProcessEvents("nav", throwing);
    ASSERT_EQ(3u, throwing.received.size());
    EXPECT_EQ((std::vector<std::string>{"EchoV01", "x"}), throwing.received[0]);
    EXPECT_EQ(
        fake_.ListFolder(kEventsFolder),
        (Names{u"nav.app.1234.7.message", u"nav.app.1234.7.finished", u"NAV.app.1234.9.message",
               u"NAV.app.1234.9.finished", u"nav..55.1.message", u"nav..55.1.finished"}));
    EXPECT_EQ(std::string("0|x|\0", 5), fake_.FileContents(InExchange("nav.app.1234.7.message")));
    EXPECT_EQ(std::string("0|z|\0", 5), fake_.FileContents(InExchange("nav..55.1.message")));
    EXPECT_EQ(kMarker, fake_.FileContents(InExchange("nav.app.1234.7.finished")));
}

TEST_F(ProcessEventsTest, MarkersWithoutMessageAreRemovedAfterTheGracePeriod) {
    fake_.AddFile(InExchange("app.nav.1234.2.finished"), kMarker);
    fake_.AddFile(InExchange("app.other.1234.3.finished"), kMarker);
    fake_.AddFile(InExchange("app.nav.1234.9.message"), "x");  // a message without marker
    fake_.WaitForFolderChange(u"", 1);
    fake_.AddFile(InExchange("app.nav.1234.1.finished"), kMarker);
    fake_.WaitForFolderChange(u"", COstrelFileLayer::kOrphanMarkerGraceMilliseconds);
    handler_.answer = false;
    COstrelFileLayer::ProcessEvents("nav", handler_);
    // Marker 1 has stood exactly the grace period: it is handed over as a command without
    // fields, and stays.
    EXPECT_EQ(1u, handler_.received.size());
    EXPECT_EQ(fake_.ListFolder(kEventsFolder),
              (Names{u"app.other.1234.3.finished", u"app.nav.1234.9.message",
                     u"app.nav.1234.1.finished"}));
}

}  // namespace
