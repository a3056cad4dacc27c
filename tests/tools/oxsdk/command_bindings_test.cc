// The binding table against the catalogue: one binding per command, and the members' signatures
// agree with what the catalogue says is sent and received.
#include "command_bindings.h"

#include <gtest/gtest.h>

namespace oxsdk::cli {
namespace {

TEST(CommandBindingsTest, EachCatalogueCommandIsBoundToMembersOfItsShape) {
    ASSERT_EQ(static_cast<std::size_t>(OXSDK5Link::commands::kCount), AllBindings().size());
    for (const TCommandDescription* command : OXSDK5Link::commands::kAll) {
        const TCommandBinding* binding = FindBinding(*command);
        ASSERT_NE(nullptr, binding) << command->name << " has no binding";
        ASSERT_EQ(command, binding->command);
        ASSERT_TRUE(binding->send != nullptr && binding->retrieve != nullptr) << command->name;
        // The send member takes the catalogue's arguments.
        const std::vector<EArgumentKind> kinds = binding->parameterKinds();
        ASSERT_EQ(static_cast<std::size_t>(command->argumentCount), kinds.size()) << command->name;
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            EXPECT_EQ(command->arguments[i].kind, kinds[i]) << command->name << " argument " << i;
        }
        // The retrieve member fills the catalogue's record: the described members lie inside
        // it, in order, without overlapping, and leave nothing undescribed.
        const std::size_t size = binding->recordSize();
        EXPECT_EQ(command->recordName == nullptr, size == 0) << command->name;
        if (size == 0) continue;
        if (command->replyShape == OXSDK5Link::EReplyShape::RouteCoordinates) {
            EXPECT_EQ(sizeof(COstrelAPI::TRouteCoordinates), size) << command->name;
            continue;
        }
        std::size_t end = 0;
        for (int i = 0; i < command->replyFieldCount; ++i) {
            EXPECT_LE(end, command->replyFields[i].offset) << command->name << " member " << i;
            end = command->replyFields[i].offset + command->replyFields[i].capacity;
        }
        EXPECT_LE(end, size) << command->name;
        EXPECT_GT(end + alignof(std::int32_t), size) << command->name << " has undescribed members";
    }
}

}  // namespace
}  // namespace oxsdk::cli
