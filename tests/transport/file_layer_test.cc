#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "platform/fake/fake_platform.h"
#include "transport/file_layer_session.h"

namespace {

using oxsdk::platform::Error;
using oxsdk::platform::FakeOperation;
using oxsdk::platform::FakePlatform;
using oxsdk::platform::ScopedPlatform;

const std::u16string kFolder = u"\\Ostrel\\SdkFileCalls";
const std::u16string kExchange = kFolder + u"\\";
const std::string kMarker("finish\n\0", 8);

std::u16string InExchange(const std::string& name) {
    return kExchange + std::u16string(name.begin(), name.end());
}

std::vector<std::string> Fields(const MOstrelCommunicationLayerInterface& layer) {
    std::vector<std::string> fields;
    for (int i = 0; i < layer.NrReceiveFields(); ++i) fields.emplace_back(layer.ReceiveField(i));
    return fields;
}

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
        std::uint32_t attributes;
    } cases[] = {
        {std::string("0|5.2|7|\0", 9), {"0", "5.2", "7"}, oxsdk::platform::kAttributeNormal},
        {"0|a|\nb|c|", {"0", "a"}, oxsdk::platform::kAttributeNormal},
        {"0|ro|", {"0", "ro"}, oxsdk::platform::kAttributeReadOnly},
        {"", {}, oxsdk::platform::kAttributeNormal},
    };
    for (const Case& c : cases) {
        auto layer = NewLayer();
        MOstrelSession* session = Send(*layer, "the command text");
        AddReply(c.text, 1, true, c.attributes);
        layer->StartReceiveCommand(session);
        EXPECT_EQ(c.fields, Fields(*layer)) << c.text;
        EXPECT_EQ(
            fake_.ListFolder(kFolder),
            (std::vector<std::u16string>{u"app.nav.1234.1.message", u"app.nav.1234.1.finished"}));
        fake_.DeleteFile(InExchange("app.nav.1234.1.message").c_str());
        fake_.DeleteFile(InExchange("app.nav.1234.1.finished").c_str());
    }
    EXPECT_TRUE(fake_.sleeps().empty());
}

TEST_F(FileLayerTest, RepliesOfTheInlineLimitAndBeyondDecodeCompletely) {
    for (std::size_t size : {1022u, 1023u, 5000u}) {
        // "0|" then filler fields "abc|" up to `size` bytes including the final zero byte.
        std::string text = "0|";
        while (text.size() + 1 < size) text += text.size() + 5 <= size ? "abc|" : "|";
        text.push_back('\0');
        ASSERT_EQ(size, text.size());
        auto layer = NewLayer();
        AddReply(text, 1);
        layer->StartReceiveCommand(Send(*layer));
        std::vector<std::string> fields = Fields(*layer);
        ASSERT_FALSE(fields.empty());
        EXPECT_EQ(std::count(text.begin(), text.end(), '|'), static_cast<long>(fields.size()));
        EXPECT_EQ("0", fields[0]);
        EXPECT_EQ("abc", fields[1]);
        fake_.DeleteFile(InExchange("app.nav.1234.1.message").c_str());
        fake_.DeleteFile(InExchange("app.nav.1234.1.finished").c_str());
    }
}

TEST_F(FileLayerTest, ReceiveWaitsOnTheExchangeFolderInStepsOf100Milliseconds) {
    auto layer = NewLayer();
    MOstrelSession* session = Send(*layer);
    AddReply("0|late|", 1, false);
    fake_.OnFolderWait([&](const std::u16string&, std::uint32_t) {
        if (fake_.folderWaits().size() == 3)
            fake_.AddFile(InExchange("nav.app.1234.1.finished"), kMarker);
    });
    layer->StartReceiveCommand(session);
    const std::u16string folder = u"\\Ostrel\\SdkFileCalls\\";
    EXPECT_EQ((std::vector<std::pair<std::u16string, std::uint32_t>>{
                  {folder, 100}, {folder, 100}, {folder, 100}}),
              fake_.folderWaits());
    EXPECT_TRUE(fake_.sleeps().empty());
    EXPECT_EQ((std::vector<std::string>{"0", "late"}), Fields(*layer));
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

TEST_F(FileLayerTest, NullSessionOnlyResets) {
    auto layer = NewLayer();
    AddReply("0|a|", 1);
    layer->StartReceiveCommand(Send(*layer));
    ASSERT_EQ(2, layer->NrReceiveFields());
    layer->StartReceiveCommand(nullptr);
    EXPECT_EQ(0, layer->NrReceiveFields());
    EXPECT_TRUE(fake_.sleeps().empty());
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

// Every way a file of the send can fail ends the send with no session and no files left.
TEST_F(FileLayerTest, FailedSendsLeaveNothingBehind) {
    const std::u16string message = InExchange("app.nav.1234.1.message");
    const std::u16string marker = InExchange("app.nav.1234.1.finished");
    struct Case {
        const char* what;
        std::function<void()> inject;
    } cases[] = {
        {"message not created",
         [&] { fake_.InjectFault(FakeOperation::kCreateForWriting, message, Error::kOther); }},
        {"message written short", [&] { fake_.LimitWrites(message, 4); }},
        {"message busy 4 times",
         [&] { fake_.InjectFault(FakeOperation::kWrite, message, Error::kAccessDenied, 4); }},
        {"marker not created",
         [&] { fake_.InjectFault(FakeOperation::kCreateForWriting, marker, Error::kOther); }},
        {"marker written short", [&] { fake_.LimitWrites(marker, 7); }},
    };
    for (const Case& c : cases) {
        fake_.ClearFaults();
        c.inject();
        auto layer = NewLayer();
        EXPECT_EQ(nullptr, Send(*layer)) << c.what;
        EXPECT_TRUE(fake_.ListFolder(kFolder).empty()) << c.what;
    }
}

TEST_F(FileLayerTest, BusyMessageIsRetriedEvery500Milliseconds) {
    fake_.InjectFault(FakeOperation::kWrite, InExchange("app.nav.1234.1.message"),
                      Error::kAccessDenied, 3);
    auto layer = NewLayer();
    MOstrelSession* session = Send(*layer, "busy");
    ASSERT_NE(session, nullptr);
    EXPECT_EQ((std::vector<std::uint32_t>{500, 500, 500}), fake_.sleeps());
    EXPECT_EQ(std::string("EchoV01|busy|\0", 14),
              fake_.FileContents(InExchange("app.nav.1234.1.message")));
    delete session;
}

TEST_F(FileLayerTest, FileNamesThatWouldPassThePathLimitFailTheSend) {
    // "\Ostrel\SdkFileCalls\" (21) + name: names of 238 characters fit, 239 do not.
    std::string remote = "n";
    std::string local(238 - std::string(".n.1234.1.finished").size(), 'a');
    auto fits = NewLayer(local.c_str(), remote.c_str());
    MOstrelSession* session = Send(*fits);
    EXPECT_NE(session, nullptr);
    delete session;
    local.push_back('a');
    auto tooLong = NewLayer(local.c_str(), remote.c_str());
    EXPECT_EQ(nullptr, Send(*tooLong));
    EXPECT_EQ(2u, fake_.ListFolder(kFolder).size());
}

}  // namespace
