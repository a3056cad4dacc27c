// The platform over the Windows API: device paths map below the device root folder, windows and
// the cursor are the desktop's own, programs start with CreateProcessW. Files are shared as the
// exchange needs: a reader lets others read and delete, a writer shares nothing, so that a
// reader meeting a file being written sees access denied (which the library retries).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/device_names.h"
#include "platform/native_device.h"
#include "platform/win32/device_access.h"
#include "platform/win32/host_paths.h"
#include "platform/win32/windows_api.h"

namespace oxsdk::platform {
namespace {

constexpr wchar_t kPlatformTypeFile[] = L".platform-type";
constexpr char kDefaultPlatformType[] = "PocketPC";
constexpr WORD kWaitCursorId = 32514;  // IDC_WAIT
// FILETIME of 1970-01-01 00:00 UTC, in 100 ns units since 1601.
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

std::uint64_t MillisecondsOf(const FILETIME& time) {
    std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return ticks < kUnixEpochAsFileTime ? 0 : (ticks - kUnixEpochAsFileTime) / 10000;
}

std::uint32_t AttributesOf(DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kAttributeDirectory;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? kAttributeReadOnly : kAttributeNormal;
}

// A plain file: not a folder, not a reparse point, and with no other name (a hard link could
// lead to a file outside the device).
bool IsPlainFile(std::uint32_t attributes, std::uint32_t links) {
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
           links <= 1;
}

HWND AsWindow(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

class Win32File : public File {
public:
    Win32File(UniqueHandle handle, bool writing) : handle_(std::move(handle)), writing_(writing) {}

    Error Read(void* buffer, std::uint32_t capacity, std::uint32_t* bytesRead) override {
        *bytesRead = 0;
        if (writing_) return Error::kAccessDenied;
        DWORD count = 0;
        if (!ReadFile(handle_.get(), buffer, capacity, &count, nullptr)) {
            return ErrorFromWin32(GetLastError());
        }
        *bytesRead = count;
        return Error::kNone;
    }

    Error Write(const void* data, std::uint32_t size, std::uint32_t* bytesWritten) override {
        *bytesWritten = 0;
        if (!writing_) return Error::kAccessDenied;
        const char* bytes = static_cast<const char*>(data);
        std::uint32_t done = 0;
        while (done < size) {
            DWORD count = 0;
            if (!WriteFile(handle_.get(), bytes + done, size - done, &count, nullptr) ||
                count == 0) {
                *bytesWritten = done;
                return done > 0 ? Error::kNone : ErrorFromWin32(GetLastError());
            }
            done += count;
        }
        *bytesWritten = done;
        return Error::kNone;
    }

    std::uint32_t GetSize() override {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(handle_.get(), &size) || size.QuadPart >= 0xFFFFFFFF) {
            return kInvalidFileSize;
        }
        return static_cast<std::uint32_t>(size.QuadPart);
    }

private:
    UniqueHandle handle_;
    bool writing_;
};

// A file that another party removed while it was being created: writes are dropped.
class TakenFile : public File {
public:
    Error Read(void*, std::uint32_t, std::uint32_t* bytesRead) override {
        *bytesRead = 0;
        return Error::kAccessDenied;
    }
    Error Write(const void*, std::uint32_t size, std::uint32_t* bytesWritten) override {
        *bytesWritten = size;
        return Error::kNone;
    }
    std::uint32_t GetSize() override { return 0; }
};

class Win32Platform : public Platform {
public:
    // An empty root means: as the environment names it at every call.
    explicit Win32Platform(std::wstring root) : fixedRoot_(std::move(root)) {}

    // Every file operation resolves its path from the device root, one trusted folder at a
    // time, holding those folders open, and opens the last component itself without following
    // a reparse point: nothing outside the device is ever touched.

