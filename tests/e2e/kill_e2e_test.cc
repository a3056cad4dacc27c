// A navigator killed at random moments under a stream of commands: two client processes send
// blocking commands without pause while the test navigator is killed with SIGKILL five times
// and started again. Every call must end (a reply, or -5 because the navigator is gone), a
// fresh navigator must serve the next commands, and at the end the exchange folder holds
// nothing but replies whose waits were given up (a reply that a navigator completed after its
// client had seen the window go), which the test counts and removes.
//
// Each client process arms an alarm: a call that never ends kills it and fails the test.
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kKills = 5;
constexpr int kClients = 2;
constexpr int kFinalCalls = 5;  // calls that a fresh navigator must serve once the kills are over
constexpr unsigned kClientAlarmSeconds = 60;

volatile sig_atomic_t stopRequested = 0;
void OnStop(int) {
    stopRequested = 1;
}

pid_t StartNavigator() {
    pid_t pid = fork();
    if (pid == 0) {
        execl(OXSDK_TEST_NAVIGATOR_PATH, OXSDK_TEST_NAVIGATOR_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

bool WaitForNavigatorWindow(bool present) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    while ((oxsdk::platform::CurrentPlatform().FindWindow(u"AldernWinClass") != 0) != present) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The body of a client process: blocking commands until told to stop, then kFinalCalls that
// must all be answered. Writes "calls replies gone other finalFailures goneWaiting" to `out`
// and exits.
[[noreturn]] void RunClient(int index, int out) {
    alarm(kClientAlarmSeconds);
    signal(SIGUSR1, OnStop);
    const std::string name = "client" + std::to_string(index);
    MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New(name.c_str(), "testnav", -1);
    if (layer == nullptr) _exit(3);
    COstrelAPI api(*layer);
    long calls = 0, replies = 0, gone = 0, other = 0, finalFailures = 0, goneWaiting = 0;
    while (stopRequested == 0) {
        COstrelAPI::TError error{99};
        const int result = api.ClearRoute(&error);
        ++calls;
        if (result == 0 && error.errorCode == 0) {
            ++replies;
        } else if (error.errorCode == -5) {
            ++gone;  // not running (the start found no navigator) or gone during the wait
            if (result == -5) ++goneWaiting;
            usleep(5000);
        } else {
            ++other;
        }
    }
    // The test started a fresh navigator before it asked to stop.
    for (int i = 0; i < kFinalCalls; ++i) {
        COstrelAPI::TError error{99};
        if (api.ClearRoute(&error) != 0 || error.errorCode != 0) ++finalFailures;
    }
    delete layer;
    char line[128];
    const int length = std::snprintf(line, sizeof line, "%ld %ld %ld %ld %ld %ld", calls, replies,
                                     gone, other, finalFailures, goneWaiting);
    if (write(out, line, static_cast<std::size_t>(length)) != length) _exit(4);
    _exit(0);
}

TEST(KillEndToEndTest, ClientsSurviveANavigatorKilledAtRandom) {
    char pattern[] = "/tmp/oxsdk-kill-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    const fs::path root = pattern;
    ASSERT_EQ(0, setenv("OXSDK_DEVICE_ROOT", root.c_str(), 1));
    ASSERT_EQ(0, setenv("OXSDK_TEST_NAVIGATOR_NAME", "testnav", 1));
    unsetenv("OXSDK_TEST_NAVIGATOR_MODE");
    // The navigator takes a while over each command, so that kills land between taking a
    // command and answering it as well as between commands.
    ASSERT_EQ(0, setenv("OXSDK_TEST_NAVIGATOR_DELAY_MS", "3", 1));
    const unsigned seed = static_cast<unsigned>(Clock::now().time_since_epoch().count());
    std::mt19937 random(seed);
    const Clock::time_point start = Clock::now();

    pid_t navigator = StartNavigator();
    ASSERT_TRUE(WaitForNavigatorWindow(true));

    pid_t clients[kClients];
    int pipes[kClients][2];
    for (int i = 0; i < kClients; ++i) {
        ASSERT_EQ(0, pipe(pipes[i]));
        clients[i] = fork();
        ASSERT_NE(-1, clients[i]);
        if (clients[i] == 0) RunClient(i, pipes[i][1]);
        close(pipes[i][1]);
    }

    for (int kill = 0; kill < kKills; ++kill) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 400));
        ::kill(navigator, SIGKILL);
        waitpid(navigator, nullptr, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
        navigator = StartNavigator();
        ASSERT_TRUE(WaitForNavigatorWindow(true));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (pid_t client : clients) ::kill(client, SIGUSR1);

    long total[6] = {};
    for (int i = 0; i < kClients; ++i) {
        int status = -1;
        waitpid(clients[i], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "client " << i << " did not end cleanly (status " << status << ")";
        char line[128] = {};
        const ssize_t got = read(pipes[i][0], line, sizeof line - 1);
        close(pipes[i][0]);
        long figures[6] = {};
        if (got > 0) {
            std::sscanf(line, "%ld %ld %ld %ld %ld %ld", &figures[0], &figures[1], &figures[2],
                        &figures[3], &figures[4], &figures[5]);
        }
        for (int f = 0; f < 6; ++f) total[f] += figures[f];
    }
    ::kill(navigator, SIGTERM);
    waitpid(navigator, nullptr, 0);

    // What may stay behind: replies completed after their client gave up the wait.
    int abandonedReplies = 0;
    std::vector<std::string> left;
    const fs::path exchange = root / "Ostrel" / "SdkFileCalls";
    for (const auto& entry : fs::directory_iterator(exchange)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("testnav.client", 0) == 0) {
            ++abandonedReplies;
            fs::remove(entry.path());
        } else {
            left.push_back(file);
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "kill test (seed %u): %d kills, %ld calls, %ld replies, %ld ended with -5 (%ld of "
        "them in the reply wait), "
        "%ld other, %ld of %d final calls failed, %d abandoned reply files removed, "
        "%zu other files left, %.1f s\n",
        seed, kKills, total[0], total[1], total[2], total[5], total[3], total[4],
        kClients * kFinalCalls, abandonedReplies, left.size(), seconds);
    EXPECT_EQ(0, total[3]) << "calls ended other than with a reply or -5";
    EXPECT_EQ(0, total[4]) << "the fresh navigator did not serve the final calls";
    EXPECT_GT(total[1], 0);
    EXPECT_TRUE(left.empty()) << left.front();

    unsetenv("OXSDK_DEVICE_ROOT");
    unsetenv("OXSDK_TEST_NAVIGATOR_DELAY_MS");
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

}  // namespace
