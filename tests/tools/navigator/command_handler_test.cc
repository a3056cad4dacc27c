// The command handler: every command of the catalogue answered in an accepted shape, the
// documented codes for unknown commands, wrong argument counts, invalid arguments and unknown
// places, and the replies that follow the navigator's state.
#include "command_handler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "OXSDK5Link/CommandCatalogue.h"
#include "commands.h"
#include "fake_layer.h"
#include "navigator_fixture.h"
#include "nmea.h"
#include "sample_commands.h"

namespace oxsdk::emulator::testing {
namespace {

using OXSDK5Link::EReplyShape;
using OXSDK5Link::TCommandDescription;
namespace catalogue = OXSDK5Link::commands;

std::vector<std::string> Command(const std::string& wireName, std::vector<std::string> args) {
    args.insert(args.begin(), wireName);
    return args;
}

class CommandHandlerTest : public NavigatorTest {
protected:
    void Prepare() {
        ASSERT_EQ(Run({"SetFavoriteV01", "1", "Office", "", "52090700", "5121400"})[0], "0");
        ASSERT_EQ(Run({"AddPoiV01", "Cafes", "52370000", "4890000", "Cafe", ""})[0], "0");
        ASSERT_EQ(Run({"NavigateToCoordinatesV01", "52090700", "5121400", "Utrecht"})[0], "0");
    }
};

TEST_F(CommandHandlerTest, EveryCatalogueCommandHasAHandlerAndSampleArguments) {
    EXPECT_EQ(CommandTable().size(), static_cast<std::size_t>(catalogue::kCount));
    for (const TCommandDescription* command : catalogue::kAll) {
        const auto found = kSampleArguments.find(command->wireName);
        ASSERT_NE(found, kSampleArguments.end()) << command->wireName;
        EXPECT_EQ(static_cast<int>(found->second.size()), command->argumentCount)
            << command->wireName;
    }
}

TEST_F(CommandHandlerTest, EveryCommandSucceedsWithAReplyOfTheFullShape) {
    for (const TCommandDescription* command : catalogue::kAll) {
        Prepare();
        const std::vector<std::string> reply =
            Run(Command(command->wireName, kSampleArguments.at(command->wireName)));
        ASSERT_FALSE(reply.empty()) << command->wireName;
        EXPECT_EQ(reply[0], "0") << command->wireName << "\n" << log_.lines();
        if (command->replyShape == EReplyShape::Fixed) {
            EXPECT_EQ(static_cast<int>(reply.size()), 1 + command->replyFieldCount)
                << command->wireName;
        } else {
            ASSERT_GE(reply.size(), 2u);
            EXPECT_EQ(reply.size(), 2 + 2 * std::stoul(reply[1])) << command->wireName;
        }
        for (std::size_t i = 1; i < reply.size(); ++i) {
            EXPECT_EQ(reply[i].find('|'), std::string::npos) << command->wireName;
            if (command->replyShape == EReplyShape::Fixed &&
                command->replyFields[i - 1].kind == OXSDK5Link::EFieldKind::Text) {
                EXPECT_LT(reply[i].size(), command->replyFields[i - 1].capacity);
            }
        }
    }
}

TEST_F(CommandHandlerTest, WrongArgumentCountsAreAnsweredWithCode2InTheCommandsShape) {
    for (const TCommandDescription* command : catalogue::kAll) {
        std::vector<std::string> args = kSampleArguments.at(command->wireName);
        const bool coordinates = command->replyShape == EReplyShape::RouteCoordinates;
        const std::vector<std::string> expected =
            coordinates ? std::vector<std::string>{"2", "0"} : std::vector<std::string>{"2"};
        args.push_back("extra");
        EXPECT_EQ(Run(Command(command->wireName, args)), expected) << command->wireName;
        if (args.size() >= 2) {
            args.resize(args.size() - 2);
            EXPECT_EQ(Run(Command(command->wireName, args)), expected) << command->wireName;
        }
    }
    EXPECT_FALSE(navigator_->stopRequested());
}

TEST_F(CommandHandlerTest, UnknownCommandsAreAnsweredWithCode1) {
    for (const char* name :
         {"NoSuchCommandV01", "getapplicationversionv01", "GeocodeByPostalCodeV01", ""}) {
        EXPECT_EQ(Run({name}), std::vector<std::string>{"1"}) << name;
    }
}

TEST_F(CommandHandlerTest, InvalidArgumentsAreAnsweredWithCode5) {
    const std::vector<std::vector<std::string>> cases = {
        {"FlashMessageV01", "Hi", "-1"},
        {"FlashMessageV01", "Hi", "3s"},
        {"NavigateToCoordinatesV01", "91000000", "0", "north of the pole"},
        {"NavigateToCoordinatesV01", "52000000", "", "empty longitude"},
        {"NavigateToFavoriteV01", "100"},
        {"ShowRectangleOnMapV01", "0", "0", "0", "181000000"},
        {"ChangeSettingV01", "18"},
        {"ChangeSettingV01", "0"},
        {"SwitchMapV01", ""},
        {"SetNavigatorPropertyV01", "1", "101"},
        {"SetNavigatorPropertyV01", "7", "1"},
        {"SetRouteSummaryVisibleV01", "2"},
        {"SetFavoriteV01", "-1", "A", "B", "0", "0"},
        {"SetFavoriteV01", "0", "A", "B", "99999999999", "0"},
        {"GetFavoriteV01", "x"},
        {"MakePoiVisibleV01", "11", "1"},
        {"AddPoiV01", "", "0", "0", "A", "B"},
        {"GetLocationInfoV01", "0", "-180000001"},
        {"EnableRawGPSOutputV01", ""},
    };
    for (const std::vector<std::string>& command : cases) {
        EXPECT_EQ(Run(command), std::vector<std::string>{"5"}) << command[0] << " " << command[1];
    }
}

TEST_F(CommandHandlerTest, UnknownPlacesAreAnsweredWithCode3) {
    const std::vector<std::vector<std::string>> cases = {
        {"GeocodeV01", "Main Street 1", "Atlantis", ""},
        {"GeocodeV01", "", "Utrecht", "Narnia"},
        {"GeocodeExtendedV01", "Domplein", "9", "Utrecht", "FR"},
        {"GeocodeByPostalCode", "00000", "", ""},
        {"NavigateToAddressV01", "Domplein", "9", "", "NL"},
        {"NavigateToPostalCodeV01", "X9", "", ""},
        {"ShowAddressOnMapV01", "", "", "Gotham", ""},
        {"ShowPostalCodeOnMapV01", "1012", "", "DE"},
    };
    for (const std::vector<std::string>& command : cases) {
        EXPECT_EQ(Run(command), std::vector<std::string>{"3"}) << command[0];
    }
    EXPECT_FALSE(navigator_->model().trip().has_value());
}

TEST_F(CommandHandlerTest, RouteQueriesWithoutARouteAnswerCode4) {
    EXPECT_EQ(Run({"GetRouteInfoV01"}), std::vector<std::string>{"4"});
    EXPECT_EQ(Run({"GetRouteCoordinatesV01"}), (std::vector<std::string>{"4", "0"}));
    Prepare();
    EXPECT_EQ(Run({"ClearRouteV01"})[0], "0");
    EXPECT_EQ(Run({"GetRouteInfoV01"}), std::vector<std::string>{"4"});
}

TEST_F(CommandHandlerTest, RouteToAGeocodedAddressRunsFromThePositionToThatAddress) {
    const std::vector<std::string> geocode = Run({"GeocodeV01", "Domplein 9", "Utrecht", "NL"});
    ASSERT_EQ(geocode.size(), 6u);
    EXPECT_EQ(geocode[4], "Domplein 9, 3511 Utrecht");
    EXPECT_EQ(geocode[5], "Utrecht, Netherlands");
    ASSERT_EQ(Run({"NavigateToAddressV01", "Domplein", "9", "Utrecht", "NL"})[0], "0");

    const std::vector<std::string> info = Run({"GetRouteInfoV01"});
    ASSERT_EQ(info.size(), 14u);
    EXPECT_EQ(info[7], geocode[1]);
    EXPECT_EQ(info[8], geocode[2]);
    const long length = std::stol(info[1]);
    EXPECT_GT(length, 30000);  // Amsterdam to Utrecht: 35 km as the crow flies
    EXPECT_LT(length, 50000);
    EXPECT_EQ(std::stol(info[3]) + std::stol(info[5]), length);
    EXPECT_EQ(info[5], "0");
    EXPECT_EQ(info[12], "1");  // under way
    EXPECT_EQ(info[13], "1");  // first route

    const std::vector<std::string> coordinates = Run({"GetRouteCoordinatesV01"});
    const std::size_t pairs = std::stoul(coordinates[1]);
    EXPECT_EQ(info[9], coordinates[1]);
    EXPECT_GT(pairs, 200u);
    EXPECT_EQ(coordinates[2], std::to_string(kStartLatitude));
    EXPECT_EQ(coordinates[3], std::to_string(kStartLongitude));
    EXPECT_EQ(coordinates[2 * pairs], geocode[1]);
    EXPECT_EQ(coordinates[2 * pairs + 1], geocode[2]);
}

TEST_F(CommandHandlerTest, PositionMovesAlongTheRouteAsTimePassesAndStopsAtTheDestination) {
    ASSERT_EQ(Run({"NavigateToCoordinatesV01", "52090700", "5121400", "Utrecht"})[0], "0");
    ASSERT_EQ(Run({"SetNavigatorPropertyV01", "6", "100"})[0], "0");  // 100 km/h
    const std::vector<std::string> before = Run({"GetCurrentPositionV01"});
    EXPECT_EQ(before[1], std::to_string(kStartLatitude));
    EXPECT_EQ(before[4], "100");

    Wait(36.0);  // one kilometre at 100 km/h
    const std::vector<std::string> after = Run({"GetCurrentPositionV01"});
    const TGeoPoint start = PointFromMicrodegrees(kStartLatitude, kStartLongitude);
    const TGeoPoint moved = PointFromMicrodegrees(std::stol(after[1]), std::stol(after[2]));
    EXPECT_GT(DistanceMetres(start, moved), 700.0);
    EXPECT_LT(DistanceMetres(start, moved), 1001.0);
    const std::vector<std::string> info = Run({"GetRouteInfoV01"});
    EXPECT_NEAR(std::stod(info[5]), 1000, 1);
    EXPECT_EQ(info[6], "36");

    Wait(3600.0);
    const std::vector<std::string> arrived = Run({"GetCurrentPositionV01"});
    EXPECT_EQ(arrived[1], "52090700");
    EXPECT_EQ(arrived[2], "5121400");
    EXPECT_EQ(arrived[4], "0");
    const std::vector<std::string> done = Run({"GetRouteInfoV01"});
    EXPECT_EQ(done[3], "0");
    EXPECT_EQ(done[12], "2");  // arrived
}

TEST_F(CommandHandlerTest, FavouritesAreStoredReadBackAndCut) {
    const std::string longName(100, 'n');
    ASSERT_EQ(Run({"SetFavoriteV01", "7", longName, "Dam 1", "-33868800", "151209300"})[0], "0");
    const std::vector<std::string> favourite = Run({"GetFavoriteV01", "7"});
    EXPECT_EQ(favourite, (std::vector<std::string>{"0", std::string(63, 'n'), "Dam 1", "-33868800",
                                                   "151209300"}));
    EXPECT_EQ(Run({"GetFavoriteV01", "8"}), std::vector<std::string>{"6"});
    EXPECT_EQ(Run({"NavigateToFavoriteV01", "8"}), std::vector<std::string>{"6"});
    EXPECT_EQ(Run({"ClearFavoriteV01", "7"})[0], "0");
    EXPECT_EQ(Run({"GetFavoriteV01", "7"}), std::vector<std::string>{"6"});
}

TEST_F(CommandHandlerTest, PoiCommandsWorkOnTheClosestPointOfTheirSet) {
    EXPECT_EQ(Run({"DeleteClosestPoiV01", "Cafes", "0", "0"}), std::vector<std::string>{"7"});
    EXPECT_EQ(Run({"MakeUserPoiVisibleV01", "Cafes", "1"}), std::vector<std::string>{"7"});
    Run({"AddPoiV01", "Cafes", "52370000", "4890000", "Near", ""});
    Run({"AddPoiV01", "Cafes", "52090000", "5120000", "Far", ""});
    Run({"MoveClosestPoiV01", "Cafes", "52100000", "5100000", "52091000", "5121000"});
    const TPoiSet* set = store_.poiSet("Cafes");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->points[1].latitude, 52091000);
    EXPECT_EQ(set->points[0].latitude, 52370000);
    EXPECT_EQ(Run({"DeleteClosestPoiV01", "Cafes", "52371000", "4891000"})[0], "0");
    ASSERT_EQ(store_.poiSet("Cafes")->points.size(), 1u);
    EXPECT_EQ(store_.poiSet("Cafes")->points[0].name, "Far");
    EXPECT_EQ(Run({"DeleteAllPoiV01", "Cafes"})[0], "0");
    EXPECT_EQ(store_.poiSet("Cafes"), nullptr);
}

TEST_F(CommandHandlerTest, RawGpsOutputWritesNmeaOfThePositionWhileEnabled) {
    ASSERT_EQ(Run({"EnableRawGPSOutputV01", "\\GPS\\out.nmea"})[0], "0");
    Wait(1.5);
    navigator_->Update();
    ASSERT_EQ(Run({"DisableRawGPSOutputV01"})[0], "0");
    Wait(5.0);
    navigator_->Update();
    std::ifstream in(folder_.path() + "/device/GPS/out.nmea");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);  // two GGA/RMC pairs, none after disabling
    EXPECT_EQ(lines[0].rfind("$GPGGA,", 0), 0u);
    EXPECT_NE(lines[0].find("5222.2130,N,00453.7101,E"), std::string::npos);
    EXPECT_EQ(lines[1].rfind("$GPRMC,", 0), 0u);
    for (const std::string& line : lines) {
        ASSERT_EQ(line.back(), '\r');
        const std::size_t star = line.find('*');
        EXPECT_EQ(line.substr(star + 1, 2), NmeaChecksum(line.substr(1, star - 1)));
    }
}

