// The file exchange under faults that leave no trace of their own. The navigator is
// ProcessEvents on the same fake device, run whenever the client waits.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "platform/fake/fake_platform.h"
#include "support/echo_navigator.h"
#include "support/exchange_files.h"

namespace {

using oxsdk::platform::Error;
using oxsdk::platform::FakeOperation;
using oxsdk::platform::FakePlatform;
using oxsdk::platform::ScopedPlatform;
using oxsdk::testing::InExchange;
using oxsdk::testing::kExchangeFolder;
using oxsdk::testing::ReceivedFields;
using Layer = std::unique_ptr<MOstrelCommunicationLayerInterface>;
using Texts = std::vector<std::string>;

Layer NewLayer(const char* local, int pid, int replyTimeout) {
    Layer layer(COstrelFileLayer::New(local, "nav", pid));
    static_cast<COstrelFileLayer*>(layer.get())->SetReplyTimeout(replyTimeout);
    return layer;
}

MOstrelSession* Send(MOstrelCommunicationLayerInterface& layer, const char* argument) {
    layer.StartSendCommand();
    layer.AppendArgument("EchoV01");
    layer.AppendArgument(argument);
    return layer.SendCommand();
}

// Takes every command and answers it ("0" and its argument) only when told.
class LateNavigator : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        replies.push_back({Layer(static_cast<COstrelFileLayer&>(layer).NewReplyLayer(session)),
                           ReceivedFields(layer).at(1)});
        return 0;
    }
    void AnswerAll() {
        for (auto& [layer, text] : replies) {
            layer->AppendArgument("0");
            layer->AppendArgument(text.c_str());
            layer->SendCommand();
        }
        replies.clear();
    }
    std::vector<std::pair<Layer, std::string>> replies;
};

// In a client's process, while one layer awaits the reply to a command the navigator took, a
// second layer with the same names neither waits nor writes anything. The process ends without
// its reply; the next one has the same pid (pid 1 of a pid namespace, say) and does not take
// the late answer to the first one's command for its own.
TEST(ExchangeFaultsTest, ASecondLayerFailsAtOnceAndALateReplyNeverGoesToTheNextProcess) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    LateNavigator navigator;
    fake.SetProcessNonce(0x1234567);
    {
        Layer first = NewLayer("client", 1, 0);
        Layer second = NewLayer("client", 1, 0);
        std::unique_ptr<MOstrelSession> given(Send(*first, "Paris"));
        ASSERT_NE(nullptr, given);
        COstrelFileLayer::ProcessEvents("nav", navigator);
        ASSERT_EQ(1u, navigator.replies.size());
        EXPECT_EQ(nullptr, Send(*second, "Lyon"));
        EXPECT_TRUE(fake.sleeps().empty());
        EXPECT_TRUE(fake.folderWaits().empty());
        EXPECT_TRUE(fake.ListFolder(kExchangeFolder).empty());
    }
    fake.SetProcessNonce(0x7654321);
    Layer next = NewLayer("client", 1, 60000);
    MOstrelSession* session = Send(*next, "Amsterdam");
    ASSERT_NE(nullptr, session);
    navigator.AnswerAll();  // the late answer to "Paris"
    fake.OnFolderWait([&](const std::u16string&, std::uint32_t milliseconds) {
        if (milliseconds == 0) return;
        COstrelFileLayer::ProcessEvents("nav", navigator);
        navigator.AnswerAll();
    });
    next->StartReceiveCommand(session);
    EXPECT_EQ((Texts{"0", "Amsterdam"}), ReceivedFields(*next));
}

// A reply that can never be written ends the caller's wait at its deadline.
TEST(ExchangeFaultsTest, OneFailedCreateWriteOrReadCostsARetryNotTheReply) {
    const struct {
        const char* what;
        FakeOperation operation;
        const char* file;
        int times;
        bool replied;
    } cases[] = {
        {"reply message", FakeOperation::kCreateForWriting, "nav.retry.1234.1.message", 1, true},
        {"reply marker", FakeOperation::kCreateForWriting, "nav.retry.1234.1.finished", 1, true},
        {"command read", FakeOperation::kRead, "retry.nav.1234.1.message", 1, true},
        {"reply read 3 times", FakeOperation::kRead, "nav.retry.1234.1.message", 3, true},
        {"reply never written", FakeOperation::kCreateForWriting, "nav.retry.1234.1.message",
         FakePlatform::kAlways, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform fake;
        ScopedPlatform use(fake);
        oxsdk::testing::EchoNavigator navigator;
        // A name of its own: a wait given up keeps its conversation for the rest of the process.
        Layer client = NewLayer("retry", 1234, 30000);
        fake.InjectFault(c.operation, InExchange(c.file), Error::kOther, c.times);
        fake.OnFolderWait([&](const std::u16string&, std::uint32_t milliseconds) {
            if (milliseconds > 0) COstrelFileLayer::ProcessEvents("nav", navigator);
        });
        MOstrelSession* session = Send(*client, "x");
        ASSERT_NE(nullptr, session);
        client->StartReceiveCommand(session);
        EXPECT_EQ((c.replied ? Texts{"0", "x"} : Texts{}), ReceivedFields(*client));
        EXPECT_EQ((std::vector<Texts>{{"EchoV01", "x"}}), navigator.received);
        EXPECT_TRUE(fake.ListFolder(kExchangeFolder).empty());
        EXPECT_LE(fake.elapsedMilliseconds(), 30000u + 2000u);
    }
}

}  // namespace
