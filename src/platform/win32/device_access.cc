#include "platform/win32/device_access.h"

#include <vector>

#include "platform/device_names.h"
#include "platform/win32/host_paths.h"
#include "platform/win32/windows_api.h"
// After windows.h:
#include <aclapi.h>
#include <sddl.h>

namespace oxsdk::platform {
namespace {

// Rights that let a holder add, remove, rename or re-permit what is in a folder.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD |
                                     DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                     GENERIC_ALL | FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA;

// Who may write a device folder: this user, the system and the administrators.
struct Identities {
    std::vector<BYTE> user;
    BYTE system[SECURITY_MAX_SID_SIZE];
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    bool isAdministrator = false;
    std::wstring userText;  // for the access list of created folders
};

const Identities& Us() {
    static const Identities identities = [] {
        Identities us{};
        HANDLE token = nullptr;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
            DWORD size = 0;
            GetTokenInformation(token, TokenUser, nullptr, 0, &size);
            std::vector<BYTE> buffer(size);
            if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
                PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
                us.user.assign(static_cast<BYTE*>(sid),
                               static_cast<BYTE*>(sid) + GetLengthSid(sid));
                LPWSTR text = nullptr;
                if (ConvertSidToStringSidW(sid, &text)) {
                    us.userText = text;
                    LocalFree(text);
                }
            }
            CloseHandle(token);
        }
        DWORD size = sizeof us.system;
        CreateWellKnownSid(WinLocalSystemSid, nullptr, us.system, &size);
        size = sizeof us.administrators;
        CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, us.administrators, &size);
        BOOL member = FALSE;
        us.isAdministrator = CheckTokenMembership(nullptr, us.administrators, &member) && member;
        return us;
    }();
    return identities;
}

bool IsUser(PSID sid) {
    const Identities& us = Us();
    return !us.user.empty() && EqualSid(sid, const_cast<BYTE*>(us.user.data()));
}

bool MayWriteDevice(PSID sid, PSID owner) {
    const Identities& us = Us();
    return IsUser(sid) || EqualSid(sid, owner) || EqualSid(sid, const_cast<BYTE*>(us.system)) ||
           EqualSid(sid, const_cast<BYTE*>(us.administrators));
}

std::string Named(const std::wstring& path) {
    std::wstring shown = path.compare(0, 4, L"\\\\?\\") == 0 ? path.substr(4) : path;
    return NarrowUtf8(shown);
}

// Why the open folder `folder` (at `path`) cannot be trusted; empty when it can.
std::string FolderProblem(HANDLE folder, const std::wstring& path) {
    std::uint32_t attributes = 0, links = 0;
    if (!QueryOpenEntry(folder, &attributes, &links) ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return "the device folder " + Named(path) + " is not a folder";
    }
    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &access, nullptr, &descriptor) != ERROR_SUCCESS) {
        return "the access list of the device folder " + Named(path) + " cannot be read";
    }
    std::string problem;
    if (owner == nullptr ||
        !(IsUser(owner) ||
          (Us().isAdministrator && EqualSid(owner, const_cast<BYTE*>(Us().administrators))))) {
        problem = "the device folder " + Named(path) +
                  " belongs to another user: use a device of your own (set OXSDK_DEVICE_ROOT to "
                  "a folder you own)";
    } else if (access == nullptr) {
        problem = "the device folder " + Named(path) +
                  " has no access list, so every user may "
                  "write it; make it private (icacls \"" +
                  Named(path) +
                  "\" /inheritance:r "
                  "/grant:r %USERNAME%:(OI)(CI)F)";
    } else {
        for (DWORD i = 0; i < access->AceCount && problem.empty(); ++i) {
            ACE_HEADER* header = nullptr;
            if (!GetAce(access, i, reinterpret_cast<void**>(&header))) continue;
            if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;  // not about this folder
            if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
            auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
            if ((ace->Mask & kWriteRights) == 0) continue;
            if (MayWriteDevice(reinterpret_cast<PSID>(&ace->SidStart), owner)) continue;
            problem = "the device folder " + Named(path) +
                      " may be written by other users; make it private (icacls \"" + Named(path) +
                      "\" /inheritance:r /grant:r %USERNAME%:(OI)(CI)F)";
        }
    }
    LocalFree(descriptor);
    return problem;
}

// Whether the open folder `folder` (at `path`) is a folder that can be trusted.
bool IsTrustedFolder(HANDLE folder, const std::wstring& path) {
    return FolderProblem(folder, path).empty();
}

HANDLE OpenFolderHandle(const std::wstring& path, bool followReparsePoint) {
    DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followReparsePoint ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
}

