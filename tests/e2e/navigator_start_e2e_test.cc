// The navigator is found, started, handshaken and stopped by the library on a temporary
// emulated device: the test navigator is installed under a nested folder as
// "Ostrel Navigator.exe", and a client with no navigator running calls a blocking command.
//
// Each client call runs in a forked process, so that a call that never returns cannot hang the
// test: it is killed after a generous limit. This process is made the reaper of orphans, so the
// navigator (started detached by the client) ends up as its child and is always reaped; the
// teardown kills whatever navigator the window registry names and waits until it is gone.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kClientLimit = std::chrono::seconds(90);  // start: up to ~25 s + the reply
constexpr auto kExitLimit = std::chrono::seconds(30);
constexpr char kCallerForeground[] = "12";  // a window of the calling application

// What a client call reports back to the test.
struct ClientReport {
    int result;
    int errorCode;
    std::uint64_t navigatorWindow;  // the library's cached window after the call
    double seconds;
};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class NavigatorStartEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0));
        char pattern[] = "/tmp/oxsdk-navstart-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root_ = pattern;
        ASSERT_EQ(0, setenv("OXSDK_DEVICE_ROOT", root_.c_str(), 1));
        ASSERT_EQ(0, setenv("OXSDK_TEST_NAVIGATOR_NAME", "testnav", 1));
        unsetenv("OXSDK_TEST_NAVIGATOR_MODE");

        fs::path folder = fs::path(root_) / "Program Files" / "Nested";
        fs::create_directories(folder);
        fs::create_directories(fs::path(root_) / "Program Files" / "Other");
        installed_ = folder / "Ostrel Navigator.exe";
        fs::copy_file(OXSDK_TEST_NAVIGATOR_PATH, installed_);
        fs::permissions(installed_, fs::perms::owner_all);
        std::ofstream(fs::path(root_) / "Program Files" / "Other" / "setup.exe") << "not it";
        fs::create_directories(fs::path(root_) / ".windows");
        std::ofstream(fs::path(root_) / ".windows" / "foreground") << kCallerForeground << "\n";
    }

    void TearDown() override {
        if (client_ > 0) {
            kill(client_, SIGKILL);
            waitpid(client_, nullptr, 0);
        }
        // The navigator named by its window, and any other orphan that came to us (a navigator
        // that never showed its window is named nowhere else).
        std::vector<pid_t> leftovers = ChildrenOfThisProcess();
        pid_t registered = RegisteredNavigator();
        if (registered > 0) leftovers.push_back(registered);
        if (navigator_ > 0 && !exited_) leftovers.push_back(navigator_);
        for (pid_t pid : leftovers) kill(pid, SIGKILL);
        for (pid_t pid : leftovers) {
            EXPECT_TRUE(WaitForExit(pid, nullptr)) << "process " << pid << " survived";
        }
        unsetenv("OXSDK_DEVICE_ROOT");
        std::error_code ignored;
        if (!root_.empty()) fs::remove_all(root_, ignored);
    }

    // Runs `call` in a child process and returns its report, or nothing when the child did not
    // report within the limit (it is killed then).
    std::optional<ClientReport> RunClient(const std::function<ClientReport()>& call) {
        int channel[2];
        if (pipe2(channel, O_CLOEXEC) != 0) return std::nullopt;
        client_ = fork();
        if (client_ == 0) {
            close(channel[0]);
            ClientReport report = call();
            ssize_t written = write(channel[1], &report, sizeof report);
            _exit(written == static_cast<ssize_t>(sizeof report) ? 0 : 1);
        }
        close(channel[1]);
        std::optional<ClientReport> received;
        pollfd ready{channel[0], POLLIN, 0};
        auto limit = std::chrono::duration_cast<std::chrono::milliseconds>(kClientLimit);
        ClientReport report{};
        if (client_ > 0 && poll(&ready, 1, static_cast<int>(limit.count())) == 1 &&
            read(channel[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report)) {
            received = report;
        }
        close(channel[0]);
        if (client_ > 0) {
            if (!received) kill(client_, SIGKILL);
            waitpid(client_, nullptr, 0);
            client_ = -1;
        }
        return received;
    }

    // Processes whose parent is this one (orphans reparented to us included).
    static std::vector<pid_t> ChildrenOfThisProcess() {
        std::vector<pid_t> children;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator("/proc", error)) {
            std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            std::getline(stat, line);
            // "pid (command) state ppid ...": the command may hold blanks and parentheses.
            std::size_t close = line.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream rest(line.substr(close + 1));
            char state = 0;
            long parent = 0;
            if (rest >> state >> parent && parent == getpid()) {
                children.push_back(static_cast<pid_t>(std::stol(name)));
            }
        }
        return children;
    }

    // The process named by the navigator's window registration, or 0.
    pid_t RegisteredNavigator() const {
        std::ifstream file(fs::path(root_) / ".windows" / "AldernWinClass");
        long pid = 0;
        return file >> pid ? static_cast<pid_t>(pid) : 0;
    }

    // Waits for `pid` (our child by reparenting, or already gone) to end, within the limit.
    bool WaitForExit(pid_t pid, int* status) {
        Clock::time_point deadline = Clock::now() + kExitLimit;
        while (Clock::now() < deadline) {
            int local = 0;
            pid_t reaped = waitpid(pid, &local, WNOHANG);
            if (reaped == pid) {
                if (status != nullptr) *status = local;
                return true;
            }
            if (reaped < 0 && errno == ECHILD && kill(pid, 0) != 0 && errno == ESRCH) return true;
            usleep(10 * 1000);
        }
        return false;
    }

    std::string Foreground() const {
        std::ifstream file(fs::path(root_) / ".windows" / "foreground");
        std::string text;
        file >> text;
        return text;
    }

    std::string root_;
    fs::path installed_;
    pid_t client_ = -1;
    pid_t navigator_ = 0;
    bool exited_ = false;
};

