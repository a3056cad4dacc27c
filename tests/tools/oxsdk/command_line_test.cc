// The command line: argument checks and what a parse selects.
#include "command_line.h"

#include <gtest/gtest.h>

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
        std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them last first
        app.parse(arguments);
    }
};

TEST(CommandLineTest, ParseSelectsTheCommandOrLocalCommandWithOptionsOnEitherSide) {
    Parsed parsed;
    parsed.Parse({"--no-start", "navigate-to-coordinates", "-5", "7", "", "--timeout", "2.5",
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