    Error OpenForReading(const char16_t* path, std::unique_ptr<File>* file) override {
        ResolvedPath resolved;
        if (Error error = Resolve(path, false, &resolved); error != Error::kNone) return error;
        UniqueHandle handle(CreateFileW(
            resolved.Full().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!handle.valid()) return ErrorFromWin32(GetLastError());
        std::uint32_t attributes = 0, links = 0;
        if (!QueryOpenEntry(handle.get(), &attributes, &links) || !IsPlainFile(attributes, links)) {
            return Error::kAccessDenied;
        }
        *file = std::make_unique<Win32File>(std::move(handle), false);
        return Error::kNone;
    }

    Error CreateForWriting(const char16_t* path, std::unique_ptr<File>* file) override {
        ResolvedPath resolved;
        if (Error error = Resolve(path, true, &resolved); error != Error::kNone) return error;
        if (resolved.name.empty()) return Error::kAccessDenied;
        // Opened without truncation first: a read-only file is refused untouched, as on the
        // device, even where the system would let this user overwrite it.
        UniqueHandle handle(
            CreateFileW(resolved.Full().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!handle.valid()) return ErrorFromWin32(GetLastError());
        std::uint32_t attributes = 0, links = 0;
        LARGE_INTEGER size{};
        if (!QueryOpenEntry(handle.get(), &attributes, &links) ||
            !GetFileSizeEx(handle.get(), &size)) {
            // Under wine a program of the host may remove the file while it is open here (the
            // sharing mode binds Windows programs only), and then nothing can be learnt of it.
            // Gone from the device, it has been taken already: what would be written to it is
            // dropped, and nothing is written through a handle that was not checked.
            if (GetFileAttributesW(resolved.Full().c_str()) == INVALID_FILE_ATTRIBUTES &&
                GetLastError() == ERROR_FILE_NOT_FOUND) {
                *file = std::make_unique<TakenFile>();
                return Error::kNone;
            }
            return Error::kAccessDenied;
        }
        if (!IsPlainFile(attributes, links) || (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return Error::kAccessDenied;
        }
        // Emptied only when there is something to empty.
        if (size.QuadPart != 0 && !SetEndOfFile(handle.get())) {
            return ErrorFromWin32(GetLastError());
        }
        *file = std::make_unique<Win32File>(std::move(handle), true);
        return Error::kNone;
    }

    Error DeleteFile(const char16_t* path) override {
        ResolvedPath resolved;
        if (Error error = Resolve(path, false, &resolved); error != Error::kNone) return error;
        if (resolved.name.empty()) return Error::kAccessDenied;
        DWORD attributes = GetFileAttributesW(resolved.Full().c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return ErrorFromWin32(GetLastError());
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                           FILE_ATTRIBUTE_READONLY)) != 0) {
            return Error::kAccessDenied;
        }
        // The folders on the way are held, and DeleteFileW removes a link rather than its
        // target: only this device's entry can go.
        return DeleteFileW(resolved.Full().c_str()) ? Error::kNone : ErrorFromWin32(GetLastError());
    }

    std::uint32_t GetFileAttributes(const char16_t* path) override {
        ResolvedPath resolved;
        if (Resolve(path, false, &resolved) != Error::kNone) return kInvalidAttributes;
        DWORD attributes = GetFileAttributesW(resolved.Full().c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return kInvalidAttributes;
        }
        return AttributesOf(attributes);
    }

    Error SetFileAttributes(const char16_t* path, std::uint32_t attributes) override {
        ResolvedPath resolved;
        if (Error error = Resolve(path, false, &resolved); error != Error::kNone) return error;
        DWORD current = GetFileAttributesW(resolved.Full().c_str());
        if (current == INVALID_FILE_ATTRIBUTES) return ErrorFromWin32(GetLastError());
        if ((current & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return Error::kAccessDenied;
        if ((current & FILE_ATTRIBUTE_DIRECTORY) != 0) return Error::kNone;  // no read-only bit
        DWORD wanted = (attributes & kAttributeReadOnly) != 0
                           ? (current | FILE_ATTRIBUTE_READONLY)
                           : (current & ~FILE_ATTRIBUTE_READONLY);
        if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
        return SetFileAttributesW(resolved.Full().c_str(), wanted) ? Error::kNone
                                                                   : ErrorFromWin32(GetLastError());
    }

    Error CreateFolder(const char16_t* path) override {
        ResolvedPath resolved;
        if (Error error = Resolve(path, true, &resolved); error != Error::kNone) return error;
        if (resolved.name.empty()) return Error::kAlreadyExists;
        SECURITY_ATTRIBUTES security{sizeof security, PrivateFolderSecurity(), FALSE};
        return CreateDirectoryW(resolved.Full().c_str(), &security)
                   ? Error::kNone
                   : ErrorFromWin32(GetLastError());
    }

    Error FindFirst(const char16_t* pattern, std::unique_ptr<FindHandle>* handle,
                    FindData* first) override {
        ResolvedPath resolved;
        if (ResolveWithWildcards(pattern, &resolved) != Error::kNone || resolved.name.empty()) {
            return Error::kNotFound;
        }
        const std::u16string namePattern(resolved.name.begin(), resolved.name.end());
        WIN32_FIND_DATAW found;
        HANDLE listing =
            FindFirstFileExW((resolved.folder + L"\\*").c_str(), FindExInfoBasic, &found,
                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (listing == INVALID_HANDLE_VALUE) return Error::kNotFound;
        std::vector<FindData> entries;
        FindData entry;
        do {
            std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
            // Reparse points are not part of the device.
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || name == u"." ||
                name == u".." || name.size() >= kMaxPath || !IsWindowsName(name) ||
                !MatchesNamePattern(namePattern, name)) {
                continue;
            }
            std::copy(name.begin(), name.end(), entry.name);
            entry.name[name.size()] = u'\0';
            entry.attributes = AttributesOf(found.dwFileAttributes);
            entry.lastWriteTime = MillisecondsOf(found.ftLastWriteTime);
            entries.push_back(entry);
        } while (FindNextFileW(listing, &found));
        FindClose(listing);
        if (entries.empty()) return Error::kNotFound;
        *first = entries.front();
        *handle = std::make_unique<ListedFindHandle>(std::move(entries));
        return Error::kNone;
    }

    Error StartProcess(const char16_t* path) override {
        ResolvedPath resolved;
        if (Error error = Resolve(path, false, &resolved); error != Error::kNone) return error;
        std::wstring program = resolved.Full();
        DWORD attributes = GetFileAttributesW(program.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return ErrorFromWin32(GetLastError());
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
            return Error::kAccessDenied;
        }
        // No command line, no inherited handles, a console of its own: the program runs on
        // without us and without our standard streams.
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                            nullptr, nullptr, &startup, &started)) {
            return ErrorFromWin32(GetLastError());
        }
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
        return Error::kNone;
    }

    std::uint32_t GetCurrentProcessId() override { return ::GetCurrentProcessId(); }

    WindowHandle FindWindow(const char16_t* className) override {
        return reinterpret_cast<WindowHandle>(
            FindWindowW(reinterpret_cast<const wchar_t*>(className), nullptr));
    }
    WindowHandle GetForegroundWindow() override {
        return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
    }
    // The lowest bit asks for the window together with the windows it owns, which is what the
    // desktop does anyway.
    bool SetForegroundWindow(WindowHandle window) override {
        window &= ~WindowHandle{1};
        return window != 0 && ::SetForegroundWindow(AsWindow(window));
    }
    bool ShowWindow(WindowHandle window, int showCommand) override {
        if (window == 0 || !IsWindow(AsWindow(window))) return false;
        ::ShowWindow(AsWindow(window), showCommand);  // returns the former visibility
        return true;
    }

    CursorHandle GetCursor() override { return reinterpret_cast<CursorHandle>(::GetCursor()); }
    CursorHandle SetCursor(CursorHandle cursor) override {
        return reinterpret_cast<CursorHandle>(::SetCursor(reinterpret_cast<HCURSOR>(cursor)));
    }
    CursorHandle LoadWaitCursor() override {
        return reinterpret_cast<CursorHandle>(
            LoadCursorW(nullptr, MAKEINTRESOURCEW(kWaitCursorId)));
    }

    // The platform type keeps the emulated device's meaning: the text of .platform-type below
    // the device root, "PocketPC" without it, so that both handheld editions can be run here.
    bool IsCePlatform() override { return true; }

    bool GetPlatformType(char* text, int capacity) override {
        if (capacity <= 0) return false;
        text[0] = '\0';
        std::string type = kDefaultPlatformType;
        std::wstring root = Root();
        UniqueHandle folder;
        if (OpenDeviceRoot(root, false, &folder) == Error::kNone) {
            std::wstring file = root + (root.back() == L'\\' ? L"" : L"\\") + kPlatformTypeFile;
            UniqueHandle handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (handle.valid()) {
                std::uint32_t attributes = 0, links = 0;
                char buffer[256];
                DWORD length = 0;
                if (!QueryOpenEntry(handle.get(), &attributes, &links) ||
                    !IsPlainFile(attributes, links) ||
                    !ReadFile(handle.get(), buffer, sizeof buffer, &length, nullptr) ||
                    length == sizeof buffer) {
                    return false;
                }
                type.assign(buffer, length);
                while (!type.empty() && std::strchr(" \t\r\n", type.back()) != nullptr) {
                    type.pop_back();
                }
            } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
                return false;
            }
        }
        if (type.size() + 1 > static_cast<std::size_t>(capacity)) return false;
        std::memcpy(text, type.c_str(), type.size() + 1);
        return true;
    }

    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }

