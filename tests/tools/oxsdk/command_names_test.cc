// Subcommand names derived from member names, and the binding table against the catalogue: one
// binding per command, and the members' signatures agree with what is sent and received.
#include "command_names.h"

#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "OXSDK5Link/CommandCatalogue.h"
#include "command_bindings.h"

namespace oxsdk::cli {
namespace {

TEST(CommandNamesTest, WordsAndAcronyms) {
    const std::pair<const char*, const char*> cases[] = {
        {"GetRouteInfo", "get-route-info"},
        {"EnableExternalGPSInput", "enable-external-gps-input"},
        {"DisableRawGPSOutput", "disable-raw-gps-output"},
        {"GetSDKVersion", "get-sdk-version"},
        {"GetLocationInfoEx", "get-location-info-ex"},
        {"ParseGPS", "parse-gps"},
        {"Value2Text", "value2-text"},
        {"Geocode", "geocode"},
        {"", ""}};
    for (const auto& [member, expected] : cases)
        EXPECT_EQ(expected, SubcommandName(member)) << member;
}

TEST(CommandNamesTest, CatalogueNamesAreDistinctLowerCaseWords) {
    const std::regex shape("[a-z]+(-[a-z0-9]+)*");
    std::set<std::string> names;
    for (const auto* command : OXSDK5Link::commands::kAll) {
        const std::string name = SubcommandName(command->name);
        EXPECT_TRUE(std::regex_match(name, shape)) << name;
        EXPECT_TRUE(names.insert(name).second) << name;
    }
    // The local subcommands must not collide with a command.
    for (const char* local :
         {"start", "stop", "status", "foreground", "sdk-version", "list", "clean", "completion"}) {
        EXPECT_EQ(0u, names.count(local)) << local;
    }
}

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
