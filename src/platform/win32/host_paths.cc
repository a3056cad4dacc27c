#include "platform/win32/host_paths.h"

#include <vector>

#include "platform/device_names.h"
#include "platform/win32/windows_api.h"

namespace oxsdk::platform {
namespace {

std::wstring FromEnvironment(const wchar_t* name) {
    wchar_t value[32768];
    DWORD length = GetEnvironmentVariableW(name, value, sizeof value / sizeof value[0]);
    if (length == 0 || length >= sizeof value / sizeof value[0]) return std::wstring();
    return std::wstring(value, length);
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

wchar_t Upper(char16_t c) {
    return static_cast<wchar_t>(c >= u'a' && c <= u'z' ? c - 32 : c);
}

bool IsReservedDeviceName(std::u16string_view name) {
    // The part before the first dot, without trailing blanks, is what Windows compares.
    std::u16string_view base = name.substr(0, name.find(u'.'));
    while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
    std::wstring upper;
    for (char16_t c : base) upper.push_back(Upper(c));
    for (const wchar_t* reserved : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (upper == reserved) return true;
    }
    return upper.size() == 4 &&
           (upper.compare(0, 3, L"COM") == 0 || upper.compare(0, 3, L"LPT") == 0) &&
           upper[3] >= L'1' && upper[3] <= L'9';
}

}  // namespace

std::wstring LongHostPath(const std::wstring& folder) {
    if (folder.empty()) return std::wstring();
    std::wstring path = folder;
    if (path.compare(0, 4, L"\\\\?\\") != 0) {
        DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
        if (size == 0) return std::wstring();
        std::vector<wchar_t> full(size);
        DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
        if (length == 0 || length >= size) return std::wstring();
        path.assign(full.data(), length);
        for (wchar_t& c : path) {
            if (c == L'/') c = L'\\';
        }
        if (path.compare(0, 2, L"\\\\") == 0) {
            path = L"\\\\?\\UNC\\" + path.substr(2);
        } else {
            path = L"\\\\?\\" + path;
        }
    }
    while (path.size() > 4 && IsSeparator(path.back()) && path[path.size() - 2] != L':') {
        path.pop_back();
    }
    return path;
}

std::wstring DeviceRootHostFolder() {
    std::wstring root = FromEnvironment(L"OXSDK_DEVICE_ROOT");
    if (root.empty()) {
        std::wstring local = FromEnvironment(L"LOCALAPPDATA");
        if (local.empty()) return std::wstring();
        while (!local.empty() && IsSeparator(local.back())) local.pop_back();
        root = local + L"\\oxsdk\\device";
    }
    return LongHostPath(root);
}

bool IsWindowsName(std::u16string_view name, bool wildcards) {
    if (name.empty() || name.back() == u'.' || name.back() == u' ') return false;
    for (char16_t c : name) {
        if (c < 32) return false;
        switch (c) {
            case u'<':
            case u'>':
            case u':':
            case u'"':
            case u'/':
            case u'\\':
            case u'|':
                return false;
            case u'*':
            case u'?':
                if (!wildcards) return false;
                break;
            default:
                break;
        }
    }
    return !IsReservedDeviceName(name);
}

bool HostPathUnder(const std::wstring& root, const char16_t* devicePath, std::wstring* hostPath) {
    hostPath->clear();
    std::vector<std::u16string> parts;
    if (root.empty() || !SplitDevicePath(devicePath, &parts)) return false;
    std::wstring path = root;
    for (const auto& part : parts) {
        if (!IsWindowsName(part)) return false;
        if (!IsSeparator(path.back())) path += L'\\';
        path.append(part.begin(), part.end());
    }
    *hostPath = std::move(path);
    return true;
}

std::wstring WidenUtf8(const std::string& text) {
    if (text.empty()) return std::wstring();
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                     static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        wide.data(), length);
    return wide;
}

std::string NarrowUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        length, nullptr, nullptr);
    return narrow;
}

Error ErrorFromWin32(unsigned long error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
        case ERROR_NO_MORE_FILES:
            return Error::kNotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
        case ERROR_CANT_ACCESS_FILE:
        case ERROR_CANT_RESOLVE_FILENAME:
        case ERROR_DELETE_PENDING:
            return Error::kAccessDenied;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return Error::kAlreadyExists;
        default:
            return Error::kOther;
    }
}

}  // namespace oxsdk::platform
