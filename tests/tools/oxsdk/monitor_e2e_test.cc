// `oxsdk monitor` as a user runs it, watching this test talk to itself through the library (as
// the client and, through ProcessEvents, the navigator): it prints what travelled, and misses
// nothing at 1,000 commands a second. The test's navigator and client take a message only once
// the monitor has shown it: one removed sooner would be "vanished", depending on the load.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "OXSDK5Link/FileLayer.h"
#include "nlohmann/json.hpp"
#include "test_device.h"

namespace oxsdk::tools::testing {
namespace {

using nlohmann::json;
using TFields = std::vector<std::string>;

TFields FieldsOf(MOstrelCommunicationLayerInterface& layer) {
    TFields fields;
    for (int i = 0; i < layer.NrReceiveFields(); ++i) fields.push_back(layer.ReceiveField(i));
    return fields;
}

TFields FieldsOf(const json& event) {
    return event.value("fields", json::array());
}

// Answers from a table by wire name ("0" for the others).
class ScriptedNavigator : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        const TFields command = FieldsOf(layer);
        const auto reply = replies.find(command.empty() ? "" : command[0]);
        layer.StartReturnResult(session);
        for (const std::string& field : reply == replies.end() ? TFields{"0"} : reply->second)
            layer.AppendArgument(field.c_str());
        layer.SendCommand();  // a reply gives no session back
        ++replied;
        return 0;
    }
    std::map<std::string, TFields> replies;
    std::size_t replied = 0;
};

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        layer_.reset(COstrelFileLayer::New("watched", "scripted", -1));
        ASSERT_NE(nullptr, layer_);
    }
    void TearDown() override {
        if (monitor_.joinable()) monitor_.join();
    }

    // Starts `oxsdk --json monitor ARGUMENTS`, recording to a file, and waits until it watches.
    void StartMonitor(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {
            OXSDK_CLIENT_PATH,          "--json",     "monitor", "--record",
            device_.root() + "/record", "--duration", "50"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        monitor_ = std::thread([this, argv] { run_ = device_.Run(argv); });
        record_.open(device_.root() + "/record", std::ios::binary);
        ASSERT_TRUE(WaitUntil(kBound, [this] { return Shown("watching") == 1; }));
    }
    // How many events of `kind` the monitor has recorded so far.
    std::size_t Shown(const std::string& kind) {
        if (!record_.is_open()) record_.open(device_.root() + "/record", std::ios::binary);
        record_.clear();
        partial_.append(std::istreambuf_iterator<char>(record_), {});
        for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            ++shown_[json::parse(partial_.substr(0, end))["event"].get<std::string>()];
            partial_.erase(0, end + 1);
        }
        return shown_[kind];
    }
    // The monitor's events after its end, the "watching" line left out.
    std::vector<json> Events() {
        monitor_.join();
        EXPECT_EQ(0, run_.exitStatus) << run_.err;
        EXPECT_EQ(run_.out, ReadFile(device_.root() + "/record"));
        std::vector<json> events;
        std::istringstream lines(run_.out);
        for (std::string line; std::getline(lines, line);) {
            json event = json::parse(line);
            if (event["event"] != "watching") events.push_back(event);
        }
        return events;
    }

    void Send(const TFields& fields) {
        layer_->StartSendCommand();
        for (const std::string& field : fields) layer_->AppendArgument(field.c_str());
        MOstrelSession* session = layer_->SendCommand();
        ASSERT_NE(nullptr, session);
        waiting_.push_back(session);
        ++sent_;
    }
    // One turn of the navigator and of the client, each taking only what the monitor has shown.
    void Step() {
        if (Shown("command") == sent_) COstrelFileLayer::ProcessEvents("scripted", navigator_);
        if (Shown("reply") != navigator_.replied) return;
        while (!waiting_.empty() && layer_->ReturnAvailable(waiting_.front()) != 0) {
            layer_->StartReceiveCommand(waiting_.front());
            waiting_.pop_front();
            replies_.push_back(FieldsOf(*layer_));
        }
    }
    void Settle() {
        EXPECT_TRUE(WaitUntil(kBound, [this] {
            Step();
            return waiting_.empty();
        }));
    }

    CTestDevice device_;
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer_;
    ScriptedNavigator navigator_;
    std::deque<MOstrelSession*> waiting_;
    std::size_t sent_ = 0;
    std::vector<TFields> replies_;  // as the client received them
    std::thread monitor_;
    TRun run_;
    std::ifstream record_;
    std::string partial_;
    std::map<std::string, std::size_t> shown_;
};

