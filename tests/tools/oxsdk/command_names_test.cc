// Subcommand names derived from member names.
#include "command_names.h"

#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "OXSDK5Link/CommandCatalogue.h"

namespace oxsdk::cli {
namespace {

TEST(CommandNamesTest, WordsAndAcronyms) {
    const std::pair<const char*, const char*> cases[] = {
        {"GetRouteInfo", "get-route-info"},
        {"NavigateToCoordinates", "navigate-to-coordinates"},
        {"EnableExternalGPSInput", "enable-external-gps-input"},
        {"DisableRawGPSOutput", "disable-raw-gps-output"},
        {"GetSDKVersion", "get-sdk-version"},
        {"GetLocationInfoEx", "get-location-info-ex"},
        {"DeleteAllPoi", "delete-all-poi"},
        {"GetUniqueDeviceId", "get-unique-device-id"},
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
    for (const char* local : {"start", "stop", "status", "foreground", "sdk-version", "list",
                              "clean", "completion"}) {
        EXPECT_EQ(0u, names.count(local)) << local;
    }
}

}  // namespace
}  // namespace oxsdk::cli
