// One exchange folder, two operating systems: a client here and a navigator run by wine share one
// device root, and so do a navigator here and a Windows client. The navigator is either a
// minimal one (the Windows platform tests' own, tests/platform/win32_navigator_test.cc, or an
// AnsweringNavigator in this process) or the navigator emulator of that side. Runs when
// OXSDK_WINDOWS_NAVIGATOR names the Windows platform tests (the Windows emulator is built beside
// them) and OXSDK_WINE the command that runs Windows programs; scripts/test-windows.sh sets both
// after the Windows build.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "answering_navigator.h"
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

// Starts `arguments` with OXSDK_DEVICE_ROOT set to `deviceRoot` and `variables` added.
pid_t Start(const std::vector<std::string>& arguments, const std::string& deviceRoot,
            const std::vector<std::pair<const char*, std::string>>& variables = {}) {
    const pid_t child = fork();
    if (child == 0) {
        setenv("OXSDK_DEVICE_ROOT", deviceRoot.c_str(), 1);
        for (const auto& [name, value] : variables) setenv(name, value.c_str(), 1);
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

bool ExitedCleanly(int status) {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class InteropTest : public testing::TestWithParam<bool> {  // true: the emulator navigates
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
    int FlashReply() const { return GetParam() ? 0 : 77; }  // the emulator answers 0
    const char* wine_ = std::getenv("OXSDK_WINE");
    const char* windowsTests_ = std::getenv("OXSDK_WINDOWS_NAVIGATOR");
    const std::string windowsBin_ =
        windowsTests_ != nullptr ? fs::path(windowsTests_).parent_path().string() : "";
    std::string root_ = MakePrivateTemporaryFolder("oxsdk-interop");
};

TEST_P(InteropTest, ClientHereAndWindowsNavigatorShareOneFolder) {
    pid_t child = -1;
    if (GetParam()) {
        const std::string log = root_ + "/emulator.log";
        child = Start({wine_, windowsBin_ + "/oxsdk-navigator.exe", "-n", "nav", "-g",
                       WindowsName(windowsBin_ + "/data/places.csv"), "-l", WindowsName(log)},
                      WindowsName(root_));
        ASSERT_TRUE(AwaitReady(log, child));
    } else {
        const std::string program = root_ + "/Programs/Ostrel Navigator.exe";
        fs::create_directories(root_ + "/Programs");
        fs::copy_file(windowsTests_, program);
        child = Start({wine_, program}, WindowsName(root_));
    }
    ASSERT_GT(child, 0);
    {
        std::unique_ptr<Platform> device = NewNativePlatform(root_);
        ScopedPlatform use(*device);
        ExpectFlashAndStop(FlashReply());
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(ExitedCleanly(status)) << status;
    EXPECT_TRUE(fs::is_empty(root_ + "/Ostrel/SdkFileCalls"));
}

TEST_P(InteropTest, WindowsClientAndNavigatorHereShareOneFolder) {
    pid_t emulator = -1;
    if (GetParam()) {
        const std::string log = root_ + "/emulator.log";
        emulator = Start(
            {OXSDK_NAVIGATOR_EMULATOR_PATH, "-n", "nav", "-g", OXSDK_NAVIGATOR_DATA, "-l", log},
            root_);
        ASSERT_TRUE(AwaitReady(log, emulator));
    }
    const pid_t client =
        Start({wine_, windowsTests_, "--gtest_filter=Win32InteropClientTest.*"}, WindowsName(root_),
              {{"OXSDK_INTEROP_CLIENT", "1"},
               {"OXSDK_INTEROP_FLASH_REPLY", std::to_string(FlashReply())}});
    ASSERT_GT(client, 0);
    AnsweringNavigator navigator;
    int status = -1;
    {
        std::unique_ptr<Platform> device = NewNativePlatform(root_);
        ScopedPlatform use(*device);
        // Until the client has gone (at most about 5 minutes).
        for (int pass = 0; pass < 60000 && waitpid(client, &status, WNOHANG) == 0; ++pass) {
            if (!GetParam()) COstrelFileLayer::ProcessEvents("nav", navigator);
            usleep(5000);
        }
    }
    EXPECT_TRUE(ExitedCleanly(status)) << status;
    if (GetParam()) {
        ASSERT_EQ(waitpid(emulator, &status, 0), emulator);  // stopped by the client
        EXPECT_TRUE(ExitedCleanly(status));
    } else {
        EXPECT_TRUE(navigator.flashed && navigator.stopped);
    }
    EXPECT_TRUE(fs::is_empty(root_ + "/Ostrel/SdkFileCalls"));
}

INSTANTIATE_TEST_SUITE_P(Navigators, InteropTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& tested) {
                             return tested.param ? "Emulator" : "Minimal";
                         });

}  // namespace
}  // namespace oxsdk::platform
