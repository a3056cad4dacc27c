// Units of the client: argument checks, what the arguments of a command convert to, records
// read back with the catalogue layout, and the monitor's memory of who is a navigator.
#include "command_line.h"

#include <gtest/gtest.h>

#include <cstring>

#include "argument_forms.h"
#include "monitor_events.h"
#include "output.h"

namespace oxsdk::cli {
namespace {

TEST(CommandLineTest, ChecksOfNumbersTextsNamesAndTimeouts) {
    const std::string longest(205, 'n');
    const struct {
        std::string (*check)(const std::string&);
        std::vector<std::string> good, bad;
    } cases[] = {
        {CheckNumber,
         {"0", "-0", "+7", "007", "2147483647", "-2147483648"},
         {"", "-", "+", "2147483648", "-2147483649", "0x10", "1e3", " 5", "5 ", "1.5", "--5"}},
        {CheckText, {"", "tab\tcarriage\rreturn \x01 \xc3\xa9"}, {"line\nfeed", "a|b", "|"}},
        {CheckExchangeName, {"navigator", longest}, {"", longest + "n", "a.b", "a/b", "a\\b"}},
        {CheckTimeout, {"0", "2.5"}, {"", "soon", "1e300", "inf", "nan", "-0.5", "5s"}},
    };
    for (const auto& c : cases) {
        for (const std::string& text : c.good) EXPECT_EQ("", c.check(text)) << text;
        for (const std::string& text : c.bad) EXPECT_NE("", c.check(text)) << text;
    }
}

TEST(CommandLineTest, ArgumentForms) {
    namespace commands = OXSDK5Link::commands;
    const struct {
        const TCommandDescription& command;
        std::vector<std::string> typed;
        std::vector<std::int32_t> numbers;  // the non-text arguments in order, when accepted
        const char* refusal = nullptr;      // a part of the reason, when refused
    } cases[] = {
        {commands::NavigateToCoordinates, {"52370216", "-4895168", "Dam"}, {52370216, -4895168}},
        {commands::NavigateToCoordinates, {"52.370216", "-4.8951684", ""}, {52370216, -4895168}},
        {commands::NavigateToCoordinates, {"geo:52.3702,4.8952", "Dam"}, {52370200, 4895200}},
        {commands::NavigateToCoordinates, {"geo:1,2,30;crs=wgs84;u=5", "x"}, {1000000, 2000000}},
        {commands::ShowRectangleOnMap, {"geo:1,2", "3.5,4"}, {1000000, 2000000, 3500000, 4000000}},
        {commands::SetFavorite, {"7", "a", "b", "52.5", "13.4"}, {7, 52500000, 13400000}},
        {commands::ChangeSetting, {"routeshortest"}, {9}},
        {commands::SetNavigatorProperty, {"EPropertyVolume", "60"}, {1, 60}},
        {commands::NavigateToCoordinates, {"90.000001", "4", "x"}, {}, "within -90..90"},
        {commands::NavigateToCoordinates, {"geo:52,180.5", "x"}, {}, "within -180..180"},
        {commands::NavigateToCoordinates, {"geo:52", "x"}, {}, "not a pair"},
        {commands::NavigateToCoordinates, {"geo:1,2;crs=utm", "x"}, {}, "wgs84"},
        {commands::NavigateToCoordinates, {"1e3", "4", "x"}, {}, "is not a latitude"},
        {commands::NavigateToCoordinates, {"52.3.7", "4", "x"}, {}, "not a number of degrees"},
        {commands::NavigateToCoordinates, {"1u", "2u"}, {}, "destinationText is missing"},
        {commands::NavigateToCoordinates, {"1u", "2u", "x", "y"}, {}, "'y' is one argument too"},
        {commands::NavigateToCoordinates, {"1u", "2u", "a|b"}, {}, "\"|\""},
        {commands::NavigateToFavorite, {"1.5"}, {}, "not a decimal integer"},
        {commands::ChangeSetting, {"ESettingRouteFastes"}, {}, "did you mean ESettingRouteFastest"},
        {commands::MakePoiVisible, {"Fuel", "1"}, {}, "EPoiFuelStation, EPoiParking"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.command.name) + " " + c.typed[0]);
        TArgumentValues values;
        const std::string refused = ConvertArguments(*FindBinding(c.command), c.typed, &values);
        if (c.refusal != nullptr) {
            EXPECT_NE(std::string::npos, refused.find(c.refusal)) << refused;
            continue;
        }
        EXPECT_EQ("", refused);
        std::vector<std::int32_t> numbers;
        for (int i = 0; i < c.command.argumentCount; ++i) {
            if (c.command.arguments[i].kind != OXSDK5Link::EArgumentKind::Text)
                numbers.push_back(values.Number(static_cast<std::size_t>(i)));
        }
        EXPECT_EQ(c.numbers, numbers);
    }
}

TEST(OutputTest, DecodeRecordReadsMembersByLayoutAndNothingBeyond) {
    COstrelAPI::TFavoriteInfo favorite{};
    std::strcpy(favorite.text1, "Home");
    std::memset(favorite.text2, 'x', sizeof favorite.text2);  // no terminator inside the member
    favorite.value1 = -3;
    std::vector<unsigned char> bytes(sizeof favorite);
    std::memcpy(bytes.data(), &favorite, sizeof favorite);
    const auto values = DecodeRecord(OXSDK5Link::commands::kFavoriteFields, 4, bytes);
    ASSERT_EQ(4u, values.size());
    EXPECT_EQ("Home", values[0].text);
    EXPECT_EQ(std::string(sizeof favorite.text2, 'x'), values[1].text);
    EXPECT_EQ(-3, values[2].number);
    EXPECT_TRUE(DecodeRecord(OXSDK5Link::commands::kFavoriteFields, 4, {}).empty());
    // A text that is not UTF-8 is reported as it came, and its JSON form can still be written.
    TCallOutcome outcome;
    outcome.errorCode = 9;
    outcome.recordFilled = true;
    outcome.record = {{"text1", true, 0, "\xff\xfe"}};
    EXPECT_EQ("errorCode: 9 (output file failure)\ntext1: \xff\xfe\n", OutcomeToText(outcome));
    EXPECT_NO_THROW(DumpJson(OutcomeToJson({"GetFavorite", "GetFavoriteV01"}, outcome)));
}

TEST(MonitorEventsTest, KnowsABoundedNumberOfNavigatorsAndAlwaysTheGivenOne) {
    const auto now = std::chrono::steady_clock::now();
    // The given navigator name (letter case aside) and the last `capacity` readers of commands
    // are navigators; what a navigator writes to another party is a reply.
    CDirectionTracker tracker("Nav", 4);
    for (std::uint32_t i = 0; i < 10; ++i) {
        tracker.Record({"app", "reader" + std::to_string(i), 1, i}, EDirection::kCommand, "X", now);
    }
    EXPECT_EQ(EDirection::kReply, tracker.DirectionOf({"READER9", "app", 2, 1}));
    EXPECT_EQ(EDirection::kReply, tracker.DirectionOf({"reader6", "app", 2, 1}));
    EXPECT_EQ(EDirection::kCommand, tracker.DirectionOf({"reader0", "app", 2, 1}));
    EXPECT_EQ(EDirection::kReply, tracker.DirectionOf({"nav", "app", 2, 1}));
    EXPECT_EQ(EDirection::kCommand, tracker.DirectionOf({"app", "nav", 2, 1}));
}

}  // namespace
}  // namespace oxsdk::cli
