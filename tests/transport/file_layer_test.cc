#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "platform/fake/fake_platform.h"
#include "support/allocation_faults.h"
#include "support/echo_navigator.h"
#include "support/exchange_files.h"
#include "transport/file_layer_session.h"

namespace {

using oxsdk::platform::Error;
using oxsdk::platform::FakeOperation;
using oxsdk::platform::FakePlatform;
using oxsdk::platform::ScopedPlatform;

using oxsdk::testing::InExchange;
using oxsdk::testing::kMarker;
const std::u16string& kFolder = oxsdk::testing::kExchangeFolder;

class FileLayerTest : public ::testing::Test {
protected:
    std::unique_ptr<MOstrelCommunicationLayerInterface> NewLayer(const char* local = "app",
                                                                 const char* remote = "nav",
                                                                 int pid = 1234) {
        return std::unique_ptr<MOstrelCommunicationLayerInterface>(
            COstrelFileLayer::New(local, remote, pid));
    }
    // Sends one command "name|arg|" and returns its session.
    MOstrelSession* Send(MOstrelCommunicationLayerInterface& layer, const char* argument = "x") {
        layer.StartSendCommand();
        layer.AppendArgument("EchoV01");
        layer.AppendArgument(argument);
        return layer.SendCommand();
    }
    void AddReply(const std::string& text, int sequence, bool withMarker = true,
                  std::uint32_t attributes = oxsdk::platform::kAttributeNormal) {
        std::string stem = "nav.app.1234." + std::to_string(sequence);
        fake_.AddFile(InExchange(stem + ".message"), text, attributes);
        if (withMarker) fake_.AddFile(InExchange(stem + ".finished"), kMarker, attributes);
    }