ClientReport CallBlockingCommand() {
    MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New("e2eclient", "testnav", -1);
    if (layer == nullptr) return {-100, -100, 0, 0};
    COstrelAPI api(*layer);
    COstrelAPI::TError error{99};
    COstrelAPI::TVersion version{};
    Clock::time_point start = Clock::now();
    int result = api.GetApplicationVersion(&error, &version);
    double seconds = SecondsSince(start);
    delete layer;
    return {result, error.errorCode, oxsdk::navigator::State().navigatorWindow, seconds};
}

ClientReport StopNavigator() {
    MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New("e2eclient", "testnav", -1);
    if (layer == nullptr) return {-100, -100, 0, 0};
    COstrelAPI api(*layer);
    COstrelAPI::TError error{99};
    Clock::time_point start = Clock::now();
    int result = api.StopApplication(&error);
    double seconds = SecondsSince(start);
    delete layer;
    return {result, error.errorCode, oxsdk::navigator::State().navigatorWindow, seconds};
}

TEST_F(NavigatorStartEndToEndTest, BlockingCommandStartsTheInstalledNavigatorAndStopEndsIt) {
    ASSERT_EQ(oxsdk::platform::CurrentPlatform().FindWindow(u"AldernWinClass"), 0u);

    std::optional<ClientReport> start = RunClient(CallBlockingCommand);
    navigator_ = RegisteredNavigator();
    ASSERT_TRUE(start.has_value()) << "the blocking command did not return within the limit";
    EXPECT_EQ(start->result, 0);
    EXPECT_EQ(start->errorCode, 0);
    ASSERT_NE(start->navigatorWindow, 0u);
    EXPECT_EQ(static_cast<pid_t>(start->navigatorWindow / 4), navigator_);

    // The copy installed on the device runs; it took the foreground when its window appeared,
    // and the caller has it again.
    std::error_code error;
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(navigator_) + "/exe", error), installed_);
    EXPECT_EQ(Foreground(), kCallerForeground);

    std::optional<ClientReport> stop = RunClient(StopNavigator);
    ASSERT_TRUE(stop.has_value()) << "the stop did not return within the limit";
    EXPECT_EQ(stop->result, 0);
    EXPECT_EQ(stop->errorCode, -5);  // the window went during the wait
    EXPECT_EQ(stop->navigatorWindow, 0u);

    int status = -1;
    exited_ = WaitForExit(navigator_, &status);
    EXPECT_TRUE(exited_) << "the navigator did not end after the stop";
    if (exited_ && status != -1) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    std::printf("start with search, launch and handshake plus the command: %.3f s\n",
                start->seconds);
    std::printf("stop until the window was gone: %.3f s\n", stop->seconds);
    RecordProperty("start_milliseconds", static_cast<int>(start->seconds * 1000));
    RecordProperty("stop_milliseconds", static_cast<int>(stop->seconds * 1000));
}

TEST_F(NavigatorStartEndToEndTest, RunningNavigatorIsNotStartedAgain) {
    std::optional<ClientReport> first = RunClient(CallBlockingCommand);
    navigator_ = RegisteredNavigator();
    ASSERT_TRUE(first.has_value());
    ASSERT_EQ(first->errorCode, 0);

    std::optional<ClientReport> second = RunClient(CallBlockingCommand);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->result, 0);
    EXPECT_EQ(second->errorCode, 0);
    EXPECT_EQ(static_cast<pid_t>(second->navigatorWindow / 4), navigator_);
    EXPECT_EQ(RegisteredNavigator(), navigator_);
    std::printf("command to a running navigator: %.3f s\n", second->seconds);
}

}  // namespace
