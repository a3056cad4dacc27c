// Real processes on a temporary emulated device: the library finds, starts and stops the test
// navigator installed under a nested folder, which answers commands sent through the file
// layer; and clients go on through a navigator killed at random moments.
//
// Every wait is bounded. This process is made the reaper of orphans, so a navigator started
// detached by a client ends up as its child; the teardown kills and reaps every child left.
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Texts = std::vector<std::string>;

constexpr char kCallerForeground[] = "12";  // a window of the calling application

// Polls `condition` until it holds or a limit generous for a loaded machine passes.
template <typename Condition>
bool WaitFor(Condition condition) {
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        oxsdk::platform::CurrentPlatform().WaitForFolderChange(u"\\Ostrel\\SdkFileCalls", 5);
    }
    return true;
}

oxsdk::platform::WindowHandle NavigatorWindow() {
    return oxsdk::platform::CurrentPlatform().FindWindow(u"AldernWinClass");
}

pid_t StartNavigator() {
    pid_t pid = fork();
    if (pid == 0) {
        execl(OXSDK_TEST_NAVIGATOR_PATH, OXSDK_TEST_NAVIGATOR_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// Processes whose parent is this one, orphans reparented to us included.
std::vector<pid_t> ChildrenOfThisProcess() {
    std::vector<pid_t> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string line;
        std::getline(std::ifstream(entry.path() / "stat"), line);
        // "pid (command) state ppid ...": the command may hold blanks and parentheses.
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        char state = 0;
        long parent = 0;
        if (rest >> state >> parent && parent == getpid()) children.push_back(std::stoi(name));
    }
    return children;
}

class DeviceEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0));
        char pattern[] = "/tmp/oxsdk-e2e-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root_ = pattern;
        // The library in this process and the navigator both read the root from here.
        ASSERT_EQ(0, setenv("OXSDK_DEVICE_ROOT", root_.c_str(), 1));
        ASSERT_EQ(0, setenv("OXSDK_TEST_NAVIGATOR_NAME", "testnav", 1));
        unsetenv("OXSDK_TEST_NAVIGATOR_MODE");
    }

    void TearDown() override {
        std::vector<pid_t> left = ChildrenOfThisProcess();
        for (pid_t pid : left) kill(pid, SIGKILL);
        for (pid_t pid : left) waitpid(pid, nullptr, 0);
        unsetenv("OXSDK_DEVICE_ROOT");
        unsetenv("OXSDK_TEST_NAVIGATOR_DELAY_MS");
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    // Waits for our child `pid` to end and tells whether it exited with 0.
    static bool EndsCleanly(pid_t pid) {
        int status = -1;
        return WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }) &&
               WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::string root_;
};

// Waits for the reply of `session` without the layer's unbounded wait, then collects it.
Texts Retrieve(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) {
    Texts fields;
    if (!WaitFor([&] { return layer.ReturnAvailable(session) == 1; })) {
        delete session;
        return {"no reply within the limit"};
    }
    layer.StartReceiveCommand(session);
    for (int i = 0; i < layer.NrReceiveFields(); ++i) fields.emplace_back(layer.ReceiveField(i));
    return fields;
}

// A blocking command, or the blocking stop, of a client that starts afresh (no window cached);
// its reply waits are bounded. The result, the error code and the library's cached window.
std::vector<long> RunClient(bool stop) {
    oxsdk::navigator::ResetNavigatorState();
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("e2eclient", "testnav", -1));
    static_cast<COstrelFileLayer*>(layer.get())->SetReplyTimeout(60000);
    COstrelAPI api(*layer);
    COstrelAPI::TError error{99};
    COstrelAPI::TVersion version{};
    int result = stop ? api.StopApplication(&error) : api.GetApplicationVersion(&error, &version);
    return {result, error.errorCode, static_cast<long>(oxsdk::navigator::State().navigatorWindow)};
}

// The library finds the navigator installed under a nested folder, starts it and gives the
// caller the foreground back; a thousand commands, eight in flight, each get their own reply;
// the blocking stop ends the navigator and leaves the exchange folder empty.
TEST_F(DeviceEndToEndTest, InstalledNavigatorStartsAnswersEveryCommandAndStops) {
    const fs::path root = root_;
    fs::path installed = root / "Program Files" / "Nested" / "Ostrel Navigator.exe";
    fs::create_directories(installed.parent_path());
    fs::create_directories(root / "Program Files" / "Other");
    std::ofstream(root / "Program Files" / "Other" / "setup.exe") << "not it";
    fs::copy_file(OXSDK_TEST_NAVIGATOR_PATH, installed);
    fs::create_directories(root / ".windows");
    std::ofstream(root / ".windows" / "foreground") << kCallerForeground << "\n";

    const std::vector<long> start = RunClient(false);
    const auto window = NavigatorWindow();
    ASSERT_NE(window, 0u);
    EXPECT_EQ(start, (std::vector<long>{0, 0, static_cast<long>(window)}));
    const pid_t navigator = static_cast<pid_t>(window / 4);  // a window's handle is its pid * 4
    std::error_code error;
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(navigator) + "/exe", error), installed);
    std::string foreground;
    std::ifstream(root / ".windows" / "foreground") >> foreground;
    EXPECT_EQ(foreground, kCallerForeground);

    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("e2eclient", "testnav", -1));
    ASSERT_NE(layer, nullptr);
    constexpr int kCommands = 1000;
    constexpr std::size_t kInFlight = 8;  // commands sent before the oldest reply is collected
    std::vector<std::pair<MOstrelSession*, int>> pending;
    for (int number = 0; number < kCommands || !pending.empty();) {
        if (number < kCommands && pending.size() < kInFlight) {
            layer->StartSendCommand();
            layer->AppendArgument("EchoV01");
            layer->AppendArgument(("argument-" + std::to_string(number)).c_str());
            layer->AppendArgument(std::to_string(number * 7).c_str());
            MOstrelSession* session = layer->SendCommand();
            ASSERT_NE(session, nullptr) << number;
            pending.emplace_back(session, number++);
            continue;
        }
        auto [session, oldest] = pending.front();
        pending.erase(pending.begin());
        ASSERT_EQ((Texts{"0", "argument-" + std::to_string(oldest), std::to_string(oldest * 7)}),
                  Retrieve(*layer, session));
    }

    // The navigator answers the stop and takes its window with it while the client waits.
    EXPECT_EQ(RunClient(true), (std::vector<long>{0, -5, 0}));
    EXPECT_TRUE(EndsCleanly(navigator)) << "the navigator did not end after the stop";
    EXPECT_EQ(0u, NavigatorWindow());
    EXPECT_TRUE(fs::is_empty(root / "Ostrel" / "SdkFileCalls"));
}

