// Two clients, one after the other, each pid 1 of a pid namespace of its own (as in
// containers): the first gives up waiting, the navigator answers it late, after the second
// one sent its command. The second one must get its own answer. The clients are this program
// run again under `unshare -pf`, which needs root (CI runs as root); elsewhere the test is
// skipped with a message.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"

namespace pid_reuse {
namespace {

namespace fs = std::filesystem;

constexpr char kClientVariable[] = "OXSDK_PID_REUSE_CLIENT";  // "<argument> <reply timeout ms>"
constexpr int kGotItsOwnReply = 0;
constexpr int kNoReply = 3;
constexpr int kAnotherReply = 4;
constexpr int kNotSent = 5;

// The client: sends "EchoV01|<argument>|" and tells by its exit status what came back.
int RunClient(const char* setting) {
    const std::string text = setting;
    const std::string argument = text.substr(0, text.find(' '));
    const int timeout = std::atoi(text.c_str() + text.find(' ') + 1);
    MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New("client", "nav", -1);
    if (layer == nullptr) return kNotSent;
    static_cast<COstrelFileLayer*>(layer)->SetReplyTimeout(timeout);
    layer->StartSendCommand();
    layer->AppendArgument("EchoV01");
    layer->AppendArgument(argument.c_str());
    MOstrelSession* session = layer->SendCommand();
    if (session == nullptr) return kNotSent;
    layer->StartReceiveCommand(session);
    const int result = layer->NrReceiveFields() == 0        ? kNoReply
                       : argument == layer->ReceiveField(0) ? kGotItsOwnReply
                                                            : kAnotherReply;
    delete layer;
    return result;
}

// Run again as a client, this program is the client and nothing else.
const bool kRunAsClient = [] {
    if (const char* setting = std::getenv(kClientVariable)) _exit(RunClient(setting));
    return false;
}();

// Starts this program as a client, pid 1 of a new pid namespace.
pid_t StartClient(const std::string& argument, int timeout) {
    const std::string self = fs::read_symlink("/proc/self/exe");
    const std::string setting = argument + " " + std::to_string(timeout);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv(kClientVariable, setting.c_str(), 1);
        execlp("unshare", "unshare", "-pf", self.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Answers every command with its argument; the first one only once released.
class Navigator : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        const std::string argument = layer.NrReceiveFields() > 1 ? layer.ReceiveField(1) : "";
        if (argument == "first") {
            std::unique_lock<std::mutex> hold(lock);
            took = true;
            changed.notify_all();
            changed.wait_for(hold, std::chrono::seconds(120), [&] { return released; });
        }
        layer.StartReturnResult(session);
        layer.AppendArgument(argument.c_str());
        layer.SendCommand();
        return 0;
    }
    std::mutex lock;
    std::condition_variable changed;
    bool took = false;
    bool released = false;
};

TEST(PidReuseEndToEndTest, ALateReplyNeverGoesToTheNextClientWithTheSamePid) {
    (void)kRunAsClient;
    if (geteuid() != 0 || std::system("unshare -pf true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs root and 'unshare -pf' to give each client pid 1";
    }
    char pattern[] = "/tmp/oxsdk-pid-reuse-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    const std::string root = pattern;
    ASSERT_EQ(0, setenv("OXSDK_DEVICE_ROOT", root.c_str(), 1));

    Navigator navigator;
    std::atomic<bool> running{true};
    std::thread loop([&] {
        while (running) {
            COstrelFileLayer::ProcessEvents("nav", navigator);
            COstrelFileLayer::WaitForCommand("nav", 50);
        }
    });
    const pid_t first = StartClient("first", 3000);
    {
        std::unique_lock<std::mutex> hold(navigator.lock);
        EXPECT_TRUE(navigator.changed.wait_for(hold, std::chrono::seconds(60),
                                               [&] { return navigator.took; }));
    }
    EXPECT_EQ(kNoReply, ExitStatus(first));  // it gave up

    const pid_t second = StartClient("second", 120000);
    // Its command is in the folder (the first one's was taken and withdrawn).
    const fs::path folder = root + "/Ostrel/SdkFileCalls";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto sent = [&] {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("client.nav.1.", 0) == 0 && name.size() > 9 &&
                name.compare(name.size() - 9, 9, ".finished") == 0) {
                return true;
            }
        }
        return false;
    };
    while (!sent() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    {
        std::lock_guard<std::mutex> hold(navigator.lock);
        navigator.released = true;  // the late answer to the first client
        navigator.changed.notify_all();
    }
    EXPECT_EQ(kGotItsOwnReply, ExitStatus(second));
    running = false;
    loop.join();
    unsetenv("OXSDK_DEVICE_ROOT");
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

}  // namespace
}  // namespace pid_reuse