    FakePlatform fake_;
    ScopedPlatform use_{fake_};
};

TEST_F(FileLayerTest, CommandsAreWrittenByteExactWithRisingSequenceNumbers) {
    auto layer = NewLayer();
    ASSERT_NE(layer, nullptr);
    MOstrelSession* first = Send(*layer, "1");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(1, static_cast<CFileLayerSession*>(first)->sequence);
    EXPECT_EQ(fake_.ListFolder(kFolder),
              (std::vector<std::u16string>{u"app.nav.1234.1.message", u"app.nav.1234.1.finished"}));
    EXPECT_EQ(std::string("EchoV01|1|\0", 11),
              fake_.FileContents(InExchange("app.nav.1234.1.message")));
    EXPECT_EQ(kMarker, fake_.FileContents(InExchange("app.nav.1234.1.finished")));

    MOstrelSession* second = Send(*layer, "2");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(2, static_cast<CFileLayerSession*>(second)->sequence);
    EXPECT_TRUE(fake_.Exists(InExchange("app.nav.1234.2.finished")));
    delete first;
    delete second;
}

TEST_F(FileLayerTest, ProcessNumberMinusOneStandsForThisProcess) {
    fake_.SetProcessId(4000000000u);
    auto layer = NewLayer("app", "nav", -1);
    delete Send(*layer);
    EXPECT_TRUE(fake_.Exists(InExchange("app.nav.4000000000.1.finished")));
}

TEST_F(FileLayerTest, NewRefusesNamesThatCannotBeFileNameComponents) {
    const std::string longest(255, 'n');
    struct Case {
        std::string local, remote;
        bool accepted;
    } cases[] = {{"app", "nav", true},          {"", "nav", true},
                 {longest, "nav", true},        {longest + "n", "nav", false},
                 {"app", longest + "n", false}, {"a.b", "nav", false},
                 {"app", "n/v", false},         {"app", "n\\v", false}};
    for (const Case& c : cases) {
        auto layer = NewLayer(c.local.c_str(), c.remote.c_str());
        EXPECT_EQ(c.accepted, layer != nullptr) << c.local.size() << " " << c.remote;
    }
    EXPECT_EQ(nullptr, COstrelFileLayer::New(nullptr, "nav", 1));
}

TEST_F(FileLayerTest, ReturnAvailableNeedsTheReplyMarker) {
    auto layer = NewLayer();
    MOstrelSession* session = Send(*layer);
    AddReply("0|", 1, false);
    EXPECT_EQ(0, layer->ReturnAvailable(session));
    fake_.AddFile(InExchange("nav.app.1234.1.finished"), kMarker);
    EXPECT_EQ(1, layer->ReturnAvailable(session));
    EXPECT_EQ(0, layer->ReturnAvailable(nullptr));
    delete session;
}

TEST_F(FileLayerTest, ReceiveReadsDecodesAndRemovesTheReply) {
    struct Case {
        std::string text;
        std::vector<std::string> fields;
        std::uint32_t attributes = oxsdk::platform::kAttributeNormal;
    };
    std::vector<Case> cases = {
        {std::string("0|5.2|7|\0", 9), {"0", "5.2", "7"}},
        {"0|a|\nb|c|", {"0", "a"}},  // cut after the line feed
        {"0|ro|", {"0", "ro"}, oxsdk::platform::kAttributeReadOnly},
        {"", {}},
    };
    // Replies of 1022, 1023 and 5000 bytes with their zero byte: the inline buffer and beyond.
    for (std::size_t size : {1022u, 1023u, 5000u}) {
        Case c{"0|", {"0"}};
        for (; c.text.size() + 5 <= size; c.fields.emplace_back("abc")) c.text += "abc|";
        for (; c.text.size() + 1 < size; c.fields.emplace_back()) c.text += "|";
        cases.push_back({c.text + '\0', c.fields});
    }
    for (const Case& c : cases) {
        auto layer = NewLayer();
        MOstrelSession* session = Send(*layer, "the command text");
        AddReply(c.text, 1, true, c.attributes);
        layer->StartReceiveCommand(session);
        EXPECT_EQ(c.fields, oxsdk::testing::ReceivedFields(*layer)) << c.text.size();
        EXPECT_EQ(
            fake_.ListFolder(kFolder),
            (std::vector<std::u16string>{u"app.nav.1234.1.message", u"app.nav.1234.1.finished"}));
        layer->StartReceiveCommand(nullptr);  // a null session only resets
        EXPECT_EQ(0, layer->NrReceiveFields());
        fake_.DeleteFile(InExchange("app.nav.1234.1.message").c_str());
        fake_.DeleteFile(InExchange("app.nav.1234.1.finished").c_str());
    }
    EXPECT_TRUE(fake_.sleeps().empty());
}

TEST_F(FileLayerTest, ReceiveWaitsOnTheExchangeFolderInStepsOf100Milliseconds) {
    auto layer = NewLayer();
    MOstrelSession* session = Send(*layer);
    AddReply("0|late|", 1, false);
    fake_.OnFolderWait([&](const std::u16string&, std::uint32_t) {
        if (fake_.folderWaits().size() == 4)
            fake_.AddFile(InExchange("nav.app.1234.1.finished"), kMarker);
    });
    layer->StartReceiveCommand(session);
    const std::u16string folder = u"\\Ostrel\\SdkFileCalls\\";
    // The watch begins before the first look (a wait of 0 ms), then steps of 100 ms.
    EXPECT_EQ((std::vector<std::pair<std::u16string, std::uint32_t>>{
                  {folder, 0}, {folder, 100}, {folder, 100}, {folder, 100}}),
              fake_.folderWaits());
    EXPECT_TRUE(fake_.sleeps().empty());
    EXPECT_EQ((std::vector<std::string>{"0", "late"}), oxsdk::testing::ReceivedFields(*layer));
}

TEST_F(FileLayerTest, UnreadableReplyGivesNoFieldsAndLeavesItsFiles) {
    auto layer = NewLayer();
    MOstrelSession* session = Send(*layer, "stale");
    AddReply("0|", 1);
    fake_.InjectFault(FakeOperation::kOpenForReading, InExchange("nav.app.1234.1.message"),
                      Error::kAccessDenied);
    layer->StartReceiveCommand(session);
    EXPECT_EQ(0, layer->NrReceiveFields());
    EXPECT_TRUE(fake_.Exists(InExchange("nav.app.1234.1.message")));
    EXPECT_TRUE(fake_.Exists(InExchange("nav.app.1234.1.finished")));
}

TEST_F(FileLayerTest, ReplyCarriesTheCommandsSequenceAndGivesNoSession) {
    auto navigator = NewLayer("nav", "app");
    CFileLayerSession command(7);
    navigator->StartReturnResult(&command);
    navigator->AppendArgument("0");
    EXPECT_EQ(nullptr, navigator->SendCommand());
    EXPECT_EQ(std::string("0|\0", 3), fake_.FileContents(InExchange("nav.app.1234.7.message")));
    EXPECT_EQ(kMarker, fake_.FileContents(InExchange("nav.app.1234.7.finished")));
    // Back in command mode the layer continues after the reply's number.
    MOstrelSession* session = Send(*navigator);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(8, static_cast<CFileLayerSession*>(session)->sequence);
    delete session;
}

// A command must fit the navigator's bound, or it is not sent at all.
TEST_F(FileLayerTest, CommandsOverTheBoundAreNotSent) {
    for (std::uint32_t textLength :
         {COstrelFileLayer::kMaxCommandSize - 1, COstrelFileLayer::kMaxCommandSize}) {
        auto layer = NewLayer();
        // "EchoV01|" and the argument with its separator make up textLength bytes.
        MOstrelSession* session = Send(*layer, std::string(textLength - 9, 'a').c_str());
        const bool fits = textLength < COstrelFileLayer::kMaxCommandSize;
        EXPECT_EQ(fits, session != nullptr) << textLength;
        EXPECT_EQ(fits ? 2u : 0u, fake_.ListFolder(kFolder).size()) << textLength;
        delete session;
        for (const std::u16string& name : fake_.ListFolder(kFolder))
            fake_.DeleteFile((kFolder + u"\\" + name).c_str());
    }
}

// Every way a send can fail ends it with no session and no files left, and the next command
// of the same layer goes out.
TEST_F(FileLayerTest, FailedSendsLeaveNothingBehind) {
    const std::u16string message = InExchange("app.nav.1234.1.message");
    const std::u16string marker = InExchange("app.nav.1234.1.finished");
    const std::string longArgument(1500, 'a');  // needs the list's heap buffer
    struct Case {
        const char* what;
        std::function<void()> inject;
        const std::string& argument;
    } cases[] = {
        {"message not created",
         [&] { fake_.InjectFault(FakeOperation::kCreateForWriting, message, Error::kOther); }, "x"},
        {"message written short", [&] { fake_.LimitWrites(message, 4); }, "x"},
        {"message busy 4 times",
         [&] { fake_.InjectFault(FakeOperation::kWrite, message, Error::kAccessDenied, 4); }, "x"},
        {"marker not created",
         [&] { fake_.InjectFault(FakeOperation::kCreateForWriting, marker, Error::kOther); }, "x"},
        {"marker written short", [&] { fake_.LimitWrites(marker, 7); }, "x"},
        {"session not allocated", [] { oxsdk::testing::ArmAllocationFailure(1, true); }, "x"},
        {"argument not taken", [] { oxsdk::testing::ArmAllocationFailure(1, true); }, longArgument},
    };
    for (const Case& c : cases) {
        fake_.ClearFaults();
        auto layer = NewLayer();
        c.inject();
        MOstrelSession* session = Send(*layer, c.argument.c_str());
        oxsdk::testing::DisarmAllocationFailure();
        EXPECT_EQ(nullptr, session) << c.what;
        EXPECT_TRUE(fake_.ListFolder(kFolder).empty()) << c.what;
        fake_.ClearFaults();
        session = Send(*layer, c.argument.c_str());
        EXPECT_NE(nullptr, session) << c.what;
        EXPECT_EQ("EchoV01|" + c.argument + "|" + '\0',
                  fake_.FileContents(InExchange("app.nav.1234.2.message")))
            << c.what;
        delete session;
        for (const std::u16string& name : fake_.ListFolder(kFolder))
            fake_.DeleteFile((kFolder + u"\\" + name).c_str());
    }
}

// A second layer with the same names and pid must not replace a command still waiting for the
// navigator; a reply already under a new command's reply names is stale and goes first.
TEST_F(FileLayerTest, SendKeepsWaitingCommandsAndRemovesStaleReplies) {
    auto first = NewLayer();
    auto second = NewLayer();
    MOstrelSession* session = Send(*first, "first");
    ASSERT_NE(nullptr, session);
    EXPECT_EQ(nullptr, Send(*second, "second"));
    EXPECT_EQ(std::string("EchoV01|first|\0", 15),
              fake_.FileContents(InExchange("app.nav.1234.1.message")));
    delete session;

    AddReply(std::string("0|stale|\0", 9), 2);
    session = Send(*second, "fresh");  // sequence 2 on this layer
    ASSERT_NE(nullptr, session);
    EXPECT_FALSE(fake_.Exists(InExchange("nav.app.1234.2.message")));
    EXPECT_FALSE(fake_.Exists(InExchange("nav.app.1234.2.finished")));
    EXPECT_TRUE(fake_.Exists(InExchange("app.nav.1234.2.finished")));
    delete session;
}

}  // namespace
