// `oxsdk monitor` beside four clients and the navigator emulator on a machine kept busy by four
// processes that only spin: every command and every reply is shown, none `vanished`, however
// soon the emulator and the clients take them.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "nlohmann/json.hpp"
#include "test_device.h"

extern char** environ;

namespace oxsdk::tools::testing {
namespace {

#ifdef OXSDK_NAVIGATOR_EMULATOR_PATH
constexpr int kClients = 4;
constexpr int kCommandsPerClient = 500;
constexpr int kSpinners = 4;

// Processes started here, killed (if still running) and reaped when it ends.
class CProcesses {
public:
    bool Start(std::vector<std::string> argv) {
        std::vector<char*> args;
        for (std::string& arg : argv) args.push_back(arg.data());
        args.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
        pids_.push_back(pid);
        return true;
    }
    // Waits, bounded, for the first process to end; its exit status, -1 when it did not.
    int WaitForFirst() {
        int status = 0;
        if (!WaitUntil(kBound, [&] { return waitpid(pids_[0], &status, WNOHANG) == pids_[0]; })) {
            return -1;
        }
        pids_.erase(pids_.begin());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ~CProcesses() {
        for (pid_t pid : pids_) kill(pid, SIGKILL);
        for (pid_t pid : pids_) waitpid(pid, nullptr, 0);
    }

private:
    std::vector<pid_t> pids_;
};

// Sends `count` commands one after another and takes each reply; the number of replies that
// came with fields.
int RunClient(const std::string& name, int count) {
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New(name.c_str(), "OstrelNavigator", -1));
    if (layer == nullptr) return 0;
    static_cast<COstrelFileLayer*>(layer.get())->SetReplyTimeout(static_cast<int>(kBound * 1000));
    int answered = 0;
    for (int i = 0; i < count; ++i) {
        layer->StartSendCommand();
        layer->AppendArgument("GetApplicationVersionV01");
        MOstrelSession* session = layer->SendCommand();
        if (session == nullptr) continue;
        layer->StartReceiveCommand(session);
        if (layer->NrReceiveFields() > 0) ++answered;
    }
    return answered;
}

TEST(MonitorUnderLoad, ShowsEveryCommandAndReplyOfFourClients) {
    CTestDevice device;
    ASSERT_GT(device.StartNavigator({OXSDK_NAVIGATOR_EMULATOR_PATH}), 0);
    const std::string record = device.root() + "/record";
    const int messages = 2 * kClients * kCommandsPerClient;
    // The monitor ends once it has shown every message (the duration only bounds a failure).
    CProcesses processes;
    ASSERT_TRUE(processes.Start({OXSDK_CLIENT_PATH, "--json", "monitor", "--record", record,
                                 "--count", std::to_string(messages), "--duration", "280"}));
    ASSERT_TRUE(WaitUntil(kBound, [&] { return !ReadFile(record).empty(); }));
    for (int i = 0; i < kSpinners; ++i) {
        ASSERT_TRUE(processes.Start({"/bin/sh", "-c", "while :; do :; done"}));
    }
    std::vector<int> answered(kClients, 0);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([i, &answered] {
            answered[i] = RunClient("load" + std::to_string(i), kCommandsPerClient);
        });
    }
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(std::vector<int>(kClients, kCommandsPerClient), answered);
    ASSERT_EQ(0, processes.WaitForFirst());

    // Per client: the sequence numbers of its commands, and of its replies; every other event.
    std::map<std::string, std::set<std::uint32_t>> commands, replies;
    std::vector<std::string> others;
    std::istringstream lines(ReadFile(record));
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json event = nlohmann::json::parse(line);
        const std::string kind = event["event"];
        if (kind == "command") {
            commands[event["client"]].insert(event["sequence"].get<std::uint32_t>());
        } else if (kind == "reply") {
            replies[event["client"]].insert(event["sequence"].get<std::uint32_t>());
        } else if (kind != "watching") {
            others.push_back(line);
        }
    }
    EXPECT_EQ(std::vector<std::string>(), others);
    ASSERT_EQ(static_cast<std::size_t>(kClients), commands.size());
    for (const auto& [client, sequences] : commands) {
        EXPECT_EQ(static_cast<std::size_t>(kCommandsPerClient), sequences.size()) << client;
        EXPECT_EQ(sequences, replies[client]) << client;
    }
}
#endif

}  // namespace
}  // namespace oxsdk::tools::testing
