// The Windows platform across processes: the library finds the navigator emulator installed on
// the device, starts it, waits for its window, exchanges commands with it and stops it. Only the
// started navigator joins a job, so that it cannot outlive its test (under wine the desktop's own
// process, started by the first program that needs it, would join this program's job too).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "OXSDK5Link/OXSDK5Link.h"
#include "interop_client.h"
#include "platform/native_device.h"
#include "platform/win32/windows_api.h"

namespace {

namespace fs = std::filesystem;

// A job that ends the processes put into it when it closes (with the test that made it).
HANDLE NewReapingJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job != nullptr &&
        !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

// Removes the folder `path` with what it holds, each entry once. (std::filesystem::remove_all
// of mingw-w64's runtime never returns, under wine, after the emulator has run from the folder.)
void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE listing = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(path + L"\\" + name);
            } else {
                DeleteFileW((path + L"\\" + name).c_str());
            }
        } while (FindNextFileW(listing, &found));
        FindClose(listing);
    }
    RemoveDirectoryW(path.c_str());
}

TEST(Win32NavigatorTest, StartedByTheLibraryAnswersAndStops) {
    std::unique_ptr<void, decltype(&CloseHandle)> job(NewReapingJob(), CloseHandle);
    ASSERT_NE(job.get(), nullptr) << GetLastError();
    const std::string root = oxsdk::platform::MakePrivateTemporaryFolder("oxsdk-navigator");
    ASSERT_FALSE(root.empty());
    const std::wstring wideRoot(root.begin(), root.end());  // the temporary folder is ASCII
    SetEnvironmentVariableW(L"OXSDK_DEVICE_ROOT", wideRoot.c_str());  // the navigator's too
    // The emulator, with the places file it finds beside itself.
    const std::wstring folder = wideRoot + L"\\Programs\\Navigation";
    fs::create_directories(folder + L"\\data");
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path beside =
        fs::path(std::wstring(self, length < MAX_PATH ? length : 0)).parent_path();
    ASSERT_TRUE(CopyFileW((beside / L"data" / L"places.csv").c_str(),
                          (folder + L"\\data\\places.csv").c_str(), TRUE));
    ASSERT_TRUE(CopyFileW((beside / L"oxsdk-navigator.exe").c_str(),
                          (folder + L"\\Ostrel Navigator.exe").c_str(), TRUE));

    // The client runs on a thread of its own: the folder watch of its reply waits ends with it,
    // before the device goes.
    HANDLE navigator = nullptr;
    std::thread client([&job, &navigator] {
        std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
            COstrelFileLayer::New("app", "OstrelNavigator", -1));
        ASSERT_NE(layer, nullptr);
        // A navigator that never answers fails the test instead of holding it forever.
        static_cast<COstrelFileLayer*>(layer.get())->SetReplyTimeout(120000);
        COstrelAPI api(*layer);
        COstrelAPI::TError error{};
        EXPECT_EQ(api.IsApplicationRunning(&error), 0);
        api.StartApplication(&error);
        EXPECT_EQ(error.errorCode, 0);
        EXPECT_EQ(api.IsApplicationRunning(&error), 1);
        DWORD id = 0;
        GetWindowThreadProcessId(FindWindowW(L"AldernWinClass", nullptr), &id);
        navigator = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        ASSERT_NE(navigator, nullptr);
        EXPECT_TRUE(AssignProcessToJobObject(job.get(), navigator));
        EXPECT_EQ(api.FlashMessage(&error, "hello", 77), 0);
        EXPECT_EQ(error.errorCode, 0);
        EXPECT_EQ(api.StopApplication(&error), 0);
        EXPECT_EQ(error.errorCode, -5);  // its window is gone
    });
    client.join();
    // The navigator's process has ended, not only its window.
    ASSERT_NE(navigator, nullptr);
    EXPECT_EQ(WaitForSingleObject(navigator, 60000), WAIT_OBJECT_0);
    CloseHandle(navigator);
    job.reset();  // wine keeps a program's file busy while a job holds its process
    std::error_code ignored;
    EXPECT_TRUE(fs::is_empty(root + "\\Ostrel\\SdkFileCalls", ignored));
    SetEnvironmentVariableW(L"OXSDK_DEVICE_ROOT", nullptr);
    RemoveTree(wideRoot);
}

// Run by tests/platform/interop_test.cc under wine: a Windows client of the navigator emulator
// that runs on Linux on the device root that OXSDK_DEVICE_ROOT names.
TEST(Win32InteropClientTest, CommandsANavigatorElsewhere) {
    if (GetEnvironmentVariableW(L"OXSDK_INTEROP_CLIENT", nullptr, 0) == 0) {
        GTEST_SKIP() << "run by the interop test";
    }
    oxsdk::platform::ExpectFlashAndStop();
}

}  // namespace
