// One exchange folder, two operating systems: a client of the emulated device and the Windows
// platform's navigator (tests/platform/win32_navigator_test.cc, run by wine) share one device
// root, and so do a navigator here and a Windows client. Runs when OXSDK_WINDOWS_NAVIGATOR names
// that Windows program and OXSDK_WINE the command that runs Windows programs;
// scripts/test-windows.sh sets both after the Windows build.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "OXSDK5Link/OXSDK5Link.h"
#include "answering_navigator.h"
#include "platform/native_device.h"
#include "platform/platform.h"

namespace oxsdk::platform {
namespace {

namespace fs = std::filesystem;

TEST(InteropTest, ClientHereAndWindowsNavigatorShareOneFolder) {
    const char* navigator = std::getenv("OXSDK_WINDOWS_NAVIGATOR");
    const char* wine = std::getenv("OXSDK_WINE");
    if (navigator == nullptr || wine == nullptr) {
        GTEST_SKIP() << "set OXSDK_WINDOWS_NAVIGATOR and OXSDK_WINE (scripts/test-windows.sh)";
    }
    const std::string root = MakePrivateTemporaryFolder("oxsdk-interop");
    ASSERT_FALSE(root.empty());
    const std::string program = root + "/Programs/Ostrel Navigator.exe";
    fs::create_directories(root + "/Programs");
    fs::copy_file(navigator, program);
    std::string windowsRoot = "Z:" + root;  // wine's drive for the host's "/"
    for (char& c : windowsRoot) c = c == '/' ? '\\' : c;

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("OXSDK_DEVICE_ROOT", windowsRoot.c_str(), 1);
        execl(wine, wine, program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    {
        std::unique_ptr<Platform> device = NewNativePlatform(root);
        ScopedPlatform use(*device);
        MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New("app", "nav", -1);
        ASSERT_NE(layer, nullptr);
        {
            COstrelAPI api(*layer);
            COstrelAPI::TError error{};
            EXPECT_EQ(api.FlashMessageAsyncRetrieve(api.FlashMessageAsync(0, "hello", 77), &error),
                      0);
            EXPECT_EQ(error.errorCode, 77);
            EXPECT_EQ(api.StopApplicationAsyncRetrieve(api.StopApplicationAsync(0), &error), 0);
            EXPECT_EQ(error.errorCode, 0);
        }
        delete layer;
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(fs::is_empty(root + "/Ostrel/SdkFileCalls"));
    fs::remove_all(root);
}

TEST(InteropTest, WindowsClientAndNavigatorHereShareOneFolder) {
    const char* windowsTests = std::getenv("OXSDK_WINDOWS_NAVIGATOR");
    const char* wine = std::getenv("OXSDK_WINE");
    if (windowsTests == nullptr || wine == nullptr) {
        GTEST_SKIP() << "set OXSDK_WINDOWS_NAVIGATOR and OXSDK_WINE (scripts/test-windows.sh)";
    }
    const std::string root = MakePrivateTemporaryFolder("oxsdk-interop");
    ASSERT_FALSE(root.empty());
    std::string windowsRoot = "Z:" + root;
    for (char& c : windowsRoot) c = c == '/' ? '\\' : c;

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("OXSDK_DEVICE_ROOT", windowsRoot.c_str(), 1);
        setenv("OXSDK_INTEROP_CLIENT", "1", 1);
        execl(wine, wine, windowsTests, "--gtest_filter=Win32InteropClientTest.*",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    AnsweringNavigator navigator;
    int status = -1;
    {
        std::unique_ptr<Platform> device = NewNativePlatform(root);
        ScopedPlatform use(*device);
        // Until the client has gone (at most about 5 minutes).
        for (int pass = 0; pass < 60000 && waitpid(child, &status, WNOHANG) == 0; ++pass) {
            COstrelFileLayer::ProcessEvents("nav", navigator);
            usleep(5000);
        }
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(navigator.flashed && navigator.stopped);
    EXPECT_TRUE(fs::is_empty(root + "/Ostrel/SdkFileCalls"));
    fs::remove_all(root);
}

}  // namespace
}  // namespace oxsdk::platform
