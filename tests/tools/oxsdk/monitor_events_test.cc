#include "monitor_events.h"

#include <gtest/gtest.h>

namespace oxsdk::cli {
namespace {

using TFields = std::vector<std::string>;

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
        EXPECT_EQ(item.fields, text.fields) << item.bytes;
        EXPECT_EQ(item.rest, text.rest) << item.bytes;
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
