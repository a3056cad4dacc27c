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
#include <thread>

#include "OXSDK5Link/FileLayer.h"
#include "nlohmann/json.hpp"
#include "test_device.h"

extern char** environ;

namespace oxsdk::tools::testing {
namespace {

#ifdef OXSDK_NAVIGATOR_EMULATOR_PATH
constexpr int kClients = 4, kCommands = 500, kSpinners = 4;

// Processes started here; those not reaped yet are killed at the end.
struct CChildren : std::vector<pid_t> {
    bool Start(std::vector<std::string> argv) {
        std::vector<char*> args;
        for (std::string& arg : argv) args.push_back(arg.data());
        args.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
        push_back(pid);
        return true;
    }
    ~CChildren() {
        for (pid_t pid : *this) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    }
};

TEST(MonitorUnderLoad, ShowsEveryCommandAndReplyOfFourClients) {
    CTestDevice device;
    ASSERT_GT(device.StartNavigator({OXSDK_NAVIGATOR_EMULATOR_PATH}), 0);
    const std::string record = device.root() + "/record";
    CChildren children;  // the monitor ends once it has shown every message
    ASSERT_TRUE(
        children.Start({OXSDK_CLIENT_PATH, "--json", "monitor", "--record", record, "--count",
                        std::to_string(2 * kClients * kCommands), "--duration", "280"}));
    ASSERT_TRUE(WaitUntil(kBound, [&] { return !ReadFile(record).empty(); }));
    for (int i = 0; i < kSpinners; ++i)
        ASSERT_TRUE(children.Start({"/bin/sh", "-c", "while :; do :; done"}));
    std::vector<int> answered(kClients, 0);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([i, &answered] {
            std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
                COstrelFileLayer::New(("load" + std::to_string(i)).c_str(), "OstrelNavigator", -1));
            static_cast<COstrelFileLayer*>(layer.get())
                ->SetReplyTimeout(static_cast<int>(1000 * kBound));
            for (int sent = 0; sent < kCommands; ++sent) {
                layer->StartSendCommand();
                layer->AppendArgument("GetApplicationVersionV01");
                layer->StartReceiveCommand(layer->SendCommand());
                answered[i] += layer->NrReceiveFields() > 0 ? 1 : 0;
            }
        });
    }
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(std::vector<int>(kClients, kCommands), answered);
    int status = -1;
    ASSERT_TRUE(WaitUntil(kBound, [&] { return waitpid(children[0], &status, WNOHANG) > 0; }));
    children.erase(children.begin());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Per client and direction, the sequence numbers shown; any other event is a fault.
    std::map<std::string, std::set<std::uint32_t>> shown;
    std::istringstream lines(ReadFile(record));
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json event = nlohmann::json::parse(line);
        const std::string kind = event["event"];
        if (kind == "watching") continue;
        EXPECT_TRUE(kind == "command" || kind == "reply") << line;
        shown[kind + " " + event.value("client", "")].insert(event.value("sequence", 0u));
    }
    ASSERT_EQ(static_cast<std::size_t>(2 * kClients), shown.size());
    for (int i = 0; i < kClients; ++i) {
        const std::string client = "load" + std::to_string(i);
        EXPECT_EQ(static_cast<std::size_t>(kCommands), shown["command " + client].size());
        EXPECT_EQ(shown["command " + client], shown["reply " + client]);
    }
}
#endif

}  // namespace
}  // namespace oxsdk::tools::testing
