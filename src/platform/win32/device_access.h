// Confined access to the device on Windows: every path is resolved from the device root one
// folder at a time, never through a reparse point (a symbolic link or junction), and only
// through folders that belong to this user and whose access list lets no one else write. The
// folders on the way stay open without delete sharing while the caller works on the path, so
// none of them can be renamed or swapped for a reparse point meanwhile. Used by the win32
// platform and the native device functions.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace oxsdk::platform {

/// An owned Win32 handle (void* to keep <windows.h> out); closed when destroyed.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(void* handle);
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept;
    ~UniqueHandle();
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    void* get() const { return handle_; }
    bool valid() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;  // never INVALID_HANDLE_VALUE
};

/// A device path resolved to the host: the trusted folders on the way, held open, and the host
/// path of the folder that holds the last component and of the component itself.
struct ResolvedPath {
    std::vector<UniqueHandle> folders;  // the root first
    std::wstring folder;                // "\\?\" form
    std::wstring name;                  // empty for the root path "\" itself
    std::wstring Full() const { return name.empty() ? folder : folder + L"\\" + name; }
};

/// What the open `handle` is: its attributes (FILE_ATTRIBUTE_*) and its number of names. Asked
/// without the volume's serial number, which is the costly part of GetFileInformationByHandle
/// (under wine a look at the host's mounts every time). False when it cannot be read.
bool QueryOpenEntry(void* handle, std::uint32_t* attributes, std::uint32_t* links);

/// The owner-only access list given to folders the library creates (for CreateDirectoryW).
void* PrivateFolderSecurity();

/// Opens the device root folder `root` (a reparse point there is followed: the user chose it);
/// with `create`, a missing root is created with its parents, private. kNotFound when it is
/// missing or is not a trusted folder.
Error OpenDeviceRoot(const std::wstring& root, bool create, UniqueHandle* folder);

/// Opens the trusted folder at host path `path` without following a reparse point. kNotFound
/// when it is missing, a reparse point, not a folder, or not trusted.
Error OpenTrustedFolder(const std::wstring& path, UniqueHandle* folder);

/// Resolves the device path `path` below `root` (see ResolvedPath). With `wildcards`, the
/// last component may hold "*" and "?". kNotFound when the path cannot be mapped or a folder
/// on the way is missing or refused.
Error ResolveDevicePath(const std::wstring& root, const char16_t* path, bool createRoot,
                        bool wildcards, ResolvedPath* resolved);

/// When the device root or a folder on the way from it to the device folder `folder` cannot
/// be trusted, a sentence that names the host folder and what is wrong; empty when every
/// existing folder on the way is trusted.
std::string DescribeUntrustedHostFolder(const std::wstring& root, const char16_t* folder);

}  // namespace oxsdk::platform