    std::uint64_t GetSystemTime() override {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        return MillisecondsOf(now);
    }

    // Each thread keeps its own change notification on the folder it last waited for, between
    // calls, so that a change made while the caller was busy is seen by its next wait at once.
    // Any change of the folder ends the wait, whatever the name of the file: the caller looks
    // again.
    bool WaitForFolderChange(const char16_t* folder, std::uint32_t milliseconds,
                             const char16_t* /*namePattern*/ = nullptr) override {
        FolderWatcher& watcher = ThisThreadsWatcher();
        if (!Watch(watcher, folder)) {
            ::Sleep(milliseconds);  // nothing to watch: wait the time out
            return milliseconds > 0;
        }
        if (milliseconds == 0) return false;
        if (WaitForSingleObject(watcher.change, milliseconds) != WAIT_OBJECT_0) return false;
        if (!FindNextChangeNotification(watcher.change)) {
            watcher.Reset();  // the folder went away: watched again by the next wait
        }
        return true;
    }

private:
    struct FolderWatcher {
        HANDLE change = INVALID_HANDLE_VALUE;
        std::wstring folder;
        void Reset() {
            if (change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(change);
            change = INVALID_HANDLE_VALUE;
            folder.clear();
        }
        ~FolderWatcher() { Reset(); }
    };

