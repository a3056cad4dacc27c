// The parts of COstrelAPI's frame that no remote command shows: the version answered locally,
// and layers that cannot be copied. The commands themselves are in command_calls_test.cc.
#include <type_traits>

#include <gtest/gtest.h>

#include "OXSDK5Link/OXSDK5Link.h"
#include "support/scripted_layer.h"

namespace {

TEST(COstrelAPITest, GetSDKVersionAnswersLocally) {
    oxsdk::testing::ScriptedLayer layer;
    COstrelAPI api(layer);
    COstrelAPI::TError error{99};
    COstrelAPI::TVersion version{};
    EXPECT_EQ(0, api.GetSDKVersion(&error, &version));
    EXPECT_EQ(0, error.errorCode);
    EXPECT_STREQ("5.2", version.versionText);
    EXPECT_EQ(223, version.versionNumber);
    EXPECT_TRUE(layer.calls().empty());
}

TEST(COstrelAPITest, LayersCannotBeCopied) {
    // A copy would leave two owners of one argument list.
    EXPECT_FALSE(std::is_copy_constructible_v<MOstrelCommunicationLayerInterface>);
    EXPECT_FALSE(std::is_copy_assignable_v<MOstrelCommunicationLayerInterface>);
    EXPECT_FALSE(std::is_copy_constructible_v<COstrelFileLayer>);
}

}  // namespace
