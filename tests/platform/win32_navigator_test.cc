// The Windows platform across processes: the library finds a navigator program on the device,
// starts it with CreateProcessW, waits for its window (a real one, of class AldernWinClass),
// exchanges commands with it through the exchange folder and stops it. The navigator is either
// this very program, copied onto the device as "Ostrel Navigator.exe" (started under that name,
// it answers commands instead of running the tests), or the navigator emulator built beside it.
// The navigator joins a job as soon as its window shows, so that it cannot outlive its test.
// (The job holds the started program only, not this one: under wine the desktop's own process
// is started by the first program that needs the desktop and would become part of its job.)
#include <gtest/gtest.h>

#include <cstdlib>
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

struct NavigatorCase {
    const char* name;
    const wchar_t* program;  // beside this one; null: this program
    int flashReply;          // the error code that FlashMessage(.., 77) gets back
};

// One navigator of `tested` at a time: there is one desktop, and the library finds a navigator by
// its window's class.
void StartAnswerAndStop(const NavigatorCase& tested) {
    SCOPED_TRACE(tested.name);
    std::unique_ptr<void, decltype(&CloseHandle)> job(NewReapingJob(), CloseHandle);
    ASSERT_NE(job.get(), nullptr) << GetLastError();
    const std::string root = oxsdk::platform::MakePrivateTemporaryFolder("oxsdk-navigator");
    ASSERT_FALSE(root.empty());
    const std::wstring wideRoot(root.begin(), root.end());  // the temporary folder is ASCII
    SetEnvironmentVariableW(L"OXSDK_DEVICE_ROOT", wideRoot.c_str());  // the navigator's too
    const std::wstring folder = wideRoot + L"\\Programs\\Navigation";
    fs::create_directories(folder);
    std::wstring program = ThisProgram();
    if (tested.program != nullptr) {
        // The emulator, with the places file it finds beside itself.
        const fs::path beside = fs::path(program).parent_path();
        program = (beside / tested.program).wstring();
        fs::create_directories(folder + L"\\data");
        ASSERT_TRUE(CopyFileW((beside / L"data" / L"places.csv").c_str(),
                              (folder + L"\\data\\places.csv").c_str(), TRUE));
    }
    ASSERT_TRUE(CopyFileW(program.c_str(), (folder + L"\\" + kNavigatorName).c_str(), TRUE));

    // The client runs on a thread of its own: the folder watch of its reply waits ends with it,
    // before the device goes.
    const char* remote = tested.program != nullptr ? "OstrelNavigator" : "nav";
    HANDLE navigator = nullptr;
    std::thread client([&tested, remote, &job, &navigator] {
        std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
            COstrelFileLayer::New("app", remote, -1));
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
        EXPECT_EQ(error.errorCode, tested.flashReply);
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

TEST(Win32NavigatorTest, StartedByTheLibraryAnswersAndStops) {
    for (const NavigatorCase& tested : {NavigatorCase{"TestNavigator", nullptr, 77},
                                        NavigatorCase{"Emulator", L"oxsdk-navigator.exe", 0}}) {
        StartAnswerAndStop(tested);
    }
}

// Run by tests/platform/interop_test.cc under wine: a Windows client of a navigator that runs
// elsewhere on the device root that OXSDK_DEVICE_ROOT names.
TEST(Win32InteropClientTest, CommandsANavigatorElsewhere) {
    if (GetEnvironmentVariableW(L"OXSDK_INTEROP_CLIENT", nullptr, 0) == 0) {
        GTEST_SKIP() << "run by the interop test";
    }
    char reply[16] = "77";  // what the navigator answers: the number, or 0 (the emulator)
    GetEnvironmentVariableA("OXSDK_INTEROP_FLASH_REPLY", reply, sizeof reply);
    oxsdk::platform::ExpectFlashAndStop(std::atoi(reply));
}

}  // namespace
