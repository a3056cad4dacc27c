// The file exchange under faults that leave no trace of their own: a client that reuses the
// pid of an earlier one (pid namespaces), two layers with the same names in one process, and
// one failed create, write or read on either side. The navigator is ProcessEvents on the same
// fake device, run whenever the client waits.
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

// Takes every command and answers only when told, on the reply layer it kept for it: "0" and
// the command's argument.
class LateNavigator : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        const Texts fields = ReceivedFields(layer);
        replies.push_back({Layer(static_cast<COstrelFileLayer&>(layer).NewReplyLayer(session)),
                           fields.size() > 1 ? fields[1] : ""});
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

// A client in a new pid namespace has pid 1 like the one before it. The navigator answers the
// first client late, after it gave up and the second one sent its command: the second one gets
// its own answer, not the first one's.
TEST(ExchangeFaultsTest, ALateReplyNeverGoesToTheNextProcessWithTheSamePid) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    LateNavigator navigator;
    fake.SetProcessNonce(0x1234567);
    {
        Layer first = NewLayer("client", 1, 0);
        std::unique_ptr<MOstrelSession> given(Send(*first, "Paris"));
        ASSERT_NE(nullptr, given);
        COstrelFileLayer::ProcessEvents("nav", navigator);  // taken, not answered yet
        ASSERT_EQ(1u, navigator.replies.size());
    }                                 // the first client ends without its reply
    fake.SetProcessNonce(0x7654321);  // another process, the same pid
    Layer second = NewLayer("client", 1, 60000);
    MOstrelSession* session = Send(*second, "Amsterdam");
    ASSERT_NE(nullptr, session);
    navigator.AnswerAll();  // the first client's answer comes now
    fake.OnFolderWait([&](const std::u16string&, std::uint32_t milliseconds) {
        if (milliseconds == 0) return;
        COstrelFileLayer::ProcessEvents("nav", navigator);
        navigator.AnswerAll();
    });
    second->StartReceiveCommand(session);
    EXPECT_EQ((Texts{"0", "Amsterdam"}), ReceivedFields(*second));
}

// Two layers with the same names in one process: while the first awaits the reply to a command
// the navigator took, the second one's send fails at once instead of waiting for that reply.
TEST(ExchangeFaultsTest, ASecondLayerWithTheSameNamesFailsAtOnceWhileTheFirstAwaitsItsReply) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    LateNavigator navigator;
    Layer first = NewLayer("app", 1234, 0);
    Layer second = NewLayer("app", 1234, 0);
    MOstrelSession* session = Send(*first, "first");
    ASSERT_NE(nullptr, session);
    COstrelFileLayer::ProcessEvents("nav", navigator);
    ASSERT_EQ(1u, navigator.replies.size());

    EXPECT_EQ(nullptr, Send(*second, "second"));
    EXPECT_TRUE(fake.sleeps().empty());
    EXPECT_TRUE(fake.folderWaits().empty());
    EXPECT_TRUE(fake.ListFolder(oxsdk::testing::kExchangeFolder).empty());  // nothing written

    navigator.AnswerAll();
    first->StartReceiveCommand(session);
    EXPECT_EQ((Texts{"0", "first"}), ReceivedFields(*first));
    // Once the reply is collected, the names are free again.
    std::unique_ptr<MOstrelSession> later(Send(*second, "second"));
    EXPECT_NE(nullptr, later);
}

// One failed create, write or read on either side costs a retry, not the command or its reply.
// A reply that can never be written ends the caller's wait at its deadline.
TEST(ExchangeFaultsTest, OneFailedCreateWriteOrReadCostsARetryNotTheReply) {
    const struct {
        const char* what;
        FakeOperation operation;
        const char* file;
        int times;
        Texts reply;  // as the client receives it
    } cases[] = {
        {"reply message cannot be created (disk full)",
         FakeOperation::kCreateForWriting,
         "nav.retry.1234.1.message",
         1,
         {"0", "x"}},
        {"reply marker cannot be created",
         FakeOperation::kCreateForWriting,
         "nav.retry.1234.1.finished",
         1,
         {"0", "x"}},
        {"reply message write fails",
         FakeOperation::kWrite,
         "nav.retry.1234.1.message",
         1,
         {"0", "x"}},
        {"command cannot be read", FakeOperation::kRead, "retry.nav.1234.1.message", 1, {"0", "x"}},
        {"reply cannot be read", FakeOperation::kRead, "nav.retry.1234.1.message", 1, {"0", "x"}},
        {"reply read fails 3 times",
         FakeOperation::kRead,
         "nav.retry.1234.1.message",
         3,
         {"0", "x"}},
        {"reply can never be written",
         FakeOperation::kCreateForWriting,
         "nav.retry.1234.1.message",
         FakePlatform::kAlways,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform fake;  // the navigator's and the client's device
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
        EXPECT_EQ(c.reply, ReceivedFields(*client));
        EXPECT_EQ(1u, navigator.received.size());  // received once, with its fields
        if (!navigator.received.empty()) {
            EXPECT_EQ((Texts{"EchoV01", "x"}), navigator.received[0]);
        }
        EXPECT_TRUE(fake.ListFolder(oxsdk::testing::kExchangeFolder).empty());
        EXPECT_LE(fake.elapsedMilliseconds(), 30000u + 2000u);  // the wait ended
    }
}

}  // namespace
