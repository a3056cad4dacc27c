#include "platform/posix/device_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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

UniqueDir OpenListing(int folder) {
    const int listed = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) return nullptr;
    DIR* listing = fdopendir(listed);
    if (listing == nullptr) close(listed);
    return UniqueDir(listing);
}

bool IsTrustedFolder(const struct stat& info) {
    return IsTrustedFolder(info, geteuid());
}

bool IsTrustedFolder(const struct stat& info, uid_t user) {
    return S_ISDIR(info.st_mode) && info.st_uid == user &&
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

// Check batches of this thread: while one is open, a folder checked once is not checked again.
thread_local int batchDepth = 0;

// The folders of one way from the root down that a thread resolved, each kept open with the
// identity it had when checked. A resolution walks the same names again and checks each kept
// folder with one stat of its name in its parent: the same folder, still trusted, is used as
// kept; anything else is opened and checked afresh. Paths deeper than the record are walked
// through two spare descriptors.
class FolderChain {
public:
    // Whether this chain leads from `root` through the first folder `first`.
    bool Leads(const std::string& root, const char* first) const {
        return depth_ > 1 && root_ == root && std::strcmp(levels_[1].name, first) == 0;
    }
    bool Starts(const std::string& root) const { return depth_ > 0 && root_ == root; }

    Error Resolve(const std::string& root, std::u16string_view rest, bool createRoot,
                  ResolvedPath* resolved) {
        userKnown_ = false;
        if (!CheckRoot(root, createRoot)) return Error::kNotFound;
        int folder = levels_[0].fd.get();
        if (rest.empty()) {
            resolved->folder = folder;
            resolved->name[0] = '.';
            resolved->name[1] = '\0';
            return Error::kNone;
        }
        for (int level = 1;; ++level) {
            const std::size_t end = rest.find(u'\\');
            if (!HostName(rest.substr(0, end), resolved->name)) return Error::kNotFound;
            if (end == std::u16string_view::npos) {
                resolved->folder = folder;
                return Error::kNone;
            }
            folder = CheckLevel(level, folder, resolved->name);
            if (folder < 0) return Error::kNotFound;
            rest.remove_prefix(end + 1);
        }
    }

    void Recheck() { checked_ = 0; }

    // The host name of the device path component `part`; false for one a device path cannot
    // hold.
    static bool HostName(std::u16string_view part, char (&name)[kHostNameCapacity]) {
        return !part.empty() && part != u"." && part != u".." &&
               part.find(u'/') == std::u16string_view::npos &&
               DeviceNameToHost(part, name, sizeof name);
    }

private:
    static constexpr int kLevels = 8;

    struct Folder {
        UniqueFd fd;
        dev_t device = 0;
        ino_t inode = 0;
        char name[NAME_MAX + 1] = {};  // a folder that could be opened has a name that fits
    };

    static bool Same(const Folder& folder, const struct stat& info) {
        return folder.device == info.st_dev && folder.inode == info.st_ino;
    }
    bool Trusted(const struct stat& info) {
        if (!userKnown_) {
            user_ = geteuid();
            userKnown_ = true;
        }
        return IsTrustedFolder(info, user_);
    }
    void Keep(Folder& folder, UniqueFd fd, const struct stat& info, int level) {
        folder.fd = std::move(fd);
        folder.device = info.st_dev;
        folder.inode = info.st_ino;
        depth_ = level + 1;
        if (batchDepth > 0) checked_ = level + 1;
    }

    bool CheckRoot(const std::string& root, bool create) {
        if (root.empty()) return false;
        Folder& kept = levels_[0];
        if (depth_ > 0 && root_ == root) {
            if (checked_ > 0) return true;
            struct stat info;
            if (stat(root.c_str(), &info) == 0 && Trusted(info) && Same(kept, info)) {
                if (batchDepth > 0) checked_ = 1;
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
            if (Trusted(info) && Same(kept, info)) {
                if (batchDepth > 0) checked_ = level + 1;
                return kept.fd.get();
            }
        }
        depth_ = std::min(depth_, level);
        if (checked_ > level) checked_ = level;
        UniqueFd fd;
        if (OpenTrustedFolder(parent, name, &fd, &info) != Error::kNone) return -1;
        const std::size_t length = std::strlen(name);
        if (length >= sizeof kept.name) return -1;
        std::memcpy(kept.name, name, length + 1);
        Keep(kept, std::move(fd), info, level);
        return kept.fd.get();
    }

    std::string root_;
    Folder levels_[kLevels];
    UniqueFd spares_[2];
    int depth_ = 0;    // levels_[0, depth_) hold the folders of the last resolution
    int checked_ = 0;  // levels_[0, checked_) were checked inside the current batch
    bool userKnown_ = false;
    uid_t user_ = 0;  // the effective user, read once per resolution when first needed
};

// A few chains per thread, so that the ways a thread alternates between (the exchange folder
// and the window registry) each keep their folders; a new way takes the chain used least
// recently.
class CheckedFolders {
public:
    Error Resolve(const std::string& root, const char16_t* path, bool createRoot,
                  ResolvedPath* resolved) {
        if (path == nullptr || path[0] != u'\\') return Error::kNotFound;
        int length = 0;
        while (path[length] != u'\0') {
            if (++length >= kMaxPath) return Error::kNotFound;
        }
        const std::u16string_view rest(path + 1, static_cast<std::size_t>(length - 1));
        const std::size_t end = rest.find(u'\\');
        int chosen = -1;
        if (end != std::u16string_view::npos) {
            if (!FolderChain::HostName(rest.substr(0, end), resolved->name)) {
                return Error::kNotFound;
            }
            for (int i = 0; i < kChains && chosen < 0; ++i) {
                if (chains_[i].Leads(root, resolved->name)) chosen = i;
            }
        } else {
            for (int i = 0; i < kChains; ++i) {
                if (chains_[i].Starts(root) && (chosen < 0 || used_[i] > used_[chosen])) {
                    chosen = i;
                }
            }
        }
        if (chosen < 0) {
            chosen = 0;
            for (int i = 1; i < kChains; ++i) {
                if (used_[i] < used_[chosen]) chosen = i;
            }
        }
        used_[chosen] = ++clock_;
        return chains_[chosen].Resolve(root, rest, createRoot, resolved);
    }

    void BeginBatch() {
        if (batchDepth++ == 0) Recheck();
    }
    void EndBatch() {
        if (batchDepth > 0 && --batchDepth == 0) Recheck();
    }
    void Recheck() {
        for (FolderChain& chain : chains_) chain.Recheck();
    }

private:
    static constexpr int kChains = 4;
    FolderChain chains_[kChains];
    std::uint64_t used_[kChains] = {};
    std::uint64_t clock_ = 0;
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