volatile sig_atomic_t stopRequested = 0;

// A client process of the kill test: blocking commands until SIGUSR1, then kFinalCalls that must
// all be answered; an alarm kills it should a call never end. Writes its counts to `out`.
constexpr int kFinalCalls = 5;
enum ECount { kCalls, kReplies, kGone, kGoneWaiting, kOther, kFinalFailures, kCounts };
[[noreturn]] void RunKillClient(int index, int out) {
    alarm(60);
    signal(SIGUSR1, [](int) { stopRequested = 1; });
    const std::string name = "client" + std::to_string(index);
    MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New(name.c_str(), "testnav", -1);
    if (layer == nullptr) _exit(3);
    COstrelAPI api(*layer);
    long counts[kCounts] = {};
    while (stopRequested == 0) {
        COstrelAPI::TError error{99};
        const int result = api.ClearRoute(&error);
        ++counts[kCalls];
        if (result == 0 && error.errorCode == 0) {
            ++counts[kReplies];
        } else if (error.errorCode == -5) {
            ++counts[kGone];  // not running (the start found no navigator) or gone during the wait
            if (result == -5) ++counts[kGoneWaiting];
            usleep(5000);
        } else {
            ++counts[kOther];
        }
    }
    // The test started a fresh navigator before it asked to stop.
    for (int i = 0; i < kFinalCalls; ++i) {
        COstrelAPI::TError error{99};
        if (api.ClearRoute(&error) != 0 || error.errorCode != 0) ++counts[kFinalFailures];
    }
    delete layer;
    _exit(write(out, counts, sizeof counts) == ssize_t{sizeof counts} ? 0 : 4);
}

// Two client processes send blocking commands without pause while the test navigator, slowed to
// take a while over each command, is killed with SIGKILL at random moments and started again.
// Every call ends (a reply, or -5 because the navigator is gone), a fresh navigator serves the
// next commands, and the exchange folder is left with nothing but replies whose waits were given
// up (completed after their client had seen the window go).
TEST_F(DeviceEndToEndTest, ClientsSurviveANavigatorKilledAtRandom) {
    constexpr int kKills = 5, kClients = 2;
    ASSERT_EQ(0, setenv("OXSDK_TEST_NAVIGATOR_DELAY_MS", "3", 1));
    const unsigned seed = static_cast<unsigned>(Clock::now().time_since_epoch().count());
    std::mt19937 random(seed);
    pid_t navigator = StartNavigator();
    ASSERT_TRUE(WaitFor([] { return NavigatorWindow() != 0; }));

    pid_t clients[kClients];
    int pipes[kClients][2];
    for (int i = 0; i < kClients; ++i) {
        ASSERT_EQ(0, pipe(pipes[i]));
        clients[i] = fork();
        ASSERT_NE(-1, clients[i]);
        if (clients[i] == 0) RunKillClient(i, pipes[i][1]);
        close(pipes[i][1]);
    }
    for (int kill = 0; kill < kKills; ++kill) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 400));
        ::kill(navigator, SIGKILL);
        waitpid(navigator, nullptr, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
        navigator = StartNavigator();
        ASSERT_TRUE(WaitFor([] { return NavigatorWindow() != 0; }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (pid_t client : clients) ::kill(client, SIGUSR1);

    long total[kCounts] = {};
    for (int i = 0; i < kClients; ++i) {
        int status = -1;
        waitpid(clients[i], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "client " << i << " did not end cleanly (status " << status << ")";
        long counts[kCounts] = {};
        if (read(pipes[i][0], counts, sizeof counts) != ssize_t{sizeof counts}) counts[kOther] = 1;
        close(pipes[i][0]);
        for (int c = 0; c < kCounts; ++c) total[c] += counts[c];
    }
    ::kill(navigator, SIGTERM);
    waitpid(navigator, nullptr, 0);

    int abandonedReplies = 0;
    Texts left;
    for (const auto& entry : fs::directory_iterator(fs::path(root_) / "Ostrel" / "SdkFileCalls")) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("testnav.client", 0) == 0) {
            ++abandonedReplies;
        } else {
            left.push_back(file);
        }
    }
    std::printf(
        "kill test (seed %u): %ld calls, %ld replies, %ld ended with -5 (%ld of them in "
        "the reply wait), %d abandoned reply files\n",
        seed, total[kCalls], total[kReplies], total[kGone], total[kGoneWaiting], abandonedReplies);
    EXPECT_EQ(0, total[kOther]) << "calls ended other than with a reply or -5";
    EXPECT_EQ(0, total[kFinalFailures]) << "the fresh navigator did not serve the final calls";
    EXPECT_GT(total[kReplies], 0);
    EXPECT_TRUE(left.empty()) << left.front();
}

}  // namespace
