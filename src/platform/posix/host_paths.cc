#include "platform/posix/host_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/device_names.h"
#include "platform/posix/emulated_device.h"

namespace oxsdk::platform {
namespace {

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

bool DeviceNameToHost(std::u16string_view name, char* out, std::size_t capacity) {
    std::size_t length = 0;
    auto put = [&](std::uint32_t byte) {
        if (length + 1 >= capacity) return false;
        out[length++] = static_cast<char>(byte);
        return true;
    };
    if (capacity == 0) return false;
    out[0] = '\0';
    for (std::size_t i = 0; i < name.size(); ++i) {
        std::uint32_t c = name[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (name[++i] - 0xDC00u);
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        bool fits;
        if (c < 0x80) {
            fits = put(c);
        } else if (c < 0x800) {
            fits = put(0xC0 | (c >> 6)) && put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            fits = put(0xE0 | (c >> 12)) && put(0x80 | ((c >> 6) & 0x3F)) && put(0x80 | (c & 0x3F));
        } else {
            fits = put(0xF0 | (c >> 18)) && put(0x80 | ((c >> 12) & 0x3F)) &&
                   put(0x80 | ((c >> 6) & 0x3F)) && put(0x80 | (c & 0x3F));
        }
        if (!fits) return false;
    }
    out[length] = '\0';
    return true;
}

bool DeviceNameToHost(std::u16string_view name, std::string* out) {
    char buffer[4 * kMaxPath + 1];  // a device name is shorter than a device path
    out->clear();
    if (!DeviceNameToHost(name, buffer, sizeof buffer)) return false;
    out->assign(buffer);
    return true;
}

bool HostNameToDevice(std::string_view name, char16_t (&out)[kMaxPath], std::size_t* length) {
    std::size_t used = 0;
    auto put = [&](std::uint32_t unit) {
        if (used + 1 >= kMaxPath) return false;
        out[used++] = static_cast<char16_t>(unit);
        return true;
    };
    out[0] = u'\0';
    for (std::size_t i = 0; i < name.size();) {
        auto byte = [&](std::size_t k) { return static_cast<unsigned char>(name[k]); };
        std::uint32_t c = byte(i);
        std::size_t extra = 0;
        std::uint32_t least = 0;
        if (c < 0x80) {
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, c &= 0x1F, least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, c &= 0x0F, least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, c &= 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= name.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) return false;
            c = (c << 6) | (byte(i + k) & 0x3Fu);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        if (c == '\\') return false;
        bool fits;
        if (c >= 0x10000) {
            c -= 0x10000;
            fits = put(0xD800 + (c >> 10)) && put(0xDC00 + (c & 0x3FF));
        } else {
            fits = put(c);
        }
        if (!fits) return false;
        i += extra + 1;
    }
    out[used] = u'\0';
    *length = used;
    return true;
}

bool HostNameToDevice(std::string_view name, std::u16string* out) {
    char16_t buffer[kMaxPath];
    std::size_t length = 0;
    out->clear();
    if (!HostNameToDevice(name, buffer, &length)) return false;
    out->assign(buffer, length);
    return true;
}

bool HostPathUnder(const std::string& root, const char16_t* devicePath, std::string* hostPath) {
    hostPath->clear();
    std::vector<std::u16string> parts;
    if (root.empty() || !SplitDevicePath(devicePath, &parts)) return false;
    std::string path = WithoutTrailingSlashes(root);
    std::string name;
    for (const auto& part : parts) {
        if (!DeviceNameToHost(part, &name)) return false;
        if (path != "/") path += '/';
        path += name;
    }
    *hostPath = std::move(path);
    return true;
}

bool EnsureHostFolder(const std::string& folder) {
    struct stat info;
    if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        std::string prefix = folder.substr(0, at);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

Error ErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Error::kNotFound;
        case EACCES:
        case EPERM:
        case ELOOP:   // a link where a file was asked for: the device has none to follow
        case ENXIO:   // a FIFO or device node: the device has only files and folders
        case EISDIR:
            return Error::kAccessDenied;
        case EEXIST:
            return Error::kAlreadyExists;
        default:
            return Error::kOther;
    }
}

std::string DeviceRootFolder() {
    std::string root = FromEnvironment("OXSDK_DEVICE_ROOT");
    if (!root.empty()) return WithoutTrailingSlashes(root);
    std::string state = FromEnvironment("XDG_STATE_HOME");
    if (!state.empty() && state[0] == '/') return WithoutTrailingSlashes(state) + "/oxsdk/device";
    std::string home = FromEnvironment("HOME");
    if (home.empty()) return std::string();
    return WithoutTrailingSlashes(home) + "/.local/state/oxsdk/device";
}

const std::string& CurrentDeviceRootFolder() {
    struct Kept {
        bool ready = false;
        std::string values[3];
        std::string folder;
    };
    thread_local Kept kept;
    static constexpr const char* kNames[3] = {"OXSDK_DEVICE_ROOT", "XDG_STATE_HOME", "HOME"};
    bool same = kept.ready;
    const char* values[3];
    for (int i = 0; i < 3; ++i) {
        values[i] = std::getenv(kNames[i]);
        if (same && kept.values[i] != (values[i] != nullptr ? values[i] : "")) same = false;
    }
    if (!same) {
        for (int i = 0; i < 3; ++i) kept.values[i] = values[i] != nullptr ? values[i] : "";
        kept.folder = DeviceRootFolder();
        kept.ready = true;
    }
    return kept.folder;
}

bool DevicePathToHost(const char16_t* devicePath, std::string* hostPath) {
    return HostPathUnder(DeviceRootFolder(), devicePath, hostPath);
}

}  // namespace oxsdk::platform
