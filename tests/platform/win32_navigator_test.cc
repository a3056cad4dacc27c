// The Windows platform across processes: the library finds a navigator program on the device,
// starts it with CreateProcessW, waits for its window (a real one, of class AldernWinClass),
// exchanges commands with it through the exchange folder and stops it. The navigator is this
// very program, copied onto the device as "Ostrel Navigator.exe": started under that name, it
// answers commands instead of running the tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "OXSDK5Link/OXSDK5Link.h"
#include "answering_navigator.h"
#include "platform/native_device.h"
#include "platform/win32/windows_api.h"

namespace {

namespace fs = std::filesystem;
using oxsdk::platform::DeviceWindow;

constexpr wchar_t kNavigatorName[] = L"Ostrel Navigator.exe";

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

// The navigator: a window of its class while it answers commands; it gives up by itself after
// about 5 minutes, should the test that started it fail before stopping it.
int RunNavigator() {
    auto window = DeviceWindow::Create("AldernWinClass");
    if (window == nullptr) return 2;
    oxsdk::platform::AnsweringNavigator handler;
    for (int pass = 0; !handler.stopped && pass < 60000; ++pass) {
        COstrelFileLayer::ProcessEvents("nav", handler);
        Sleep(5);
    }
    return 0;
}

// Before the tests' main: started as the navigator, be one.
const bool navigatorRun = [] {
    const std::wstring self = ThisProgram();
    const std::wstring name = kNavigatorName;
    if (self.size() > name.size() &&
        self.compare(self.size() - name.size(), name.size(), name) == 0) {
        ExitProcess(static_cast<UINT>(RunNavigator()));
    }
    return false;
}();

TEST(Win32NavigatorTest, StartedByTheLibraryAnswersAndStops) {
    const std::string root = oxsdk::platform::MakePrivateTemporaryFolder("oxsdk-navigator");
    ASSERT_FALSE(root.empty());
    const std::wstring wideRoot(root.begin(), root.end());  // the temporary folder is ASCII
    SetEnvironmentVariableW(L"OXSDK_DEVICE_ROOT", wideRoot.c_str());  // the navigator's too
    fs::create_directories(root + "\\Programs\\Navigation");
    ASSERT_TRUE(CopyFileW(ThisProgram().c_str(),
                          (wideRoot + L"\\Programs\\Navigation\\" + kNavigatorName).c_str(), TRUE));

    // The client runs on a thread of its own: the folder watch of its reply waits ends with it,
    // before the device goes.
    std::thread client([] {
        MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New("app", "nav", -1);
        ASSERT_NE(layer, nullptr);
        {
            COstrelAPI api(*layer);
            COstrelAPI::TError error{};
            EXPECT_EQ(api.IsApplicationRunning(&error), 0);
            api.StartApplication(&error);
            EXPECT_EQ(error.errorCode, 0);
            EXPECT_EQ(api.IsApplicationRunning(&error), 1);
            EXPECT_EQ(api.FlashMessage(&error, "hello", 77), 0);
            EXPECT_EQ(error.errorCode, 77);
            EXPECT_EQ(api.StopApplication(&error), 0);
            EXPECT_EQ(error.errorCode, -5);  // its window is gone
        }
        delete layer;
    });
    client.join();
    std::error_code ignored;
    EXPECT_TRUE(fs::is_empty(root + "\\Ostrel\\SdkFileCalls", ignored));
    SetEnvironmentVariableW(L"OXSDK_DEVICE_ROOT", nullptr);
    fs::remove_all(root, ignored);
}

// Run by tests/platform/interop_test.cc under wine: a Windows client of a navigator that runs
// elsewhere on the device root that OXSDK_DEVICE_ROOT names.
TEST(Win32InteropClientTest, CommandsANavigatorElsewhere) {
    if (GetEnvironmentVariableW(L"OXSDK_INTEROP_CLIENT", nullptr, 0) == 0) {
        GTEST_SKIP() << "run by the interop test";
    }
    MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New("app", "nav", -1);
    ASSERT_NE(layer, nullptr);
    {
        COstrelAPI api(*layer);
        COstrelAPI::TError error{};
        EXPECT_EQ(api.FlashMessageAsyncRetrieve(api.FlashMessageAsync(0, "hello", 77), &error), 0);
        EXPECT_EQ(error.errorCode, 77);
        EXPECT_EQ(api.StopApplicationAsyncRetrieve(api.StopApplicationAsync(0), &error), 0);
        EXPECT_EQ(error.errorCode, 0);
    }
    delete layer;
}

}  // namespace
