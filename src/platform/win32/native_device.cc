// The native device of Windows: a folder of the file system and the desktop's own windows.
#include "platform/native_device.h"

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "platform/win32/device_access.h"
#include "platform/win32/host_paths.h"
#include "platform/win32/windows_api.h"
// After windows.h:
#include <aclapi.h>

namespace oxsdk::platform {
namespace {

// A host path without the "\\?\" form, for people and for std::filesystem.
std::string ShortForm(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return NarrowUtf8(L"\\\\" + path.substr(8));
    if (path.compare(0, 4, L"\\\\?\\") == 0) return NarrowUtf8(path.substr(4));
    return NarrowUtf8(path);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A real top-level window, owned by a thread of its own that runs its message loop, so that
// other threads and processes may show it or bring it forward at any time.
class DesktopWindow : public DeviceWindow {
public:
    static std::unique_ptr<DeviceWindow> Create(const std::wstring& className) {
        if (className.empty() || FindWindowW(className.c_str(), nullptr) != nullptr) return nullptr;
        std::unique_ptr<DesktopWindow> window(new DesktopWindow(className));
        std::promise<HWND> shown;
        std::future<HWND> handle = shown.get_future();
        window->thread_ = std::thread([&shown, name = className] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = WindowProcedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = name.c_str();
            if (RegisterClassExW(&windowClass) == 0) {
                shown.set_value(nullptr);
                return;
            }
            HWND created = CreateWindowExW(0, name.c_str(), name.c_str(), WS_OVERLAPPEDWINDOW,
                                           CW_USEDEFAULT, CW_USEDEFAULT, 320, 240, nullptr, nullptr,
                                           windowClass.hInstance, nullptr);
            if (created != nullptr) ::ShowWindow(created, SW_SHOWNORMAL);
            shown.set_value(created);
            MSG message;
            while (created != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            UnregisterClassW(name.c_str(), windowClass.hInstance);
        });
        window->window_ = handle.get();
        if (window->window_ == nullptr) return nullptr;  // the thread has ended; joined below
        return window;
    }

    ~DesktopWindow() override {
        if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (thread_.joinable()) thread_.join();
    }

    WindowHandle handle() const override { return reinterpret_cast<WindowHandle>(window_); }

private:
    explicit DesktopWindow(std::wstring className) : className_(std::move(className)) {}
    std::wstring className_;
    std::thread thread_;
    HWND window_ = nullptr;
};

bool IsReparsePoint(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Waits up to 30 s for the entry at `path` to be there (or gone).
bool AwaitEntry(const std::wstring& path, bool there) {
    for (int waited = 0; waited < 3000; ++waited) {
        if ((GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) == there) return true;
        Sleep(10);
    }
    return false;
}

using ToUnixName = char*(CDECL*)(LPCWSTR);
using ToDosName = WCHAR*(CDECL*)(LPCSTR);

// Under wine, runs the host program `program` with `arguments` (host paths); the caller waits
// for its effect, as wine hands back no process handle for a host program. False elsewhere.
bool StartHostProgram(const char* program, const std::vector<std::wstring>& arguments) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto toDos = reinterpret_cast<ToDosName>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    WCHAR* path = toDos != nullptr ? toDos(program) : nullptr;
    if (path == nullptr) return false;
    std::wstring commandLine = L"host";
    for (const std::wstring& argument : arguments) commandLine += L" \"" + argument + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    bool ran = CreateProcessW(path, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                              nullptr, nullptr, &startup, &started);
    if (ran && started.hThread != nullptr) CloseHandle(started.hThread);
    if (ran && started.hProcess != nullptr) CloseHandle(started.hProcess);
    HeapFree(GetProcessHeap(), 0, path);
    return ran;
}

// The host path of `path` under wine; empty elsewhere.
std::wstring HostName(const std::wstring& path) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto toUnix = reinterpret_cast<ToUnixName>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    char* name = toUnix != nullptr ? toUnix(path.c_str()) : nullptr;
    if (name == nullptr) return std::wstring();
    std::wstring wide = WidenUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return wide;
}

// Removes the link at `path` (never what it points at).
void RemoveLink(const std::wstring& path) {
    if (DeleteFileW(path.c_str()) || RemoveDirectoryW(path.c_str())) return;
    std::wstring host = HostName(path);
    if (!host.empty() && StartHostProgram("/bin/rm", {L"-f", host})) AwaitEntry(path, false);
}

// Under wine, where the link calls are stubs, a host symbolic link made by the host's own ln.
bool PlantWithHostLn(const std::wstring& link, const std::wstring& target) {
    std::wstring hostLink = HostName(link), hostTarget = HostName(target);
    return !hostLink.empty() && !hostTarget.empty() &&
           StartHostProgram("/bin/ln", {L"-s", hostTarget, hostLink}) && AwaitEntry(link, true);
}

}  // namespace

std::string DeviceRootFolder() {
    return ShortForm(DeviceRootHostFolder());
}

bool DevicePathToHost(const char16_t* devicePath, std::string* hostPath) {
    std::wstring host;
    if (!HostPathUnder(DeviceRootHostFolder(), devicePath, &host)) return false;
    *hostPath = ShortForm(host);
    return true;
}

std::string DescribeUntrustedFolder(const std::string& root, const char16_t* folder) {
    return DescribeUntrustedHostFolder(LongHostPath(WidenUtf8(root)), folder);
}

std::unique_ptr<DeviceWindow> DeviceWindow::Create(const std::string& className,
                                                   const std::string& /*rootFolder*/) {
    std::wstring wide;  // narrow text widens byte for byte
    for (char c : className) wide.push_back(static_cast<unsigned char>(c));
    return DesktopWindow::Create(wide);
}

std::string MakePrivateTemporaryFolder(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    wchar_t temporary[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
    if (length == 0 || length > MAX_PATH) return {};
    SECURITY_ATTRIBUTES security{sizeof security, PrivateFolderSecurity(), FALSE};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring folder = std::wstring(temporary, length) + WidenUtf8(prefix) + L"-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount());
        if (CreateDirectoryW(folder.c_str(), &security)) return NarrowUtf8(folder);
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

bool PlantHostLink(const std::string& link, const std::string& target, bool toFolder) {
    std::wstring wideLink = WidenUtf8(link), wideTarget = WidenUtf8(target);
    for (wchar_t& c : wideLink) c = c == L'/' ? L'\\' : c;
    for (wchar_t& c : wideTarget) c = c == L'/' ? L'\\' : c;
    DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE |
                  (toFolder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    if (CreateSymbolicLinkW(wideLink.c_str(), wideTarget.c_str(), flags) &&
        IsReparsePoint(wideLink)) {
        return true;
    }
    RemoveLink(wideLink);
    if (PlantWithHostLn(wideLink, wideTarget) && IsReparsePoint(wideLink)) return true;
    RemoveLink(wideLink);
    return false;
}

bool OpenHostFolderToOthers(const std::string& folder) {
    std::wstring path = WidenUtf8(folder);
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &current, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size);
    EXPLICIT_ACCESS_W grant{};
    grant.grfAccessPermissions = GENERIC_ALL;
    grant.grfAccessMode = GRANT_ACCESS;
    grant.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    grant.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    grant.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    grant.Trustee.ptstrName = reinterpret_cast<LPWSTR>(everyone);
    PACL opened = nullptr;
    bool done = SetEntriesInAclW(1, &grant, current, &opened) == ERROR_SUCCESS &&
                SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, opened, nullptr) == ERROR_SUCCESS;
    LocalFree(opened);
    LocalFree(descriptor);
    return done;
}

}  // namespace oxsdk::platform
