// Reports of the client: records read back with the catalogue layout, text and JSON forms; and
// how the monitor decodes the messages it sees and tells their direction.
#include "output.h"

#include <cstring>

#include <gtest/gtest.h>

#include "meanings.h"
#include "monitor_events.h"

namespace oxsdk::cli {
namespace {

namespace commands = OXSDK5Link::commands;
using TFields = std::vector<std::string>;

std::vector<unsigned char> BytesOf(const COstrelAPI::TFavoriteInfo& favorite) {
    std::vector<unsigned char> bytes(sizeof favorite);
    std::memcpy(bytes.data(), &favorite, sizeof favorite);
    return bytes;
}

TEST(OutputTest, DecodeRecordReadsMembersByLayout) {
    COstrelAPI::TFavoriteInfo favorite{};
    std::strcpy(favorite.text1, "Home");
    std::memset(favorite.text2, 'x', sizeof favorite.text2);  // no terminator inside the member
    favorite.value1 = -3;
    favorite.value2 = 2147483647;
    const auto values = DecodeRecord(commands::kFavoriteFields, 4, BytesOf(favorite));
    ASSERT_EQ(4u, values.size());
    EXPECT_EQ("text1", values[0].name);
    EXPECT_EQ("Home", values[0].text);
    EXPECT_EQ(std::string(sizeof favorite.text2, 'x'), values[1].text);
    EXPECT_FALSE(values[2].isText);
    EXPECT_EQ(-3, values[2].number);
    EXPECT_EQ(2147483647, values[3].number);
    // Fewer bytes than the layout needs: nothing is read beyond them.
    EXPECT_TRUE(DecodeRecord(commands::kFavoriteFields, 4, {}).empty());
}

TEST(OutputTest, TextAndJsonOfAnOutcome) {
    TCallOutcome outcome;
    outcome.status = EExitStatus::NavigatorError;
    outcome.message = "refused";
    outcome.result = 0;
    outcome.errorCode = 9;
    outcome.replyFieldCount = 5;
    outcome.recordFilled = true;
    outcome.record = {{"text1", true, 0, "\xff\xfe not UTF-8"}, {"value1", false, -1, ""}};
    EXPECT_EQ("errorCode: 9 (output file failure)\ntext1: \xff\xfe not UTF-8\nvalue1: -1\n",
              OutcomeToText(outcome));
    const std::string dumped = DumpJson(OutcomeToJson({"GetFavorite", "GetFavoriteV01"}, outcome));
    const auto json = nlohmann::json::parse(dumped);
    EXPECT_EQ(-1, json["record"]["value1"]);  // status and code: see the end-to-end tests
    EXPECT_EQ("refused", json["message"]);
    EXPECT_FALSE(json.contains("running"));
}

TEST(OutputTest, RouteRecordInJson) {
    TCallOutcome outcome;
    outcome.errorCode = 0;
    outcome.recordFilled = true;
    outcome.hasRoute = true;
    outcome.routeCount = 2;
    outcome.routePairs = {{1, -2}, {3, 4}};
    const auto json = OutcomeToJson({"GetRouteCoordinates", "GetRouteCoordinatesV01"}, outcome);
    EXPECT_EQ(2, json["record"]["count"]);
    EXPECT_EQ(nlohmann::ordered_json::parse("[[1,-2],[3,4]]"), json["record"]["coordinates"]);
}

TEST(OutputTest, CommandListComesFromTheCatalogue) {
    const auto list = CommandListToJson();
    ASSERT_EQ(static_cast<std::size_t>(commands::kCount), list.size());
    const auto& geocode = list[33];
    EXPECT_EQ("geocode-by-postal-code", geocode["subcommand"]);
    EXPECT_EQ("GeocodeByPostalCode", geocode["wireName"]);
    EXPECT_EQ(3u, geocode["arguments"].size());
    EXPECT_EQ("TGeocodeResult", geocode["record"]["type"]);
    EXPECT_EQ(128, geocode["record"]["members"][4]["capacity"]);
    const std::string text = CommandListToText();
    const auto& setting = list[10]["arguments"][0];
    EXPECT_EQ("ESettingAndValue", setting["enumeration"]);
    EXPECT_EQ("ESettingRouteFastest", setting["enumerators"][7]["name"]);
    EXPECT_EQ(8, setting["enumerators"][7]["value"]);
    EXPECT_NE(std::string::npos, text.find("ESettingRouteFastest = 8"));
    EXPECT_NE(std::string::npos,
              text.find("navigate-to-coordinates <coordinate1:number> <coordinate2:number> "
                        "<destinationText:text>\n    NavigateToCoordinates, wire name "
                        "NavigateToCoordinatesV01, reply error code only\n"));
}

TEST(OutputTest, EveryRecordMemberHasAMeaning) {
    for (const TCommandDescription* command : commands::kAll) {
        for (int i = 0; i < command->replyFieldCount; ++i) {
            EXPECT_NE(nullptr,
                      FindMemberMeaning(command->recordName, command->replyFields[i].member))
                << command->recordName << "::" << command->replyFields[i].member;
        }
    }
}

TEST(MonitorEventsTest, DecodesAsTheReceiverDoes) {
    const struct {
        std::string bytes;
        TFields fields;
        std::string rest;
    } cases[] = {
        {std::string("A|B|\0", 5), {"A", "B"}, ""},
        {std::string("a||b|\0", 6), {"a", "", "b"}, ""},
        {"a|b", {"a"}, "b"},                    // no closing separator
        {"a|b\n|c|", {"a"}, "b\n"},             // cut after the first line feed
        {std::string("a|\0b|", 5), {"a"}, ""},  // and at the first zero byte
        {"", {}, ""},
    };
    for (const auto& item : cases) {
        const TMessageText text = DecodeMessageText(item.bytes);
        EXPECT_EQ(item.fields, text.Fields()) << item.bytes;
        EXPECT_EQ(item.rest, text.Rest()) << item.bytes;
    }
}

TEST(MonitorEventsTest, TellsRepliesByTheirCommandOrTheirWriter) {
    const auto now = std::chrono::steady_clock::now();
    CDirectionTracker hinted("Nav");
    EXPECT_EQ(EDirection::kReply, hinted.DirectionOf({"nav", "app", 1, 1}));  // letter case aside
    EXPECT_EQ(EDirection::kCommand, hinted.DirectionOf({"app", "nav", 1, 1}));
    // "a" and "b" send each other commands: both are navigators, only the twin tells a reply.
    CDirectionTracker tracker("");
    tracker.Record({"a", "b", 1, 3}, EDirection::kCommand, "GetFavoriteV01", now);
    tracker.Record({"b", "a", 1, 5}, EDirection::kCommand, "FlashMessageV01", now);
    EXPECT_EQ(EDirection::kReply, tracker.DirectionOf({"b", "a", 1, 3}));
    EXPECT_EQ(EDirection::kCommand, tracker.DirectionOf({"b", "a", 1, 4}));
    const auto command = tracker.Record({"b", "a", 1, 3}, EDirection::kReply, "", now);
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ("GetFavoriteV01", command->wireName);
}

}  // namespace
}  // namespace oxsdk::cli
