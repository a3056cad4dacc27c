#include "platform/posix/device_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
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

Error OpenDeviceRoot(const std::string& root, bool create, UniqueFd* fd, struct stat* info) {
    if (root.empty()) return Error::kNotFound;
    UniqueFd opened(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!opened.valid() && create && errno == ENOENT && EnsureHostFolder(root)) {
        opened = UniqueFd(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    struct stat own;
    struct stat* checked = info != nullptr ? info : &own;
    if (!opened.valid() || fstat(opened.get(), checked) != 0 || !IsTrustedFolder(*checked)) {
        return Error::kNotFound;
    }
    *fd = std::move(opened);
    return Error::kNone;
}

Error OpenTrustedFolder(int parent, const char* name, UniqueFd* fd, struct stat* info) {
    UniqueFd opened(openat(parent, name, kFolderFlags));
    struct stat own;
    struct stat* checked = info != nullptr ? info : &own;
    if (!opened.valid() || fstat(opened.get(), checked) != 0 || !IsTrustedFolder(*checked)) {
        return Error::kNotFound;
    }
    *fd = std::move(opened);
    return Error::kNone;
}

namespace {

// The folders a thread resolved last, from the root down, each kept open with the identity it
// had when checked. A resolution walks the same names again and checks each kept folder with
// one stat of its name in its parent: the same folder, still trusted, is used as kept;
// anything else is opened and checked afresh. Paths deeper than the record are walked
// through two spare descriptors.
class CheckedFolders {
public:
    Error Resolve(const std::string& root, const char16_t* path, bool createRoot,
                  ResolvedPath* resolved) {
        if (path == nullptr || path[0] != u'\\') return Error::kNotFound;
        int length = 0;
        while (path[length] != u'\0') {
            if (++length >= kMaxPath) return Error::kNotFound;
        }
        if (!CheckRoot(root, createRoot)) return Error::kNotFound;
        int folder = levels_[0].fd.get();
        std::u16string_view rest(path + 1, static_cast<std::size_t>(length - 1));
        if (rest.empty()) {
            resolved->folder = folder;
            resolved->name[0] = '.';
            resolved->name[1] = '\0';
            return Error::kNone;
        }
        for (int level = 1;; ++level) {
            const std::size_t end = rest.find(u'\\');
            const std::u16string_view part = rest.substr(0, end);
            if (part.empty() || part == u"." || part == u".." ||
                part.find(u'/') != std::u16string_view::npos ||
                !DeviceNameToHost(part, resolved->name, sizeof resolved->name)) {
                return Error::kNotFound;
            }
            if (end == std::u16string_view::npos) {
                resolved->folder = folder;
                return Error::kNone;
            }
            folder = CheckLevel(level, folder, resolved->name);
            if (folder < 0) return Error::kNotFound;
            rest.remove_prefix(end + 1);
        }
    }

    void BeginBatch() {
        if (batches_++ == 0) checked_ = 0;
    }
    void EndBatch() {
        if (batches_ > 0 && --batches_ == 0) checked_ = 0;
    }
    void Recheck() { checked_ = 0; }

private:
    static constexpr int kLevels = 8;

    struct Folder {
        UniqueFd fd;
        dev_t device = 0;
        ino_t inode = 0;
        char name[kHostNameCapacity] = {};
    };

    static bool Same(const Folder& folder, const struct stat& info) {
        return folder.device == info.st_dev && folder.inode == info.st_ino;
    }
    void Keep(Folder& folder, UniqueFd fd, const struct stat& info, int level) {
        folder.fd = std::move(fd);
        folder.device = info.st_dev;
        folder.inode = info.st_ino;
        depth_ = level + 1;
        if (batches_ > 0) checked_ = level + 1;
    }

    bool CheckRoot(const std::string& root, bool create) {
        if (root.empty()) return false;
        Folder& kept = levels_[0];
        if (depth_ > 0 && root_ == root) {
            if (checked_ > 0) return true;
            struct stat info;
            if (stat(root.c_str(), &info) == 0 && IsTrustedFolder(info) && Same(kept, info)) {
                if (batches_ > 0) checked_ = 1;
                return true;
            }
        }
        depth_ = 0;
        checked_ = 0;
        UniqueFd fd;
        struct stat info;
        if (OpenDeviceRoot(root, create, &fd, &info) != Error::kNone) return false;
        root_.assign(root);
        Keep(kept, std::move(fd), info, 0);
        return true;
    }

    // The descriptor of the folder `name` inside `parent`, at `level` below the root; -1 when
    // it is missing or refused.
    int CheckLevel(int level, int parent, const char* name) {
        struct stat info;
        if (level >= kLevels) {
            UniqueFd& spare = spares_[level % 2];
            if (OpenTrustedFolder(parent, name, &spare, &info) != Error::kNone) return -1;
            return spare.get();
        }
        Folder& kept = levels_[level];
        if (level < depth_ && std::strcmp(kept.name, name) == 0) {
            if (checked_ > level) return kept.fd.get();
            if (fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                depth_ = level;
                return -1;
            }
            if (IsTrustedFolder(info) && Same(kept, info)) {
                if (batches_ > 0) checked_ = level + 1;
                return kept.fd.get();
            }
        }
        depth_ = std::min(depth_, level);
        if (checked_ > level) checked_ = level;
        UniqueFd fd;
        if (OpenTrustedFolder(parent, name, &fd, &info) != Error::kNone) return -1;
        std::strcpy(kept.name, name);  // both hold kHostNameCapacity bytes
        Keep(kept, std::move(fd), info, level);
        return kept.fd.get();
    }

    std::string root_;
    Folder levels_[kLevels];
    UniqueFd spares_[2];
    int depth_ = 0;    // levels_[0, depth_) hold the folders of the last resolution
    int checked_ = 0;  // levels_[0, checked_) were checked inside the current batch
    int batches_ = 0;
};

CheckedFolders& ThisThreadsFolders() {
    thread_local CheckedFolders folders;
    return folders;
}

}  // namespace

Error ResolveDevicePath(const std::string& root, const char16_t* path, bool createRoot,
                        ResolvedPath* resolved) {
    return ThisThreadsFolders().Resolve(root, path, createRoot, resolved);
}

void BeginCheckBatch() {
    ThisThreadsFolders().BeginBatch();
}

void EndCheckBatch() {
    ThisThreadsFolders().EndBatch();
}

void RecheckFolders() {
    ThisThreadsFolders().Recheck();
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
