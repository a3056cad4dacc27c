// What a person meets at the command line: arguments taken as typed, ambiguous coordinates
// refused with both readings, usage errors that say what went wrong (in JSON too), and a start
// that names why it failed and what fixes it. The parse and the requests run in this process.
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "command_line.h"
#include "monitor.h"
#include "nlohmann/json.hpp"
#include "output.h"

namespace oxsdk::cli {
namespace {

struct TParse {
    std::optional<int> status;  // nullopt: the command line was accepted
    std::string out, err;
    TCommandLine line;
};

TParse Parse(std::vector<std::string> arguments) {
    CLI::App app{"", "oxsdk"};
    TParse parse;
    DefineCommandLine(app, parse.line);
    arguments.insert(arguments.begin(), "oxsdk");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out, err;
    parse.status = ParseCommandLine(app, static_cast<int>(argv.size()), argv.data(), out, err);
    parse.out = out.str();
    parse.err = err.str();
    return parse;
}

TEST(CliUsabilityTest, ArgumentsAsTypedAndRefusalsThatSayWhy) {
    const std::vector<std::vector<std::string>> accepted[] = {
        // The command line, then each argument as it is sent.
        {{"flash-message", "-hello", "5"}, {"-hello", "5"}},
        {{"--json", "flash-message", "-h", "0", "--timeout", "3"}, {"-h", "0"}},
        {{"geocode", "-hi", "--help", "-x"}, {"-hi", "--help", "-x"}},
        {{"navigate-to-coordinates", "52u", "-5.5", "x"}, {"52", "-5500000", "x"}},
        {{"show-coordinates-on-map", "0", "-181"}, {"0", "-181"}},
    };
    for (const auto& c : accepted) {
        const TParse parse = Parse(c[0]);
        ASSERT_FALSE(parse.status) << c[0][0] << parse.err;
        const OXSDK5Link::TCommandDescription& command = *parse.line.binding->command;
        std::vector<std::string> sent;
        for (std::size_t i = 0; i < static_cast<std::size_t>(command.argumentCount); ++i) {
            sent.push_back(command.arguments[i].kind == OXSDK5Link::EArgumentKind::Text
                               ? parse.line.values.Text(i)
                               : std::to_string(parse.line.values.Number(i)));
        }
        EXPECT_EQ(c[1], sent);
    }

    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> says;  // parts of standard error
    } refused[] = {
        {{"navigate-to-coordinates", "52", "5", "Nowhere"},
         {"oxsdk: coordinate1: '52' is ambiguous", "write 52.0", "write 52u", "0.000052 degrees"}},
        {{"--json", "navigate-to-coordinates", "1", "-180", "x"}, {"'1' is ambiguous"}},
        {{"--timout", "3", "status"},
         {"oxsdk: unknown option '--timout'; did you mean '--timeout'?"}},
        {{"--json", "status", "--no-strat"}, {"did you mean '--no-start'?"}},
        {{"get-favorite"},
         {"oxsdk: get-favorite takes favoriteIndex;", "`oxsdk get-favorite --help`"}},
    };
    for (const auto& c : refused) {
        const TParse parse = Parse(c.arguments);
        EXPECT_EQ(2, parse.status.value_or(-1)) << c.arguments[0];
        for (const std::string& part : c.says) {
            EXPECT_NE(std::string::npos, parse.err.find(part)) << parse.err;
        }
        if (c.arguments[0] != "--json") {
            EXPECT_EQ("", parse.out);
            continue;
        }
        // A JSON caller gets one object with the refusal on standard output.
        const nlohmann::json report = nlohmann::json::parse(parse.out);
        EXPECT_EQ("usage-error", report["status"]);
        EXPECT_EQ(2, report["exitStatus"]);
        EXPECT_NE(std::string::npos, parse.err.find(report["message"].get<std::string>()));
    }

    const TParse help = Parse({"geocode", "--help"});
    EXPECT_EQ(0, help.status.value_or(-1));
    for (const char* part : {"street and house number", "place", "country"}) {
        EXPECT_NE(std::string::npos, help.out.find(part)) << help.out;
    }
}

TEST(CliUsabilityTest, StartStatusVersionAndMonitorOnAnEmptyDevice) {
    std::string root = std::filesystem::temp_directory_path().string() + "/oxsdk-cli-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(root.data()));
    ::setenv("OXSDK_DEVICE_ROOT", root.c_str(), 1);
    const TClientOptions options{kDefaultClientName, kDefaultNavigatorName, false, 30};

    // The program itself, as a person runs it on an empty device.
    FILE* run = ::popen((std::string(OXSDK_CLIENT_PATH) + " start 2>&1").c_str(), "r");
    ASSERT_NE(nullptr, run);
    std::string printed;
    for (char buffer[512]; std::fgets(buffer, sizeof buffer, run) != nullptr;) printed += buffer;
    EXPECT_EQ(4, WEXITSTATUS(::pclose(run)));
    for (const std::string& part :
         {std::string("no navigator program was found"), root,
          std::string("\"Ostrel Navigator.exe\""), std::string("oxsdk-navigator")}) {
        EXPECT_NE(std::string::npos, printed.find(part)) << printed;
    }

    const TCallOutcome status = RunStatus(options);
    const std::string said = OutcomeToText(status) + status.message;
    EXPECT_EQ(said.find("not running"), said.rfind("not running")) << said;
    EXPECT_NE(std::string::npos, said.find("oxsdk start")) << said;

    const std::string version = OutcomeToText(RunSdkVersion(options));
    EXPECT_NE(std::string::npos, version.find("versionNumber: 223 (build number")) << version;

    // The monitor creates a missing device, as the library does, and watches it.
    const std::string missing = root + "/not/yet/device";
    ::setenv("OXSDK_DEVICE_ROOT", missing.c_str(), 1);
    TMonitorOptions monitor;
    monitor.duration = 0.01;
    EXPECT_EQ(0, RunMonitor(monitor, true, kDefaultNavigatorName));
    EXPECT_TRUE(std::filesystem::is_directory(missing + "/Ostrel/SdkFileCalls"));
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace oxsdk::cli
