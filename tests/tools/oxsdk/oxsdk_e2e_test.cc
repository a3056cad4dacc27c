// The oxsdk client as a user runs it: a separate process against a navigator process on a
// temporary emulated device. The scripted navigator gives any reply a test needs and logs what
// arrives; the test navigator answers nothing in its silent mode and ends on the stop command.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "nlohmann/json.hpp"
#include "platform/platform.h"

namespace {

using Clock = std::chrono::steady_clock;
using Environment = std::vector<std::pair<std::string, std::string>>;

constexpr auto kGenerousWait = std::chrono::seconds(60);

enum ExitStatus {
    kSuccess = 0,
    kNavigatorError = 1,
    kUsage = 2,
    kTransport = 3,
    kNotRunning = 4,
    kTimeout = 5
};

struct ClientRun {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class OxsdkClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/oxsdk-cli-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root_ = pattern;
        ASSERT_EQ(0, setenv("OXSDK_DEVICE_ROOT", (root_ + "/device").c_str(), 1));
        std::filesystem::create_directories(root_ + "/device");
    }

    void TearDown() override {
        for (pid_t child : children_) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        children_.clear();
        // A navigator started by the library runs detached: end it by the id in its window file.
        const std::string owner = ReadFile(root_ + "/device/.windows/AldernWinClass");
        if (startedByLibrary_ && !owner.empty()) {
            const pid_t pid = static_cast<pid_t>(std::atol(owner.c_str()));
            if (pid > 1) kill(pid, SIGKILL);
        }
        unsetenv("OXSDK_DEVICE_ROOT");
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    /// Starts a navigator program with `environment` added and waits for its window.
    void StartNavigator(const std::string& program, const Environment& environment) {
        const pid_t child = fork();
        ASSERT_NE(-1, child);
        if (child == 0) {
            for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
            // The navigator's own messages go to a log beside the device, not into the report.
            const int log =
                open((root_ + "/navigator.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (log >= 0) {
                dup2(log, 1);
                dup2(log, 2);
            }
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        children_.push_back(child);
        const Clock::time_point deadline = Clock::now() + kGenerousWait;
        while (oxsdk::platform::CurrentPlatform().FindWindow(u"AldernWinClass") == 0) {
            ASSERT_LT(Clock::now(), deadline) << "the navigator's window did not appear";
            int status = 0;
            ASSERT_EQ(0, waitpid(child, &status, WNOHANG)) << "the navigator ended early";
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    /// The scripted navigator under the exchange name "scripted", answering from `replies`.
    void StartScriptedNavigator(const std::vector<std::string>& replies) {
        const std::string script = root_ + "/replies";
        std::ofstream file(script);
        for (const std::string& line : replies) file << line << '\n';
        file.close();
        StartNavigator(OXSDK_SCRIPTED_NAVIGATOR_PATH,
                       {{"OXSDK_SCRIPTED_NAVIGATOR_NAME", "scripted"},
                        {"OXSDK_SCRIPTED_REPLIES", script},
                        {"OXSDK_SCRIPTED_LOG", LogPath()}});
    }

    /// Runs oxsdk with `arguments`; kills it when it outlives the generous limit.
    ClientRun RunClient(const std::vector<std::string>& arguments) {
        ClientRun run;
        const std::string outPath = root_ + "/stdout";
        const std::string errPath = root_ + "/stderr";
        const pid_t child = fork();
        if (child == -1) {
            ADD_FAILURE() << "fork failed";
            return run;
        }
        if (child == 0) {
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || err < 0) _exit(126);
            dup2(out, 1);
            dup2(err, 2);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(OXSDK_CLIENT_PATH));
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(OXSDK_CLIENT_PATH, argv.data());
            _exit(127);
        }
        const Clock::time_point deadline = Clock::now() + kGenerousWait;
        int status = 0;
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (Clock::now() >= deadline) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                ADD_FAILURE() << "oxsdk did not end within the limit";
                return run;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = ReadFile(outPath);
        run.err = ReadFile(errPath);
        return run;
    }

    /// The commands the scripted navigator received, each as its list of fields.
    std::vector<std::vector<std::string>> ReceivedCommands() {
        std::vector<std::vector<std::string>> commands;
        std::istringstream log(ReadFile(LogPath()));
        std::size_t count = 0;
        while (log >> count) {
            log.get();  // the newline after the count
            std::vector<std::string> fields;
            for (std::size_t i = 0; i < count; ++i) {
                std::size_t length = 0;
                log >> length;
                log.get();  // ':'
                std::string field(length, '\0');
                log.read(field.data(), static_cast<std::streamsize>(length));
                log.get();  // newline
                fields.push_back(field);
            }
            commands.push_back(fields);
        }
        return commands;
    }

    /// Message files in the exchange folder (commands written and not taken).
    int MessageFilesInExchange() const {
        const std::filesystem::path folder = root_ + "/device/Ostrel/SdkFileCalls";
        std::error_code error;
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.path().extension() == ".message") ++count;
        }
        return count;
    }

    std::string LogPath() const { return root_ + "/received"; }

    /// Installs "Ostrel Navigator.exe" on the device: a script that runs `program` with
    /// `environment`, for the library's start to find; TearDown ends what it started.
    void InstallNavigatorExecutable(const std::string& program, const Environment& environment) {
        const std::string folder = root_ + "/device/Program Files/Ostrel";
        std::filesystem::create_directories(folder);
        const std::string launcher = folder + "/Ostrel Navigator.exe";
        std::ofstream script(launcher);
        script << "#!/bin/sh\nexport OXSDK_DEVICE_ROOT='" << root_ << "/device'\n";
        for (const auto& [name, value] : environment) {
            script << "export " << name << "='" << value << "'\n";
        }
        script << "exec '" << program << "'\n";
        script.close();
        std::filesystem::permissions(launcher, std::filesystem::perms::owner_all);
        startedByLibrary_ = true;
    }

    std::string root_;
    std::vector<pid_t> children_;
    bool startedByLibrary_ = false;
};

TEST_F(OxsdkClientTest, RecordInHumanForm) {
    StartScriptedNavigator({"GetFavoriteV01 0|Home||-3|12"});
    const ClientRun run = RunClient({"--navigator-name", "scripted", "get-favorite", "3"});
    EXPECT_EQ(kSuccess, run.exitStatus) << run.err;
    EXPECT_EQ("errorCode: 0\ntext1: Home\ntext2: \nvalue1: -3\nvalue2: 12\n", run.out);
    EXPECT_EQ("", run.err);
    const auto received = ReceivedCommands();
    ASSERT_EQ(1u, received.size());
    EXPECT_EQ((std::vector<std::string>{"GetFavoriteV01", "3"}), received[0]);
}

TEST_F(OxsdkClientTest, RecordInJsonForm) {
    StartScriptedNavigator({"GetLocationInfoExV01 0|1|2|3|Main Street|5|6|Town"});
    const ClientRun run =
        RunClient({"--json", "--navigator-name", "scripted", "get-location-info-ex", "-7", "8"});
    EXPECT_EQ(kSuccess, run.exitStatus) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ("GetLocationInfoEx", json["command"]);
    EXPECT_EQ("GetLocationInfoExV01", json["wireName"]);
    EXPECT_EQ("ok", json["status"]);
    EXPECT_EQ(0, json["exitStatus"]);
    EXPECT_EQ(0, json["errorCode"]);
    EXPECT_EQ(8, json["replyFieldCount"]);
    const nlohmann::json expected = {
        {"value1", 1}, {"value2", 2}, {"value3", 3},    {"text1", "Main Street"},
        {"value4", 5}, {"value5", 6}, {"text2", "Town"}};
    EXPECT_EQ(expected, json["record"]);
}

TEST_F(OxsdkClientTest, RouteCoordinatesArePrintedAsPairs) {
    StartScriptedNavigator({"GetRouteCoordinatesV01 0|3|10|20|30|40"});
    const ClientRun human = RunClient({"--navigator-name", "scripted", "get-route-coordinates"});
    EXPECT_EQ(kSuccess, human.exitStatus) << human.err;
    EXPECT_EQ("errorCode: 0\ncount: 2\ncoordinates[0]: 10 20\ncoordinates[1]: 30 40\n", human.out);
    const ClientRun json =
        RunClient({"--json", "--navigator-name", "scripted", "get-route-coordinates"});
    EXPECT_EQ(kSuccess, json.exitStatus);
    EXPECT_EQ(nlohmann::json::parse("[[10,20],[30,40]]"),
              nlohmann::json::parse(json.out)["record"]["coordinates"]);
}

TEST_F(OxsdkClientTest, NavigatorErrorCodes) {
    StartScriptedNavigator(
        {"FlashMessageV01 7", "GetFavoriteV01 4", "GetDataSetInfoV01 -3|a|b|1|2"});
    const ClientRun action =
        RunClient({"--navigator-name", "scripted", "flash-message", "hello", "0"});
    EXPECT_EQ(kNavigatorError, action.exitStatus);
    EXPECT_EQ("errorCode: 7\n", action.out);
    EXPECT_NE(std::string::npos, action.err.find("error code 7")) << action.err;

    // An error-only reply to a query leaves no record to print.
    const ClientRun query =
        RunClient({"--json", "--navigator-name", "scripted", "get-favorite", "1"});
    EXPECT_EQ(kNavigatorError, query.exitStatus);
    const auto json = nlohmann::json::parse(query.out);
    EXPECT_EQ("navigator-error", json["status"]);
    EXPECT_EQ(4, json["errorCode"]);
    EXPECT_FALSE(json.contains("record"));

    // A full reply with a non-zero code: the record is filled all the same.
    const ClientRun full =
        RunClient({"--json", "--navigator-name", "scripted", "get-data-set-info"});
    EXPECT_EQ(kNavigatorError, full.exitStatus);
    EXPECT_EQ("a", nlohmann::json::parse(full.out)["record"]["text1"]);
}

TEST_F(OxsdkClientTest, MalformedReplyIsATransportFailure) {
    StartScriptedNavigator({"GetFavoriteV01 0|only one", "GetRouteCoordinatesV01 0"});
    const ClientRun fixed =
        RunClient({"--json", "--navigator-name", "scripted", "get-favorite", "1"});
    EXPECT_EQ(kTransport, fixed.exitStatus);
    const auto json = nlohmann::json::parse(fixed.out);
    EXPECT_EQ(-2, json["result"]);
    EXPECT_EQ(2, json["replyFieldCount"]);
    const ClientRun route = RunClient({"--navigator-name", "scripted", "get-route-coordinates"});
    EXPECT_EQ(kTransport, route.exitStatus);
}

TEST_F(OxsdkClientTest, ArgumentsTravelAsTheLibrarySendsThem) {
    StartScriptedNavigator({});
    const ClientRun run = RunClient({"--navigator-name", "scripted", "navigate-to-coordinates",
                                     "-2147483648", "+0042", "tab\there, return\r, \xc3\xa9"});
    EXPECT_EQ(kSuccess, run.exitStatus) << run.err;
    const ClientRun empty =
        RunClient({"--navigator-name", "scripted", "enable-raw-gps-output", ""});
    EXPECT_EQ(kSuccess, empty.exitStatus) << empty.err;
    const auto received = ReceivedCommands();
    ASSERT_EQ(2u, received.size());
    EXPECT_EQ((std::vector<std::string>{"NavigateToCoordinatesV01", "-2147483648", "42",
                                        "tab\there, return\r, \xc3\xa9"}),
              received[0]);
    EXPECT_EQ((std::vector<std::string>{"EnableRawGPSOutputV01", ""}), received[1]);
}

TEST_F(OxsdkClientTest, UsageErrorsSendNothing) {
    StartScriptedNavigator({});
    const std::vector<std::vector<std::string>> refused = {
        {"navigate-to-coordinates", "1", "2"},            // missing argument
        {"navigate-to-favorite", "1", "2"},               // surplus argument
        {"show-coordinates-on-map", "2147483648", "0"},   // beyond 32 bits
        {"show-coordinates-on-map", "0", "-2147483649"},  // below 32 bits
        {"navigate-to-favorite", "0x10"},                 // not decimal
        {"switch-map", "left|right"},                     // would split into fields
        {"switch-map", "cut\nshort"},                     // cut at the line feed
        {"no-such-command"},                              // unknown subcommand
        {},                                               // no subcommand
        {"--navigator-name", "a.b", "get-route-info"},    // name unusable in a file name
        {"--timeout", "-1", "get-route-info"},            // negative bound
    };
    for (std::vector<std::string> arguments : refused) {
        std::string shown;
        for (const std::string& argument : arguments) shown += argument + ' ';
        if (arguments.empty() || arguments[0] != "--navigator-name") {
            arguments.insert(arguments.begin(), {"--navigator-name", "scripted"});
        }
        const ClientRun run = RunClient(arguments);
        EXPECT_EQ(kUsage, run.exitStatus) << shown << run.err;
        EXPECT_FALSE(run.err.empty()) << shown;
    }
    EXPECT_TRUE(ReceivedCommands().empty());
    EXPECT_EQ(0, MessageFilesInExchange());
}

TEST_F(OxsdkClientTest, NoStartWithoutNavigator) {
    const ClientRun run = RunClient({"--no-start", "--json", "get-route-info"});
    EXPECT_EQ(kNotRunning, run.exitStatus);
    EXPECT_EQ("not-running", nlohmann::json::parse(run.out)["status"]);
    EXPECT_EQ(0, MessageFilesInExchange());
    const ClientRun status = RunClient({"status"});
    EXPECT_EQ(kNotRunning, status.exitStatus);
    EXPECT_EQ("running: no\nerrorCode: -5\n", status.out);
}

#ifdef OXSDK_TEST_NAVIGATOR_PATH
TEST_F(OxsdkClientTest, TimeoutWithNavigatorThatNeverAnswers) {
    StartNavigator(OXSDK_TEST_NAVIGATOR_PATH, {{"OXSDK_TEST_NAVIGATOR_NAME", "testnav"},
                                               {"OXSDK_TEST_NAVIGATOR_MODE", "silent"}});
    const ClientRun run = RunClient(
        {"--navigator-name", "testnav", "--timeout", "0.5", "--json", "get-application-version"});
    EXPECT_EQ(kTimeout, run.exitStatus);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ("timeout", json["status"]);
    EXPECT_NE(std::string::npos, run.err.find("no reply to GetApplicationVersionV01")) << run.err;
}

TEST_F(OxsdkClientTest, TimeoutWhileStartingANavigatorThatNeverAnswers) {
    // The library starts it, sees its window, and waits for the readiness reply without end.
    InstallNavigatorExecutable(
        OXSDK_TEST_NAVIGATOR_PATH,
        {{"OXSDK_TEST_NAVIGATOR_NAME", "testnav"}, {"OXSDK_TEST_NAVIGATOR_MODE", "silent"}});
    const ClientRun run =
        RunClient({"--navigator-name", "testnav", "--timeout", "1", "--json", "get-route-info"});
    EXPECT_EQ(kTimeout, run.exitStatus) << run.err;
    EXPECT_EQ("timeout", nlohmann::json::parse(run.out)["status"]);
    EXPECT_NE(std::string::npos, run.err.find("starting the navigator")) << run.err;
}

TEST_F(OxsdkClientTest, StatusThenStop) {
    StartNavigator(OXSDK_TEST_NAVIGATOR_PATH, {{"OXSDK_TEST_NAVIGATOR_NAME", "testnav"}});
    const ClientRun running = RunClient({"--navigator-name", "testnav", "status"});
    EXPECT_EQ(kSuccess, running.exitStatus);
    EXPECT_EQ("running: yes\nerrorCode: 0\n", running.out);
    const ClientRun stop = RunClient({"--navigator-name", "testnav", "--json", "stop"});
    EXPECT_EQ(kSuccess, stop.exitStatus) << stop.err;
    EXPECT_EQ(false, nlohmann::json::parse(stop.out)["running"]);
    EXPECT_EQ(kNotRunning, RunClient({"--navigator-name", "testnav", "stop"}).exitStatus);
    EXPECT_EQ(kNotRunning, RunClient({"--navigator-name", "testnav", "foreground"}).exitStatus);
}
#endif

#ifdef OXSDK_NAVIGATOR_EMULATOR_PATH
TEST_F(OxsdkClientTest, EmulatorUnderTheDefaultName) {
    StartNavigator(OXSDK_NAVIGATOR_EMULATOR_PATH, {});
    const ClientRun version = RunClient({"--json", "get-application-version"});
    EXPECT_EQ(kSuccess, version.exitStatus) << version.err;
    const auto json = nlohmann::json::parse(version.out);
    EXPECT_EQ(3, json["replyFieldCount"]);
    EXPECT_FALSE(json["record"]["versionText"].get<std::string>().empty());
    // No route is planned yet: the emulator refuses with a code of its own.
    const ClientRun route = RunClient({"get-route-info"});
    EXPECT_EQ(kNavigatorError, route.exitStatus) << route.out << route.err;
}

TEST_F(OxsdkClientTest, StartFindsAndLaunchesTheNavigator) {
    InstallNavigatorExecutable(OXSDK_NAVIGATOR_EMULATOR_PATH, {});
    EXPECT_EQ(kNotRunning, RunClient({"--no-start", "clear-route"}).exitStatus);
    const ClientRun start = RunClient({"--timeout", "60", "start"});
    EXPECT_EQ(kSuccess, start.exitStatus) << start.err;
    EXPECT_EQ(kSuccess, RunClient({"--no-start", "clear-route"}).exitStatus);
    const ClientRun stop = RunClient({"stop"});
    EXPECT_EQ(kSuccess, stop.exitStatus) << stop.out << stop.err;
    EXPECT_EQ(kNotRunning, RunClient({"status"}).exitStatus);
}
#endif

}  // namespace
