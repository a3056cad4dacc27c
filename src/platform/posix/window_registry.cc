#include "platform/posix/window_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/posix/device_access.h"
#include "platform/posix/emulated_device.h"
#include "platform/posix/host_paths.h"

namespace oxsdk::platform {
namespace {

constexpr char kRegistryFolder[] = ".windows";
constexpr char kForegroundName[] = "foreground";
// A probe of another process may hold a class file's lock for a moment, and an owner may not
// have written its process id yet: such states are waited out this many times, 5 ms apart.
constexpr int kBusyRetries = 40;

void PauseBriefly() {
    timespec pause{0, 5 * 1000 * 1000};
    nanosleep(&pause, nullptr);
}

// Class names map to one file name in the registry; names starting with "." are kept for the
// registry's own files.
bool ClassFileName(std::u16string_view className, std::string* name) {
    if (className.empty() || className[0] == u'.' || className == u"foreground") return false;
    if (className.find_first_of(u"/\\") != std::u16string_view::npos) return false;
    return DeviceNameToHost(className, name);
}

// Decimal text with optional trailing whitespace; 0 when malformed.
std::uint64_t ParseNumber(const char* text, ssize_t length) {
    std::uint64_t value = 0;
    ssize_t i = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > 0xFFFFFFFFull) return 0;
    }
    if (i == 0) return 0;
    for (; i < length; ++i) {
        if (text[i] != ' ' && text[i] != '\n' && text[i] != '\r' && text[i] != '\t') return 0;
    }
    return value;
}

std::uint64_t ReadNumber(int fd) {
    char text[32];
    ssize_t length = pread(fd, text, sizeof text, 0);
    return length > 0 && length < static_cast<ssize_t>(sizeof text) ? ParseNumber(text, length) : 0;
}

// Opens the registry folder below the device root; with `create`, makes it when missing.
bool OpenRegistry(const std::string& root, bool create, UniqueFd* folder) {
    UniqueFd device;
    if (OpenDeviceRoot(root, create, &device) != Error::kNone) return false;
    if (OpenTrustedFolder(device.get(), kRegistryFolder, folder) == Error::kNone) return true;
    if (!create || (mkdirat(device.get(), kRegistryFolder, 0700) != 0 && errno != EEXIST)) {
        return false;
    }
    return OpenTrustedFolder(device.get(), kRegistryFolder, folder) == Error::kNone;
}

// The registry folder below the device root, when it is there and trusted: a descriptor of
// this thread's checked folders, valid until the next device path resolution on this thread.
int RegistryFolder(const std::string& root) {
    ResolvedPath at;
    if (ResolveDevicePath(root, u"\\.windows\\-", false, &at) != Error::kNone) return -1;
    return at.folder;
}

// The handle of the window whose class file is `name` in the registry `folder`, or 0 when no
// process holds it. `instance` (when given) receives what tells this window apart from an
// earlier one with the same handle: the class file's identity and the time its owner wrote
// its process id into it, which every owner does anew when it makes its window.
WindowHandle ProbeClassFile(int folder, const char* name, std::uint64_t* instance = nullptr) {
    if (instance != nullptr) *instance = 0;
    int fd = openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return 0;
    struct stat info;
    WindowHandle handle = 0;
    for (int attempt = 0; attempt < kBusyRetries && fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
         ++attempt) {
        // A shared lock fails only while an owner holds its exclusive one; probes never stop
        // each other.
        if (flock(fd, LOCK_SH | LOCK_NB) == 0) {
            flock(fd, LOCK_UN);
            break;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) break;
        handle = static_cast<WindowHandle>(ReadNumber(fd) * 4);
        if (handle != 0) break;
        PauseBriefly();  // the owner is still writing its process id
    }
    if (handle != 0 && instance != nullptr && fstat(fd, &info) == 0) {
        std::uint64_t identity = 1469598103934665603ull;  // FNV-1a over the numbers below
        for (std::uint64_t part :
             {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
              static_cast<std::uint64_t>(info.st_mtim.tv_sec),
              static_cast<std::uint64_t>(info.st_mtim.tv_nsec),
              static_cast<std::uint64_t>(info.st_ctim.tv_sec),
              static_cast<std::uint64_t>(info.st_ctim.tv_nsec), std::uint64_t{handle}}) {
            for (int byte = 0; byte < 8; ++byte) {
                identity = (identity ^ ((part >> (8 * byte)) & 0xFF)) * 1099511628211ull;
            }
        }
        *instance = identity != 0 ? identity : 1;
    }
    close(fd);
    return handle;
}

}  // namespace