    static FolderWatcher& ThisThreadsWatcher() {
        thread_local FolderWatcher watcher;
        return watcher;
    }

    std::wstring Root() const { return fixedRoot_.empty() ? DeviceRootHostFolder() : fixedRoot_; }
    Error Resolve(const char16_t* path, bool createRoot, ResolvedPath* resolved) {
        return ResolveDevicePath(Root(), path, createRoot, false, resolved);
    }
    Error ResolveWithWildcards(const char16_t* pattern, ResolvedPath* resolved) {
        return ResolveDevicePath(Root(), pattern, false, true, resolved);
    }

    // Makes `watcher` watch `folder` (a trailing "\\" is allowed); false when it cannot. The
    // folder is resolved like any other device path and must be a trusted folder.
    bool Watch(FolderWatcher& watcher, const char16_t* folder) {
        char16_t trimmed[kMaxPath];
        if (!TrimFolderPath(folder, trimmed)) return false;
        ResolvedPath resolved;
        if (Resolve(trimmed, false, &resolved) != Error::kNone) return false;
        std::wstring host = resolved.Full();
        if (watcher.change != INVALID_HANDLE_VALUE && host == watcher.folder) return true;
        UniqueHandle target;
        if (!resolved.name.empty() && OpenTrustedFolder(host, &target) != Error::kNone)
            return false;
        watcher.Reset();
        watcher.change = FindFirstChangeNotificationW(host.c_str(), FALSE,
                                                      FILE_NOTIFY_CHANGE_FILE_NAME |
                                                          FILE_NOTIFY_CHANGE_DIR_NAME |
                                                          FILE_NOTIFY_CHANGE_LAST_WRITE);
        if (watcher.change == INVALID_HANDLE_VALUE) return false;
        watcher.folder = host;
        return true;
    }

    std::wstring fixedRoot_;
};

}  // namespace

std::unique_ptr<Platform> NewNativePlatform(const std::string& rootFolder) {
    return std::make_unique<Win32Platform>(LongHostPath(WidenUtf8(rootFolder)));
}

Platform& NativePlatform() {
    static Platform* native = new Win32Platform(std::wstring());
    return *native;
}

}  // namespace oxsdk::platform
