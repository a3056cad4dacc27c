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

namespace {

using oxsdk::platform::Error;
using oxsdk::platform::FakeOperation;
using oxsdk::platform::FakePlatform;
using oxsdk::platform::ScopedPlatform;

using oxsdk::testing::InExchange;
using oxsdk::testing::kMarker;
using oxsdk::testing::ReceivedFields;
using Names = std::vector<std::u16string>;
const std::u16string& kFolder = oxsdk::testing::kExchangeFolder;

class FileLayerTest : public ::testing::Test {
protected:
    std::unique_ptr<MOstrelCommunicationLayerInterface> NewLayer(const char* local = "app",
                                                                 const char* remote = "nav",
                                                                 int pid = 1234) {
        return std::unique_ptr<MOstrelCommunicationLayerInterface>(
            COstrelFileLayer::New(local, remote, pid));
    }
    // Sends one command "EchoV01|argument|" and returns its session.
    MOstrelSession* Send(MOstrelCommunicationLayerInterface& layer, const std::string& argument) {
        layer.StartSendCommand();
        layer.AppendArgument("EchoV01");
        layer.AppendArgument(argument.c_str());
        return layer.SendCommand();
    }
    void AddReply(const std::string& text, int sequence,
                  std::uint32_t attributes = oxsdk::platform::kAttributeNormal) {
        std::string stem = "nav.app.1234." + std::to_string(sequence);
        fake_.AddFile(InExchange(stem + ".message"), text, attributes);
        fake_.AddFile(InExchange(stem + ".finished"), kMarker, attributes);
    }
    void ClearFolder() {
        for (const std::u16string& name : fake_.ListFolder(kFolder))
            fake_.DeleteFile((kFolder + u"\\" + name).c_str());
    }
    FakePlatform fake_;
    ScopedPlatform use_{fake_};
};

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

// A reply is read, decoded and removed; one that cannot be opened gives no fields and stays.
TEST_F(FileLayerTest, ReceiveReadsDecodesAndRemovesTheReply) {
    struct Case {
        std::string text;
        std::vector<std::string> fields;
        std::uint32_t attributes = oxsdk::platform::kAttributeNormal;
        bool unreadable = false;
    };
    std::vector<Case> cases = {
        {std::string("0|5.2|7|\0", 9), {"0", "5.2", "7"}},
        {"0|a|\nb|c|", {"0", "a"}},  // cut after the line feed
        {"0|ro|", {"0", "ro"}, oxsdk::platform::kAttributeReadOnly},
        {"", {}},
        {"0|", {}, oxsdk::platform::kAttributeNormal, true},
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
        AddReply(c.text, 1, c.attributes);
        if (c.unreadable) {
            fake_.InjectFault(FakeOperation::kOpenForReading, InExchange("nav.app.1234.1.message"),
                              Error::kAccessDenied);
        }
        layer->StartReceiveCommand(session);
        EXPECT_EQ(c.fields, ReceivedFields(*layer)) << c.text.size();
        EXPECT_EQ(c.unreadable ? 4u : 2u, fake_.ListFolder(kFolder).size()) << c.text.size();
        EXPECT_TRUE(fake_.Exists(InExchange("app.nav.1234.1.finished")));
        layer->StartReceiveCommand(nullptr);  // a null session only resets
        EXPECT_EQ(0, layer->NrReceiveFields());
        ClearFolder();
    }
    EXPECT_TRUE(fake_.sleeps().empty());
}

// Every way a send can fail ends it with no session and no files left, and the next command
// of the same layer goes out. A command must fit the navigator's bound, or it is not sent.
TEST_F(FileLayerTest, FailedSendsLeaveNothingBehind) {
    const std::u16string message = InExchange("app.nav.1234.1.message");
    const std::u16string marker = InExchange("app.nav.1234.1.finished");
    const std::string longArgument(1500, 'a');  // needs the list's heap buffer
    // With "EchoV01|" and its separator the argument makes the bound, then one byte less.
    const std::string overBound(COstrelFileLayer::kMaxCommandSize - 9, 'b');
    const std::string underBound(COstrelFileLayer::kMaxCommandSize - 10, 'b');
    const auto noHeap = [] { oxsdk::testing::ArmAllocationFailure(1, true); };
    struct Case {
        const char* what;
        std::function<void()> inject;
        std::string argument = "x";
        std::string retry = {};  ///< the next command's argument, when not the same
    } cases[] = {
        {"message not created",
         [&] { fake_.InjectFault(FakeOperation::kCreateForWriting, message, Error::kOther); }},
        {"message written short", [&] { fake_.LimitWrites(message, 4); }},
        {"message busy 4 times",
         [&] { fake_.InjectFault(FakeOperation::kWrite, message, Error::kAccessDenied, 4); }},
        {"marker not created",
         [&] { fake_.InjectFault(FakeOperation::kCreateForWriting, marker, Error::kOther); }},
        {"marker written short", [&] { fake_.LimitWrites(marker, 7); }},
        {"session not allocated", noHeap},
        {"argument not taken", noHeap, longArgument},
        {"over the bound", [] {}, overBound, underBound},
    };
    for (const Case& c : cases) {
        fake_.ClearFaults();
        auto layer = NewLayer();
        c.inject();
        MOstrelSession* session = Send(*layer, c.argument);
        oxsdk::testing::DisarmAllocationFailure();
        EXPECT_EQ(nullptr, session) << c.what;
        EXPECT_TRUE(fake_.ListFolder(kFolder).empty()) << c.what;
        fake_.ClearFaults();
        const std::string& retry = c.retry.empty() ? c.argument : c.retry;
        session = Send(*layer, retry);
        EXPECT_NE(nullptr, session) << c.what;
        EXPECT_EQ("EchoV01|" + retry + "|" + '\0',
                  fake_.FileContents(InExchange("app.nav.1234.2.message")))
            << c.what;
        delete session;
        ClearFolder();
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
    EXPECT_EQ(fake_.ListFolder(kFolder),
              (Names{u"app.nav.1234.1.message", u"app.nav.1234.1.finished",
                     u"app.nav.1234.2.message", u"app.nav.1234.2.finished"}));
    delete session;
    // Nor is a command whose message is still being written, its marker not there yet.
    fake_.AddFile(InExchange("app.nav.1234.3.message"), "EchoV01|ha");
    EXPECT_EQ(nullptr, Send(*second, "third"));
    EXPECT_EQ("EchoV01|ha", fake_.FileContents(InExchange("app.nav.1234.3.message")));
}

}  // namespace