WindowHandle FindRegisteredWindow(const std::string& root, const char16_t* className,
                                  std::uint64_t* instance) {
    if (instance != nullptr) *instance = 0;
    std::string name;
    if (!ClassFileName(className, &name)) return 0;
    const int folder = RegistryFolder(root);
    return folder >= 0 ? ProbeClassFile(folder, name.c_str(), instance) : 0;
}

bool IsRegisteredWindow(const std::string& root, WindowHandle window) {
    const int folder = window != 0 ? RegistryFolder(root) : -1;
    if (folder < 0) return false;
    UniqueDir listing = OpenListing(folder);
    if (listing == nullptr) return false;
    bool found = false;
    while (dirent* entry = readdir(listing.get())) {
        std::string_view name = entry->d_name;
        if (name[0] == '.' || name == kForegroundName) continue;
        if (ProbeClassFile(folder, entry->d_name) == window) {
            found = true;
            break;
        }
    }
    return found;
}

WindowHandle ReadForegroundWindow(const std::string& root) {
    const int folder = RegistryFolder(root);
    if (folder < 0) return 0;
    UniqueFd fd(openat(folder, kForegroundName,
                       O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY));
    struct stat info;
    if (!fd.valid() || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    return static_cast<WindowHandle>(ReadNumber(fd.get()));
}

bool WriteForegroundWindow(const std::string& root, WindowHandle window) {
    UniqueFd folder;
    if (!OpenRegistry(root, true, &folder)) return false;
    // Written aside and renamed into place, so that a reader never sees a partial number.
    std::string temporary = ".foreground." + std::to_string(getpid());
    std::string text = std::to_string(window & ~WindowHandle{1}) + "\n";
    int fd = openat(folder.get(), temporary.c_str(),
                    O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return false;
    struct stat info;
    bool written = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                   write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    if (written && renameat(folder.get(), temporary.c_str(), folder.get(), kForegroundName) == 0) {
        return true;
    }
    unlinkat(folder.get(), temporary.c_str(), 0);
    return false;
}

std::unique_ptr<EmulatedWindow> EmulatedWindow::Create(const std::string& className,
                                                       const std::string& rootFolder) {
    std::string root = rootFolder.empty() ? DeviceRootFolder() : rootFolder;
    std::u16string wideClass;  // narrow text widens byte for byte
    for (char c : className) wideClass.push_back(static_cast<unsigned char>(c));
    std::string name;
    UniqueFd folder;
    if (!ClassFileName(wideClass, &name) || !OpenRegistry(root, true, &folder)) return nullptr;
    for (int attempt = 0; attempt < kBusyRetries; ++attempt) {
        int fd = openat(folder.get(), name.c_str(),
                        O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0) return nullptr;
        struct stat locked, current;
        if (fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
            close(fd);
            return nullptr;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int error = errno;
            close(fd);
            if (error != EWOULDBLOCK && error != EINTR) return nullptr;
            PauseBriefly();  // held by an owner, or probed by a reader right now
            continue;
        }
        // The previous owner may have removed the file between our open and our lock.
        if (fstatat(folder.get(), name.c_str(), &current, AT_SYMLINK_NOFOLLOW) != 0 ||
            locked.st_ino != current.st_ino || locked.st_dev != current.st_dev) {
            close(fd);
            continue;
        }
        auto pid = static_cast<std::uint32_t>(getpid());
        std::string text = std::to_string(pid) + "\n";
        if (ftruncate(fd, 0) != 0 ||
            pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
            unlinkat(folder.get(), name.c_str(), 0);
            close(fd);
            return nullptr;
        }
        return std::unique_ptr<EmulatedWindow>(new EmulatedWindow(
            fd, folder.release(), std::move(name), static_cast<WindowHandle>(pid) * 4));
    }
    return nullptr;
}

EmulatedWindow::~EmulatedWindow() {
    unlinkat(folder_, name_.c_str(), 0);
    close(fd_);
    close(folder_);
}

}  // namespace oxsdk::platform
