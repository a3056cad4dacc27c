#include "platform/posix/device_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/device_names.h"
#include "platform/posix/host_paths.h"

namespace oxsdk::platform {
namespace {

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string Quoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Why a folder that exists cannot be trusted; empty when it can.
std::string FolderProblem(const std::string& path, const struct stat& info) {
    if (!S_ISDIR(info.st_mode)) return "the device folder " + path + " is not a folder";
    if (info.st_uid != geteuid()) {
        return "the device folder " + path + " belongs to user " + std::to_string(info.st_uid) +
               ", not to you (user " + std::to_string(geteuid()) +
               "): use a device of your own (set OXSDK_DEVICE_ROOT to a folder you own)";
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return "the device folder " + path +
               " may be written by other users; make it private: chmod go-w " + Quoted(path);
    }
    return {};
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) close(fd_);
}

bool IsTrustedFolder(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

Error OpenDeviceRoot(const std::string& root, bool create, UniqueFd* fd) {
    if (root.empty()) return Error::kNotFound;
    UniqueFd opened(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!opened.valid() && create && errno == ENOENT && EnsureHostFolder(root)) {
        opened = UniqueFd(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    struct stat info;
    if (!opened.valid() || fstat(opened.get(), &info) != 0 || !IsTrustedFolder(info)) {
        return Error::kNotFound;
    }
    *fd = std::move(opened);
    return Error::kNone;
}

Error OpenTrustedFolder(int parent, const char* name, UniqueFd* fd) {
    UniqueFd opened(openat(parent, name, kFolderFlags));
    struct stat info;
    if (!opened.valid() || fstat(opened.get(), &info) != 0 || !IsTrustedFolder(info)) {
        return Error::kNotFound;
    }
    *fd = std::move(opened);
    return Error::kNone;
}

Error ResolveDevicePath(const std::string& root, const char16_t* path, bool createRoot,
                        UniqueFd* parent, std::string* name) {
    std::vector<std::u16string> parts;
    if (!SplitDevicePath(path, &parts)) return Error::kNotFound;
    UniqueFd folder;
    if (Error error = OpenDeviceRoot(root, createRoot, &folder); error != Error::kNone) {
        return error;
    }
    if (parts.empty()) {
        *parent = std::move(folder);
        *name = ".";
        return Error::kNone;
    }
    std::string hostName;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (!DeviceNameToHost(parts[i], &hostName)) return Error::kNotFound;
        UniqueFd next;
        if (Error error = OpenTrustedFolder(folder.get(), hostName.c_str(), &next);
            error != Error::kNone) {
            return error;
        }
        folder = std::move(next);
    }
    if (!DeviceNameToHost(parts.back(), name)) return Error::kNotFound;
    *parent = std::move(folder);
    return Error::kNone;
}

std::string DescribeUntrustedFolder(const std::string& root, const char16_t* folder) {
    if (root.empty()) return "no device root: set OXSDK_DEVICE_ROOT or HOME";
    struct stat info;
    if (stat(root.c_str(), &info) != 0) return {};  // created private when first needed
    if (std::string problem = FolderProblem(root, info); !problem.empty()) return problem;
    std::vector<std::u16string> parts;
    if (!SplitDevicePath(folder, &parts)) return {};
    UniqueFd current(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::string hostPath = root;
    std::string hostName;
    for (const std::u16string& part : parts) {
        if (!current.valid() || !DeviceNameToHost(part, &hostName)) return {};
        hostPath += "/" + hostName;
        if (fstatat(current.get(), hostName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return {};
        if (S_ISLNK(info.st_mode)) {
            return "the device folder " + hostPath +
                   " is a symbolic link, and the device follows none: replace it with a folder (rm " +
                   Quoted(hostPath) + ")";
        }
        if (std::string problem = FolderProblem(hostPath, info); !problem.empty()) return problem;
        current = UniqueFd(openat(current.get(), hostName.c_str(), kFolderFlags));
    }
    return {};
}

}  // namespace oxsdk::platform
