// The command line: argument checks and what a parse selects.
#include "command_line.h"

#include <gtest/gtest.h>

#include "argument_forms.h"

namespace oxsdk::cli {
namespace {

TEST(CommandLineTest, NumberChecks) {
    for (const char* good : {"0", "-0", "7", "+7", "007", "2147483647", "-2147483648"}) {
        EXPECT_EQ("", CheckNumber(good)) << good;
    }
    for (const char* bad : {"", "-", "+", "2147483648", "-2147483649", "99999999999999999999999",
                            "0x10", "1e3", " 5", "5 ", "1.5", "--5", "5-"}) {
        EXPECT_NE("", CheckNumber(bad)) << bad;
    }
    EXPECT_EQ(-2147483647 - 1, ParseNumber("-2147483648"));
    EXPECT_EQ(42, ParseNumber("+0042"));
}

TEST(CommandLineTest, TextAndNameChecks) {
    EXPECT_EQ("", CheckText(""));
    EXPECT_EQ("", CheckText("tab\tcarriage\rreturn \x01 \xc3\xa9"));
    EXPECT_NE("", CheckText("line\nfeed"));
    EXPECT_NE("", CheckText("a|b"));
    EXPECT_NE("", CheckText("|"));
    EXPECT_EQ("", CheckExchangeName("navigator"));
    EXPECT_EQ("", CheckExchangeName(std::string(205, 'n')));
    for (const std::string& bad : {std::string(), std::string(206, 'n'), std::string("a.b"),
                                   std::string("a/b"), std::string("a\\b")}) {
        EXPECT_NE("", CheckExchangeName(bad)) << bad;
    }
    // Together they must leave room in a command file's device path (259 characters).
    EXPECT_EQ("", CheckExchangeNames(std::string(191, 'c'), "OstrelNavigator"));
    EXPECT_NE("", CheckExchangeNames(std::string(192, 'c'), "OstrelNavigator"));
}

struct Parsed {
    CLI::App app{"", "oxsdk"};
    TCommandLine commandLine;
    Parsed() { DefineCommandLine(app, commandLine); }
    void Parse(std::vector<std::string> arguments) {
        arguments = ArgumentsAsTyped(app, arguments);
        std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them last first
        app.parse(arguments);
    }
};

TEST(CommandLineTest, ParseSelectsTheCommandOrLocalCommandWithOptionsOnEitherSide) {
    Parsed parsed;
    parsed.Parse({"--no-start", "navigate-to-coordinates", "-5u", "7u", "", "--timeout", "2.5",
                  "--navigator-name", "nav"});
    const TCommandLine& line = parsed.commandLine;
    ASSERT_NE(nullptr, line.binding);
    EXPECT_EQ(&OXSDK5Link::commands::NavigateToCoordinates, line.binding->command);
    const TArgumentValues values = line.ArgumentValues();
    EXPECT_EQ(-5, values.Number(0));
    EXPECT_EQ(7, values.Number(1));
    EXPECT_STREQ("", values.Text(2));
    EXPECT_TRUE(line.options.noStart);
    EXPECT_DOUBLE_EQ(2.5, line.options.timeoutSeconds);
    EXPECT_EQ("nav", line.options.navigatorName);
    EXPECT_EQ(kDefaultClientName, line.options.clientName);
    EXPECT_EQ(ELocalCommand::None, line.local);
    Parsed local;
    local.Parse({"--json", "sdk-version"});
    EXPECT_EQ(ELocalCommand::SdkVersion, local.commandLine.local);
    EXPECT_TRUE(local.commandLine.json);
    EXPECT_DOUBLE_EQ(kDefaultTimeoutSeconds, local.commandLine.options.timeoutSeconds);
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
        {commands::NavigateToCoordinates, {"-90.0", "+180.", "x"}, {-90000000, 180000000}},
        {commands::NavigateToCoordinates, {"geo:52.3702,4.8952", "Dam"}, {52370200, 4895200}},
        {commands::NavigateToCoordinates, {"52,-4.5", "Dam"}, {52000000, -4500000}},
        {commands::NavigateToCoordinates, {"geo:1,2,30;crs=wgs84;u=5", "x"}, {1000000, 2000000}},
        {commands::ShowRectangleOnMap, {"geo:1,2", "3.5,4"}, {1000000, 2000000, 3500000, 4000000}},
        {commands::SetFavorite, {"7", "a", "b", "52.5", "13.4"}, {7, 52500000, 13400000}},
        {commands::ChangeSetting, {"ESettingRouteFastest"}, {8}},
        {commands::ChangeSetting, {"routeshortest"}, {9}},
        {commands::ChangeSetting, {"12345"}, {12345}},
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
        const std::string label = std::string(c.command.name) + " " + c.typed[0];
        TArgumentValues values;
        const std::string refused = ConvertArguments(*FindBinding(c.command), c.typed, &values);
        if (c.refusal != nullptr) {
            EXPECT_NE(std::string::npos, refused.find(c.refusal)) << label << ": " << refused;
            continue;
        }
        EXPECT_EQ("", refused) << label;
        std::vector<std::int32_t> numbers;
        for (int i = 0; i < c.command.argumentCount; ++i) {
            if (c.command.arguments[i].kind != OXSDK5Link::EArgumentKind::Text)
                numbers.push_back(values.Number(static_cast<std::size_t>(i)));
        }
        EXPECT_EQ(c.numbers, numbers) << label;
    }
}

TEST(CommandLineTest, MistypedSubcommandIsNamedWithTheClosest) {
    Parsed parsed;
    const struct {
        std::vector<std::string> arguments;
        const char* expected;  // a part of the message; "" when there is none
    } cases[] = {
        {{"--timeout", "5", "get-rout-info"}, "did you mean 'get-route-info'?"},
        {{"--json", "--navigator-name=x", "stauts"}, "did you mean 'status'?"},
        {{"xyzzy"}, "unknown subcommand 'xyzzy' (`oxsdk --help`"},
        {{"--timeout", "5", "status"}, ""},
    };
    for (const auto& c : cases) {
        const std::string message = UnknownSubcommandMessage(parsed.app, c.arguments);
        if (*c.expected == '\0') {
            EXPECT_EQ("", message);
        } else {
            EXPECT_NE(std::string::npos, message.find(c.expected)) << message;
        }
    }
}

TEST(CommandLineTest, RefusedCommandLines) {
    // Refusals of the argument checks themselves are shown by the client's end-to-end tests.
    const std::vector<std::vector<std::string>> refused = {{"--client-name", "", "status"},
                                                           {"--timeout", "soon", "status"},
                                                           {"--timeout", "1e300", "status"},
                                                           {"--timeout", "inf", "status"},
                                                           {"--timeout", "nan", "status"},
                                                           {"--timeout", "-0.5", "status"},
                                                           {"status", "extra"}};
    for (const auto& arguments : refused) {
        Parsed parsed;
        EXPECT_THROW(parsed.Parse(arguments), CLI::ParseError) << arguments[1];
    }
}

}  // namespace
}  // namespace oxsdk::cli
