// The emulator's own files on a Windows host. A folder descriptor is a C runtime descriptor over
// the folder's handle, opened without delete sharing (so the folder cannot be renamed or replaced
// by a reparse point while it is held) and never through a reparse point below the root; the
// files in it are named through the folder's final path.
#include <fcntl.h>
#include <io.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef ReplaceFile  // the system's own, not the one declared in host_files.h

#include <atomic>
#include <cerrno>
#include <string>

#include "host_files.h"
#include "host_text_win32.h"

namespace oxsdk::emulator {
namespace {

using oxsdk::tools::Widen;

void SetErrnoFromLastError() {
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            errno = ENOENT;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            errno = EACCES;
            break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            errno = EEXIST;
            break;
        default:
            errno = EIO;
    }
}

// Reparse points are asked of the path too: wine marks a host symbolic link only there.
bool IsReparsePoint(HANDLE handle, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION info;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return !GetFileInformationByHandle(handle, &info) || attributes == INVALID_FILE_ATTRIBUTES ||
           ((info.dwFileAttributes | attributes) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The path of the folder held by `folder`, or of the working folder for AT_FDCWD.
bool FolderPath(int folder, std::wstring* path) {
    if (folder == AT_FDCWD) {
        path->clear();
        return true;
    }
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(folder));
    wchar_t buffer[32768];
    const DWORD length = GetFinalPathNameByHandleW(handle, buffer, 32768, FILE_NAME_NORMALIZED);
    if (handle == INVALID_HANDLE_VALUE || length == 0 || length >= 32768) {
        errno = EBADF;
        return false;
    }
    path->assign(buffer, length);
    if (!path->empty() && path->back() != L'\\') path->push_back(L'\\');
    return true;
}

// A C runtime descriptor that owns `handle` (closed here when it cannot be made).
CHostFd Adopt(HANDLE handle, int flags) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
    }
    return CHostFd(fd);
}

HANDLE OpenFolderHandle(const std::wstring& path, bool followReparsePoint) {
    return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS |
                           (followReparsePoint ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                       nullptr);
}

// Opens the file `name` of `folder`: refused (ELOOP, EISDIR, EINVAL) unless a regular file.
HANDLE OpenRegularFile(int folder, const std::string& name, DWORD access, DWORD disposition) {
    std::wstring path;
    if (!FolderPath(folder, &path)) return INVALID_HANDLE_VALUE;
    path += Widen(name);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            errno = ELOOP;
            return INVALID_HANDLE_VALUE;
        }
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            errno = EISDIR;
            return INVALID_HANDLE_VALUE;
        }
    }
    HANDLE file = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              disposition, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetErrnoFromLastError();
        return file;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        CloseHandle(file);
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

}  // namespace

CHostFd OpenFolderBelow(const std::string& root, const std::string& relative, bool create) {
    if (root.empty()) {
        errno = EINVAL;
        return CHostFd();
    }
    std::wstring path = Widen(root);
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    // The root may be a reparse point: the user chose it.
    HANDLE folder = OpenFolderHandle(path, true);
    if (folder == INVALID_HANDLE_VALUE) {
        SetErrnoFromLastError();
        return CHostFd();
    }
    CHostFd held = Adopt(folder, _O_RDONLY);
    std::size_t start = 0;
    while (held.valid() && start < relative.size()) {
        std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos) slash = relative.size();
        const std::string part = relative.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == "." || part == ".." ||
            part.find_first_of("\\:") != std::string::npos) {
            errno = EINVAL;
            return CHostFd();
        }
        if (path.back() != L'\\') path.push_back(L'\\');
        path += Widen(part);
        // Inside a device folder, a new folder inherits its private access list.
        if (create) CreateDirectoryW(path.c_str(), nullptr);
        folder = OpenFolderHandle(path, false);
        if (folder == INVALID_HANDLE_VALUE) {
            SetErrnoFromLastError();
            return CHostFd();
        }
        BY_HANDLE_FILE_INFORMATION info{};
        const bool link = IsReparsePoint(folder, path);
        if (link || !GetFileInformationByHandle(folder, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            CloseHandle(folder);
            errno = link ? ELOOP : ENOTDIR;
            return CHostFd();
        }
        held = Adopt(folder, _O_RDONLY);
    }
    return held;
}

CHostFd OpenOutputFile(int folder, const std::string& name) {
    HANDLE file = OpenRegularFile(folder, name, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return CHostFd();
    return Adopt(file, _O_WRONLY | _O_APPEND | _O_BINARY);
}

bool ReadRegularFile(int folder, const std::string& name, std::string* text) {
    HANDLE file = OpenRegularFile(folder, name, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return false;
    text->clear();
    char buffer[64 * 1024];
    DWORD got = 0;
    bool read = true;
    while ((read = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) {
        text->append(buffer, got);
    }
    if (!read) SetErrnoFromLastError();
    CloseHandle(file);
    return read;
}

bool ReplaceFile(int folder, const std::string& name, const std::string& text) {
    static std::atomic<unsigned> counter{0};
    std::wstring path;
    if (!FolderPath(folder, &path)) return false;
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = path + Widen("." + name + "." + std::to_string(GetCurrentProcessId()) + "." +
                                 std::to_string(counter.fetch_add(1)) + ".tmp");
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            SetErrnoFromLastError();
            return false;
        }
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    std::size_t done = 0;
    bool written = true;
    while (written && done < text.size()) {
        DWORD count = 0;
        written = WriteFile(file, text.data() + done, static_cast<DWORD>(text.size() - done),
                            &count, nullptr) &&
                  count > 0;
        done += count;
    }
    written = written && FlushFileBuffers(file);
    CloseHandle(file);
    if (!written ||
        !MoveFileExW(temporary.c_str(), (path + Widen(name)).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        SetErrnoFromLastError();
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace oxsdk::emulator