// True when the entry open as `handle` at `path` is a reparse point. Asked of the handle (opened
// with FILE_FLAG_OPEN_REPARSE_POINT, so it is the reparse point itself) and of the path, since
// wine marks a host symbolic link only in what it reports for a path.
bool IsReparsePoint(HANDLE handle, const std::wstring& path) {
    std::uint32_t opened = 0, links = 0;
    DWORD attributes = GetFileAttributesW(path.c_str());
    return !QueryOpenEntry(handle, &opened, &links) || attributes == INVALID_FILE_ATTRIBUTES ||
           ((opened | attributes) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Creates `folder` and its missing parents, private. False when it cannot.
bool EnsureHostFolder(const std::wstring& folder) {
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::size_t start = folder.find(L'\\', 4);  // after "\\?\"
    if (start == std::wstring::npos) return false;
    SECURITY_ATTRIBUTES security{sizeof security, PrivateFolderSecurity(), FALSE};
    for (std::size_t at = start + 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != L'\\') continue;
        std::wstring prefix = folder.substr(0, at);
        if (GetFileAttributesW(prefix.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        if (!CreateDirectoryW(prefix.c_str(), &security) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

UniqueHandle::UniqueHandle(void* handle)
    : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

UniqueHandle::~UniqueHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
}

bool QueryOpenEntry(void* handle, std::uint32_t* attributes, std::uint32_t* links) {
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)) {
        return false;
    }
    *attributes = basic.FileAttributes;
    *links = standard.NumberOfLinks;
    return true;
}

void* PrivateFolderSecurity() {
    // This user, the system and the administrators, inherited by everything inside; nothing
    // inherited from above.
    static PSECURITY_DESCRIPTOR descriptor = [] {
        PSECURITY_DESCRIPTOR made = nullptr;
        std::wstring text = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
        if (!Us().userText.empty()) text += L"(A;OICI;FA;;;" + Us().userText + L")";
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                                  &made, nullptr)) {
            return PSECURITY_DESCRIPTOR{nullptr};
        }
        return made;
    }();
    return descriptor;
}

Error OpenDeviceRoot(const std::wstring& root, bool create, UniqueHandle* folder) {
    if (root.empty()) return Error::kNotFound;
    UniqueHandle opened(OpenFolderHandle(root, true));
    if (!opened.valid() && create && EnsureHostFolder(root)) {
        opened = UniqueHandle(OpenFolderHandle(root, true));
    }
    if (!opened.valid() || !IsTrustedFolder(opened.get(), root)) return Error::kNotFound;
    *folder = std::move(opened);
    return Error::kNone;
}

Error OpenTrustedFolder(const std::wstring& path, UniqueHandle* folder) {
    UniqueHandle opened(OpenFolderHandle(path, false));
    if (!opened.valid() || IsReparsePoint(opened.get(), path) ||
        !IsTrustedFolder(opened.get(), path)) {
        return Error::kNotFound;
    }
    *folder = std::move(opened);
    return Error::kNone;
}

Error ResolveDevicePath(const std::wstring& root, const char16_t* path, bool createRoot,
                        bool wildcards, ResolvedPath* resolved) {
    std::vector<std::u16string> parts;
    if (!SplitDevicePath(path, &parts)) return Error::kNotFound;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!IsWindowsName(parts[i], wildcards && i + 1 == parts.size())) return Error::kNotFound;
    }
    ResolvedPath result;
    UniqueHandle folder;
    if (Error error = OpenDeviceRoot(root, createRoot, &folder); error != Error::kNone) {
        return error;
    }
    result.folders.push_back(std::move(folder));
    result.folder = root;
    if (!parts.empty() && result.folder.back() == L'\\') result.folder.pop_back();  // "X:\"
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        std::wstring next = result.folder + L"\\" + std::wstring(parts[i].begin(), parts[i].end());
        if (Error error = OpenTrustedFolder(next, &folder); error != Error::kNone) return error;
        result.folders.push_back(std::move(folder));
        result.folder = std::move(next);
    }
    if (!parts.empty()) result.name.assign(parts.back().begin(), parts.back().end());
    *resolved = std::move(result);
    return Error::kNone;
}

std::string DescribeUntrustedHostFolder(const std::wstring& root, const char16_t* folder) {
    if (root.empty()) return "no device root: set OXSDK_DEVICE_ROOT or LOCALAPPDATA";
    UniqueHandle current(OpenFolderHandle(root, true));
    if (!current.valid()) return {};  // created private when first needed
    if (std::string problem = FolderProblem(current.get(), root); !problem.empty()) return problem;
    std::vector<std::u16string> parts;
    if (!SplitDevicePath(folder, &parts)) return {};
    std::wstring path = root;
    if (path.back() == L'\\') path.pop_back();
    for (const std::u16string& part : parts) {
        path += L"\\" + std::wstring(part.begin(), part.end());
        current = UniqueHandle(OpenFolderHandle(path, false));
        if (!current.valid()) return {};
        if (IsReparsePoint(current.get(), path)) {
            return "the device folder " + Named(path) +
                   " is a link (reparse point), and the device follows none: replace it with a "
                   "folder";
        }
        if (std::string problem = FolderProblem(current.get(), path); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

}  // namespace oxsdk::platform
