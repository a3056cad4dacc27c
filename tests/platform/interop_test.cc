// One exchange folder, two operating systems: a client here with the Windows navigator emulator
// under wine, and the emulator here with the Windows client of win32_navigator_test.cc. Runs when
// scripts/test-windows.sh sets OXSDK_WINDOWS_NAVIGATOR (the Windows platform tests, with the
// Windows emulator beside them) and OXSDK_WINE (the command that runs Windows programs).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "interop_client.h"
#include "platform/native_device.h"
#include "platform/platform.h"

namespace oxsdk::platform {
namespace {

namespace fs = std::filesystem;

std::string WindowsName(const std::string& path) {
    std::string name = "Z:" + path;  // wine's drive for the host's "/"
    for (char& c : name) c = c == '/' ? '\\' : c;
    return name;
}

// Starts `arguments` with OXSDK_DEVICE_ROOT set to `deviceRoot`, and OXSDK_INTEROP_CLIENT too
// when `client`.
pid_t Start(const std::vector<std::string>& arguments, const std::string& deviceRoot,
            bool client = false) {
    const pid_t child = fork();
    if (child == 0) {
        setenv("OXSDK_DEVICE_ROOT", deviceRoot.c_str(), 1);
        if (client) setenv("OXSDK_INTEROP_CLIENT", "1", 1);
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

// Waits (at most a few minutes) for the emulator's log to say it is ready: from then on it
// answers, and its start-up clean-up, which judges senders by process ids of its own system,
// is behind it.
bool AwaitReady(const std::string& log, pid_t emulator) {
    for (int pass = 0; pass < 30000 && waitpid(emulator, nullptr, WNOHANG) == 0; ++pass) {
        std::ifstream file(log);
        const std::string text((std::istreambuf_iterator<char>(file)), {});
        if (text.find(" ready: ") != std::string::npos) return true;
        usleep(10000);
    }
    return false;
}

// Waits for the child `pid` (at most a few minutes); whether it exited with 0.
bool EndsCleanly(pid_t pid) {
    int status = -1;
    for (int pass = 0; pass < 60000 && waitpid(pid, &status, WNOHANG) == 0; ++pass) usleep(5000);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class InteropTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (wine_ == nullptr || windowsTests_ == nullptr) {
            GTEST_SKIP() << "set OXSDK_WINDOWS_NAVIGATOR and OXSDK_WINE (scripts/test-windows.sh)";
        }
        ASSERT_FALSE(root_.empty());
    }
    void TearDown() override {
        if (!root_.empty()) fs::remove_all(root_);
    }

    const char* wine_ = std::getenv("OXSDK_WINE");
    const char* windowsTests_ = std::getenv("OXSDK_WINDOWS_NAVIGATOR");
    std::string root_ = MakePrivateTemporaryFolder("oxsdk-interop");
    std::string log_ = root_ + "/emulator.log";
};

TEST_F(InteropTest, ClientHereAndWindowsNavigatorShareOneFolder) {
    const std::string bin = fs::path(windowsTests_).parent_path().string();
    const pid_t emulator = Start({wine_, bin + "/oxsdk-navigator.exe", "-n", "nav", "-g",
                                  WindowsName(bin + "/data/places.csv"), "-l", WindowsName(log_)},
                                 WindowsName(root_));
    ASSERT_TRUE(AwaitReady(log_, emulator));
    {
        std::unique_ptr<Platform> device = NewNativePlatform(root_);
        ScopedPlatform use(*device);
        ExpectFlashAndStop();
    }
    EXPECT_TRUE(EndsCleanly(emulator));
    EXPECT_TRUE(fs::is_empty(root_ + "/Ostrel/SdkFileCalls"));
}

TEST_F(InteropTest, WindowsClientAndNavigatorHereShareOneFolder) {
    const pid_t emulator =
        Start({OXSDK_NAVIGATOR_EMULATOR_PATH, "-n", "nav", "-g", OXSDK_NAVIGATOR_DATA, "-l", log_},
              root_);
    ASSERT_TRUE(AwaitReady(log_, emulator));
    const pid_t client = Start({wine_, windowsTests_, "--gtest_filter=Win32InteropClientTest.*"},
                               WindowsName(root_), true);
    EXPECT_TRUE(EndsCleanly(client));
    EXPECT_TRUE(EndsCleanly(emulator));  // stopped by the client
    EXPECT_TRUE(fs::is_empty(root_ + "/Ostrel/SdkFileCalls"));
}

}  // namespace
}  // namespace oxsdk::platform