TEST_F(CommandHandlerTest, StopAndForegroundReachTheNavigator) {
    EXPECT_EQ(Run({"BringNavigatorToForegroundV01"})[0], "0");
    EXPECT_EQ(foregroundCalls_, 1);
    EXPECT_FALSE(navigator_->stopRequested());
    EXPECT_EQ(Run({"StopApplicationV01"})[0], "0");
    EXPECT_TRUE(navigator_->stopRequested());
}

TEST_F(CommandHandlerTest, CommandsWithoutFieldsOrSessionGetNoReply) {
    CFakeLayer empty;
    handler_->HandleCommand(empty, nullptr);
    MOstrelSession session;
    handler_->HandleCommand(empty, &session);
    EXPECT_EQ(empty.repliesSent(), 0);
    CFakeLayer noSession;
    noSession.LoadCommand({"GetApplicationVersionV01"});
    handler_->HandleCommand(noSession, nullptr);
    EXPECT_EQ(noSession.repliesSent(), 0);
}

TEST_F(CommandHandlerTest, LocationInfoNamesTheNearestPlace) {
    const std::vector<std::string> info = Run({"GetLocationInfoExV01", "52091000", "5122000"});
    ASSERT_EQ(info.size(), 8u);
    EXPECT_EQ(info[4], "Utrecht, Utrecht, Netherlands");
    EXPECT_EQ(info[7], "3511 Utrecht, NL");
    EXPECT_LT(std::stol(info[3]), 200);
    EXPECT_NEAR(std::stod(info[5]), 35000, 2000);  // from Amsterdam
    EXPECT_NEAR(std::stod(info[6]), 150, 10);      // south-south-east
}

}  // namespace
}  // namespace oxsdk::emulator::testing