TEST_F(MonitorTest, DecodesBothDirectionsAsTheyTravelled) {
    navigator_.replies = {{"GetFavoriteV01", {"0", "Home", "", "-3", "12"}},
                          {"FlashMessageV01", {"7"}},
                          {"GetLocationInfoExV01", {"0", "1", "Caf\xc3\xa9 \xe9t\xe9\t\r", ""}}};
    StartMonitor({"--count", "8"});
    const std::vector<TFields> commands = {
        {"GetFavoriteV01", "3"},
        {"FlashMessageV01", "tab\there, return\r, \xc3\xa9", "", "-2147483648"},
        {"GetLocationInfoExV01", "-7", "8"}};
    for (const TFields& command : commands) {
        Send(command);
        Settle();
    }
    // A message removed before its marker appears is read all the same, through the descriptor
    // the monitor opened when it appeared; a marker whose message it never saw is "vanished"
    // (and, as events come in order, says that the message before it was opened).
    const std::string folder = device_.root() + "/Ostrel/SdkFileCalls/";
    std::ofstream(folder + "early.scripted.5.1.message") << std::string("Early|x|\0", 9);
    std::ofstream(folder + "ghost.elsewhere.1.9.finished") << "x";
    ASSERT_TRUE(WaitUntil(kBound, [this] { return Shown("vanished") == 1; }));
    ASSERT_EQ(0, std::remove((folder + "early.scripted.5.1.message").c_str()));
    std::ofstream(folder + "early.scripted.5.1.finished") << "x";

    std::vector<json> events = Events();  // not const: a missing member reads as null
    ASSERT_EQ(8u, events.size()) << run_.out;
    ASSERT_EQ(commands.size(), replies_.size());
    for (std::size_t i = 0; i < commands.size(); ++i) {
        json& command = events[2 * i];
        json& reply = events[2 * i + 1];
        SCOPED_TRACE(command.dump() + "\n" + reply.dump());
        EXPECT_EQ("command", command["event"]);
        EXPECT_EQ("reply", reply["event"]);
        for (json* event : {&command, &reply}) {
            EXPECT_EQ("watched", (*event)["client"]);
            EXPECT_EQ("scripted", (*event)["navigator"]);
            EXPECT_EQ(getpid(), (*event)["pid"]);
            // A layer numbers its commands on from where its process starts them.
            EXPECT_EQ(events[0]["sequence"].get<std::size_t>() + i, (*event)["sequence"]);
            EXPECT_EQ(commands[i][0], (*event)["wireName"]);
        }
        EXPECT_TRUE(reply["latencyMs"].is_number());
        EXPECT_EQ(commands[i], FieldsOf(command));
        if (i != 2) {
            EXPECT_EQ(replies_[i], FieldsOf(reply));
        }
    }
    // Texts that are not UTF-8 come as Latin-1 characters, one per byte.
    EXPECT_EQ("latin-1", events[5]["encoding"]);
    EXPECT_EQ(replies_[2], (TFields{"0", "1", "Caf\xc3\xa9 \xe9t\xe9\t\r", ""}));
    EXPECT_EQ(FieldsOf(events[5]),
              (TFields{"0", "1", "Caf\xc3\x83\xc2\xa9 \xc3\xa9t\xc3\xa9\t\r", ""}));
    EXPECT_EQ("vanished", events[6]["event"]);
    EXPECT_EQ("ghost.elsewhere.1.9.message", events[6]["file"]);
    EXPECT_EQ("command", events[7]["event"]);
    EXPECT_EQ((TFields{"Early", "x"}), FieldsOf(events[7]));
}

TEST_F(MonitorTest, ThousandCommandsASecondNoneMissed) {
    constexpr int kCommands = 2000;
    StartMonitor({"--count", std::to_string(2 * kCommands), "--client", "watched"});
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCommands; ++i) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(1000 * i));
        Send({"GetFavoriteV01", std::to_string(i)});
        Step();
    }
    Settle();

    std::map<std::string, std::set<int>> seen;  // event kind -> sequences
    for (const json& event : Events()) seen[event["event"]].insert(event.value("sequence", 0));
    EXPECT_EQ(kCommands, static_cast<int>(seen["command"].size()));
    EXPECT_EQ(kCommands, static_cast<int>(seen["reply"].size()));
    EXPECT_EQ(2u, seen.size());
}

TEST_F(MonitorTest, SaysWhenEventsWereLostAndListsTheFolderAgain) {
    const int queued = std::atoi(ReadFile("/proc/sys/fs/inotify/max_queued_events").c_str());
    if (queued <= 0 || queued > 100000) GTEST_SKIP() << "event queue of " << queued;
    StartMonitor({"--count", "1"});
    pid_t monitor = -1;  // found by its record file, which only it names
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string commandLine = ReadFile(entry.path().string() + "/cmdline");
        if (commandLine.find(device_.root() + "/record") != std::string::npos &&
            commandLine.find("/usr/bin/env") == std::string::npos) {
            monitor = std::atoi(entry.path().filename().c_str());
        }
    }
    ASSERT_GT(monitor, 0);
    // Stopped, the monitor lets more events pile up than the queue holds.
    ASSERT_EQ(0, kill(monitor, SIGSTOP));
    const std::string folder = device_.root() + "/Ostrel/SdkFileCalls/";
    for (int i = 0; i <= queued; ++i) std::ofstream(folder + "other." + std::to_string(i));
    std::ofstream(folder + "late.nav.1.1.message") << std::string("Late|\0", 6);
    std::ofstream(folder + "late.nav.1.1.finished") << "x";
    ASSERT_EQ(0, kill(monitor, SIGCONT));

    std::vector<json> events = Events();
    ASSERT_EQ(2u, events.size()) << run_.out;
    EXPECT_EQ("events-lost", events[0]["event"]);
    EXPECT_EQ("command", events[1]["event"]);
    EXPECT_EQ((TFields{"Late"}), FieldsOf(events[1]));
}

}  // namespace
}  // namespace oxsdk::tools::testing
