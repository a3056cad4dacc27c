// Confined access to the emulated device: every path is resolved from a descriptor of the
// device root, one component at a time, never through a symbolic link, and only through
// folders that belong to this user and that nobody else may write. Used by the posix platform
// and the window registry; tools use DescribeUntrustedFolder to tell the user what to fix.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/platform.h"

namespace oxsdk::platform {

/// An owned file descriptor; closed when destroyed.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    ~UniqueFd();
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

/// An open folder listing; closed (with its descriptor) when the object ends, so that nothing
/// leaks when the work on a listing is cut short (an allocation that fails, say).
struct DirCloser {
    void operator()(DIR* listing) const { closedir(listing); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

/// A listing of the folder `folder` (a descriptor that stays the caller's: the listing has its
/// own); null when it cannot be opened.
UniqueDir OpenListing(int folder);

/// True for a folder owned by the effective user that neither group nor others may write.
bool IsTrustedFolder(const struct stat& info);
/// The same for the user `user`.
bool IsTrustedFolder(const struct stat& info, uid_t user);

/// Opens the device root folder `root` (a symbolic link there is followed: the user chose
/// it); with `create`, a missing root is created with its parents, mode 0700. kNotFound when it
/// is missing or is not a trusted folder.
Error OpenDeviceRoot(const std::string& root, bool create, UniqueFd* fd,
                     struct stat* info = nullptr);

/// Opens the trusted folder `name` inside the folder `parent` (no link followed). kNotFound
/// when it is missing, a link, not a folder, or not trusted.
Error OpenTrustedFolder(int parent, const char* name, UniqueFd* fd,
                        struct stat* info = nullptr);

/// Longest host name of one device path component, terminator included.
constexpr std::size_t kHostNameCapacity = 4 * kMaxPath + 1;

/// Where a device path leads: the trusted folder that holds its last component and that
/// component as a host name ("." for the root path "\" itself). `folder` belongs to this
/// thread's record of checked folders and stays open until the next resolution on this thread.
struct ResolvedPath {
    int folder = -1;
    char name[kHostNameCapacity];
};

/// Resolves the device path `path` below `root`, every folder on the way trusted and none a
/// link. kNotFound when the path cannot be mapped or a folder on the way is missing or refused.
/// The folders found are kept open per thread and checked again (one stat each, against the
/// folder kept) at every resolution; inside a check batch of this thread, a folder checked once
/// in the batch is not checked again.
Error ResolveDevicePath(const std::string& root, const char16_t* path, bool createRoot,
                        ResolvedPath* resolved);

/// Check batches of this thread (they nest): see ResolveDevicePath.
void BeginCheckBatch();
void EndCheckBatch();
/// The folders kept for this thread are checked again at the next resolution, batch or not:
/// one of them may have gone (a create inside it failed as missing).
void RecheckFolders();

/// When the device root or a folder on the way from it to the device folder `folder` cannot
/// be trusted, a sentence that names the host folder, what is wrong and the command that
/// fixes it; empty when every existing folder on the way is trusted (missing ones are created
/// private when needed).
std::string DescribeUntrustedFolder(const std::string& root, const char16_t* folder);

}  // namespace oxsdk::platform
