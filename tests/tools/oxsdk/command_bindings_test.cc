// The binding table against the catalogue: every entry has its members, and the members'
// signatures agree with what the catalogue says is sent and received.
#include "command_bindings.h"

#include <set>

#include <gtest/gtest.h>

namespace oxsdk::cli {
namespace {

using OXSDK5Link::EReplyShape;
namespace commands = OXSDK5Link::commands;

TEST(CommandBindingsTest, EveryCatalogueEntryHasExactlyOneBinding) {
    std::set<const TCommandDescription*> bound;
    for (const TCommandBinding& binding : AllBindings()) {
        ASSERT_NE(nullptr, binding.command);
        EXPECT_TRUE(bound.insert(binding.command).second) << binding.command->name << " twice";
    }
    for (const TCommandDescription* command : commands::kAll) {
        const TCommandBinding* binding = FindBinding(*command);
        ASSERT_NE(nullptr, binding) << command->name << " has no binding";
        EXPECT_EQ(command, binding->command);
        EXPECT_NE(nullptr, binding->send);
        EXPECT_NE(nullptr, binding->retrieve);
    }
    EXPECT_EQ(static_cast<std::size_t>(commands::kCount), bound.size());
}

TEST(CommandBindingsTest, SendMemberTakesTheCatalogueArguments) {
    for (const TCommandBinding& binding : AllBindings()) {
        const TCommandDescription& command = *binding.command;
        const std::vector<EArgumentKind> kinds = binding.parameterKinds();
        ASSERT_EQ(static_cast<std::size_t>(command.argumentCount), kinds.size()) << command.name;
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            EXPECT_EQ(command.arguments[i].kind, kinds[i])
                << command.name << " argument " << command.arguments[i].name;
        }
    }
}

TEST(CommandBindingsTest, RetrieveMemberFillsTheCatalogueRecord) {
    for (const TCommandBinding& binding : AllBindings()) {
        const TCommandDescription& command = *binding.command;
        const std::size_t size = binding.recordSize();
        if (command.recordName == nullptr) {
            EXPECT_EQ(0u, size) << command.name << " retrieves a record the catalogue lacks";
            continue;
        }
        ASSERT_NE(0u, size) << command.name << " retrieves no record";
        if (command.replyShape == EReplyShape::RouteCoordinates) {
            EXPECT_EQ(sizeof(COstrelAPI::TRouteCoordinates), size) << command.name;
            continue;
        }
        // The described members lie inside the record, in order, without overlapping.
        std::size_t end = 0;
        for (int i = 0; i < command.replyFieldCount; ++i) {
            const auto& field = command.replyFields[i];
            EXPECT_LE(end, field.offset) << command.name << "." << field.member;
            end = field.offset + field.capacity;
        }
        EXPECT_LE(end, size) << command.name;
        EXPECT_GT(end + alignof(std::int32_t), size) << command.name << " has undescribed members";
    }
}

}  // namespace
}  // namespace oxsdk::cli
