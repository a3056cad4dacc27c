// The frame of COstrelAPI over the scripted layer: the local version answer, and the send and
// retrieve contract on its worked command GetApplicationVersion.
#include <cstring>
#include <type_traits>

#include <gtest/gtest.h>

#include "OXSDK5Link/OXSDK5Link.h"
#include "support/scripted_layer.h"

namespace {

using oxsdk::testing::ScriptedLayer;

COstrelAPI::TVersion MarkedVersion() {
    COstrelAPI::TVersion version;
    std::memset(&version, 0x5A, sizeof version);
    return version;
}

bool Untouched(const COstrelAPI::TVersion& version) {
    COstrelAPI::TVersion marked = MarkedVersion();
    return std::memcmp(&marked, &version, sizeof version) == 0;
}

TEST(COstrelAPITest, GetSDKVersionAnswersLocally) {
    ScriptedLayer layer;
    COstrelAPI api(layer);
    COstrelAPI::TError error{99};
    COstrelAPI::TVersion version = MarkedVersion();
    EXPECT_EQ(0, api.GetSDKVersion(&error, &version));
    EXPECT_EQ(0, error.errorCode);
    EXPECT_STREQ("5.2", version.versionText);
    EXPECT_EQ(223, version.versionNumber);
    EXPECT_TRUE(layer.calls().empty());
}

TEST(COstrelAPITest, GetApplicationVersionAsyncWritesTheWireNameAlone) {
    for (int leading : {0, 1, -7}) {
        ScriptedLayer layer;
        COstrelAPI api(layer);
        MOstrelSession* session = api.GetApplicationVersionAsync(leading);
        ASSERT_NE(nullptr, session);
        ASSERT_EQ(1u, layer.sent().size());
        EXPECT_EQ("GetApplicationVersionV01|", layer.sent()[0]);
        COstrelAPI::TError error{};
        COstrelAPI::TVersion version{};
        layer.QueueReply("0|");
        EXPECT_EQ(0, api.GetApplicationVersionAsyncRetrieve(session, &error, &version));
        EXPECT_EQ(0, layer.liveSessions());
    }
}

TEST(COstrelAPITest, AsyncReturnsNullWhenTheLayerCannotSend) {
    ScriptedLayer layer;
    layer.FailSends(true);
    COstrelAPI api(layer);
    EXPECT_EQ(nullptr, api.GetApplicationVersionAsync(1));
}

TEST(COstrelAPITest, RetrieveWithNullSessionDoesNotCallTheLayer) {
    ScriptedLayer layer;
    COstrelAPI api(layer);
    COstrelAPI::TError error{0};
    COstrelAPI::TVersion version = MarkedVersion();
    EXPECT_EQ(-1, api.GetApplicationVersionAsyncRetrieve(nullptr, &error, &version));
    EXPECT_EQ(-1, error.errorCode);
    EXPECT_TRUE(Untouched(version));
    EXPECT_TRUE(layer.calls().empty());
}

TEST(COstrelAPITest, RetrieveAcceptsOneAndThreeFieldsOnly) {
    struct Case {
        const char* reply;
        int result;
        int errorCode;
        bool filled;
    };
    const Case cases[] = {
        {"", -2, -2, false},            // no reply could be read: zero fields
        {"7|", 0, 7, false},            // error only: record untouched
        {"0|5.1|", -2, -2, false},      // two fields
        {"-3|6.0|600|", 0, -3, true},   // full reply: filled whatever field 0 says
        {"0|6.0|600|x|", -2, -2, false},
    };
    for (const Case& c : cases) {
        ScriptedLayer layer;
        COstrelAPI api(layer);
        layer.QueueReply(c.reply);
        COstrelAPI::TError error{12345};
        COstrelAPI::TVersion version = MarkedVersion();
        EXPECT_EQ(c.result, api.GetApplicationVersionAsyncRetrieve(api.GetApplicationVersionAsync(1), &error, &version)) << c.reply;
        EXPECT_EQ(c.errorCode, error.errorCode) << c.reply;
        if (c.filled) {
            EXPECT_STREQ("6.0", version.versionText);
            EXPECT_EQ(600, version.versionNumber);
        } else {
            EXPECT_TRUE(Untouched(version)) << c.reply;
        }
    }
}

TEST(COstrelAPITest, OverlongVersionTextStaysInsideItsMember) {
    ScriptedLayer layer;
    COstrelAPI api(layer);
    layer.QueueReply("0|" + std::string(40, 'V') + "|77|");
    COstrelAPI::TError error{};
    COstrelAPI::TVersion version = MarkedVersion();
    EXPECT_EQ(0, api.GetApplicationVersionAsyncRetrieve(api.GetApplicationVersionAsync(1), &error, &version));
    EXPECT_EQ(std::string(15, 'V'), version.versionText);
    EXPECT_EQ(77, version.versionNumber);  // the member after the text is written by its own field only
}

TEST(COstrelAPITest, LayersCannotBeCopied) {
    // A copy would leave two owners of one argument list.
    EXPECT_FALSE(std::is_copy_constructible_v<MOstrelCommunicationLayerInterface>);
    EXPECT_FALSE(std::is_copy_assignable_v<MOstrelCommunicationLayerInterface>);
    EXPECT_FALSE(std::is_copy_constructible_v<COstrelFileLayer>);
}

}  // namespace
