// The platform of the emulated device on a POSIX host: device paths map below the root folder,
// windows live in the flock registry, programs start detached.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <mutex>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/device_names.h"
#include "platform/device_text.h"
#include "platform/posix/device_access.h"
#include "platform/posix/emulated_device.h"
#include "platform/posix/host_paths.h"
#include "platform/posix/window_registry.h"

extern char** environ;

namespace oxsdk::platform {
namespace {

constexpr char kPlatformTypeFile[] = ".platform-type";
constexpr char kDefaultPlatformType[] = "PocketPC";
constexpr CursorHandle kWaitCursor = 32514;

// The cursor is state of the process, whichever platform object shows it.
std::atomic<CursorHandle> currentCursor{0};

bool IsReadOnly(const struct stat& info) {
    return (info.st_mode & S_IWUSR) == 0;
}

// A regular file with no other name: a hard link could lead to a file outside the device.
bool IsPlainFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_nlink <= 1;
}

std::uint32_t AttributesOf(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return kAttributeDirectory;
    return IsReadOnly(info) ? kAttributeReadOnly : kAttributeNormal;
}

std::uint64_t MillisecondsOf(const timespec& time) {
    return static_cast<std::uint64_t>(time.tv_sec) * 1000 +
           static_cast<std::uint64_t>(time.tv_nsec) / 1000000;
}

std::uint64_t MonotonicMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

// Files are opened and closed one after the other: each thread keeps the block of the last one
// it closed for the next it opens, so that a round trip allocates no file objects.
class PosixFile : public File {
public:
    PosixFile(int fd, bool writing) : fd_(fd), writing_(writing) {}
    ~PosixFile() override { close(fd_); }

    static void* operator new(std::size_t size) {
        void*& spare = Spare().block;
        if (spare != nullptr && size == sizeof(PosixFile)) return std::exchange(spare, nullptr);
        return ::operator new(size);
    }
    static void operator delete(void* block, std::size_t size) noexcept {
        void*& spare = Spare().block;
        if (spare == nullptr && size == sizeof(PosixFile)) {
            spare = block;
            return;
        }
        ::operator delete(block);
    }

    Error Read(void* buffer, std::uint32_t capacity, std::uint32_t* bytesRead) override {
        *bytesRead = 0;
        if (writing_) return Error::kAccessDenied;
        ssize_t count;
        do {
            count = read(fd_, buffer, capacity);
        } while (count < 0 && errno == EINTR);
        if (count < 0) return ErrorFromErrno(errno);
        *bytesRead = static_cast<std::uint32_t>(count);
        return Error::kNone;
    }

    Error Write(const void* data, std::uint32_t size, std::uint32_t* bytesWritten) override {
        *bytesWritten = 0;
        if (!writing_) return Error::kAccessDenied;
        const char* bytes = static_cast<const char*>(data);
        std::uint32_t done = 0;
        while (done < size) {
            ssize_t count = write(fd_, bytes + done, size - done);
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) {
                *bytesWritten = done;
                return done > 0 ? Error::kNone : ErrorFromErrno(errno);
            }
            done += static_cast<std::uint32_t>(count);
        }
        *bytesWritten = done;
        return Error::kNone;
    }

    std::uint32_t GetSize() override {
        struct stat info;
        if (fstat(fd_, &info) != 0 || info.st_size >= 0xFFFFFFFF) return kInvalidFileSize;
        return static_cast<std::uint32_t>(info.st_size);
    }

private:
    struct SpareBlock {
        void* block = nullptr;
        ~SpareBlock() { ::operator delete(block); }
    };
    static SpareBlock& Spare() {
        thread_local SpareBlock spare;
        return spare;
    }

    int fd_;
    bool writing_;
};

// Starts the program open as `program` (its host path `hostPath` is its name) detached: its own
// session, standard streams on /dev/null, no arguments, this process's environment. A
// grandchild runs the program so that no zombie remains; an exec failure travels back through
// a close-on-exec pipe.
Error StartDetached(int program, const std::string& hostPath) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return Error::kOther;
    char* const arguments[] = {const_cast<char*>(hostPath.c_str()), nullptr};
    pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return Error::kOther;
    }
    if (child == 0) {
        close(report[0]);
        pid_t grandchild = fork();
        if (grandchild != 0) {
            if (grandchild < 0) {
                int error = errno;
                (void)!write(report[1], &error, sizeof error);
            }
            _exit(0);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        setsid();
        int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            if (null > 2) close(null);
        }
        close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);  // nothing else of ours leaks into it
        execveat(program, "", arguments, environ, AT_EMPTY_PATH);
        if (errno == ENOENT) {
            // A script: its interpreter opens it by descriptor, which must stay open for it.
            int inherited = dup(program);
            if (inherited >= 0) execveat(inherited, "", arguments, environ, AT_EMPTY_PATH);
        }
        int error = errno;
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }
    close(report[1]);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t count;
    do {
        count = read(report[0], &error, sizeof error);
    } while (count < 0 && errno == EINTR);
    close(report[0]);
    if (count == static_cast<ssize_t>(sizeof error)) return ErrorFromErrno(error);
    return Error::kNone;
}

class PosixPlatform : public Platform {
public:
    // An empty root means: as the environment names it at every call.
    explicit PosixPlatform(std::string root) : fixedRoot_(std::move(root)) {}

    // Every file operation resolves its path from a descriptor of the device root, one
    // trusted folder at a time, and acts on the last component relative to its folder without
    // following a link: nothing outside the device is ever touched.

    Error OpenForReading(const char16_t* path, std::unique_ptr<File>* file) override {
        ResolvedPath at;
        if (Error error = Resolve(path, false, &at); error != Error::kNone) return error;
        UniqueFd fd(openat(at.folder, at.name,
                           O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
        if (!fd.valid()) return ErrorFromErrno(errno);
        struct stat info;
        if (fstat(fd.get(), &info) != 0 || !IsPlainFile(info)) return Error::kAccessDenied;
        *file = std::make_unique<PosixFile>(fd.release(), false);
        return Error::kNone;
    }

    Error CreateForWriting(const char16_t* path, std::unique_ptr<File>* file) override {
        ResolvedPath at;
        if (Error error = Resolve(path, true, &at); error != Error::kNone) return error;
        // Opened without truncation first: a read-only or shared file is refused untouched,
        // as on the device, even for the superuser.
        UniqueFd fd(openat(at.folder, at.name,
                           O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW,
                           0600));
        if (!fd.valid()) {
            // Its folder may have gone since it was last checked.
            if (errno == ENOENT) RecheckFolders();
            return ErrorFromErrno(errno);
        }
        struct stat info;
        if (fstat(fd.get(), &info) != 0 || !IsPlainFile(info) || IsReadOnly(info)) {
            return Error::kAccessDenied;
        }
        // Emptied only when there is something to empty: a truncation makes some file systems
        // flush the file when it is closed.
        if (info.st_size > 0 && ftruncate(fd.get(), 0) != 0) return ErrorFromErrno(errno);
        *file = std::make_unique<PosixFile>(fd.release(), true);
        return Error::kNone;
    }

    Error DeleteFile(const char16_t* path) override {
        ResolvedPath at;
        if (Error error = Resolve(path, false, &at); error != Error::kNone) return error;
        struct stat info;
        if (fstatat(at.folder, at.name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return ErrorFromErrno(errno);
        }
        if (!S_ISREG(info.st_mode) || IsReadOnly(info)) return Error::kAccessDenied;
        return unlinkat(at.folder, at.name, 0) == 0 ? Error::kNone : ErrorFromErrno(errno);
    }

    std::uint32_t GetFileAttributes(const char16_t* path) override {
        ResolvedPath at;
        struct stat info;
        if (Resolve(path, false, &at) != Error::kNone ||
            fstatat(at.folder, at.name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !(S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))) {
            return kInvalidAttributes;
        }
        return AttributesOf(info);
    }

    Error SetFileAttributes(const char16_t* path, std::uint32_t attributes) override {
        ResolvedPath at;
        if (Error error = Resolve(path, false, &at); error != Error::kNone) return error;
        struct stat info;
        if (fstatat(at.folder, at.name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return ErrorFromErrno(errno);
        }
        if (S_ISDIR(info.st_mode)) return Error::kNone;  // folders keep no read-only bit
        if (!IsPlainFile(info)) return Error::kAccessDenied;
        mode_t mode = info.st_mode & 07777;
        mode = (attributes & kAttributeReadOnly) != 0 ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
        return fchmodat(at.folder, at.name, mode, AT_SYMLINK_NOFOLLOW) == 0
                   ? Error::kNone
                   : ErrorFromErrno(errno);
    }

    Error CreateFolder(const char16_t* path) override {
        ResolvedPath at;
        if (Error error = Resolve(path, true, &at); error != Error::kNone) return error;
        if (std::strcmp(at.name, ".") == 0) return Error::kAlreadyExists;
        if (mkdirat(at.folder, at.name, 0700) == 0) return Error::kNone;
        if (errno == ENOENT) RecheckFolders();
        return ErrorFromErrno(errno);
    }

    Error FindFirst(const char16_t* pattern, std::unique_ptr<FindHandle>* handle,
                    FindData* first) override {
        ResolvedPath at;
        if (Resolve(pattern, false, &at) != Error::kNone || std::strcmp(at.name, ".") == 0) {
            return Error::kNotFound;
        }
        char16_t namePattern[kMaxPath];
        std::size_t patternLength = 0;
        if (!HostNameToDevice(at.name, namePattern, &patternLength)) return Error::kNotFound;
        // Closed however the listing ends, a failed allocation of `entries` included.
        UniqueDir listing = OpenListing(at.folder);
        if (listing == nullptr) return Error::kNotFound;
        std::vector<FindData> entries;
        FindData entry;
        std::size_t length = 0;
        while (dirent* hostEntry = readdir(listing.get())) {
            std::string_view hostName = hostEntry->d_name;
            // Links are not part of the device, and neither is anything but files and folders.
            if (hostEntry->d_type == DT_LNK || hostName == "." || hostName == ".." ||
                !HostNameToDevice(hostName, entry.name, &length) ||
                !MatchesNamePattern(std::u16string_view(namePattern, patternLength),
                                    std::u16string_view(entry.name, length))) {
                continue;
            }
            // A folder the listing names as one needs no look of its own: folders keep no
            // read-only bit, and their write time is not asked for.
            if (hostEntry->d_type == DT_DIR) {
                entry.attributes = kAttributeDirectory;
                entry.lastWriteTime = 0;
                entries.push_back(entry);
                continue;
            }
            struct stat info;
            if (fstatat(dirfd(listing.get()), hostEntry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
                !(S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))) {
                continue;
            }
            entry.attributes = AttributesOf(info);
            entry.lastWriteTime = info.st_mtim.tv_sec < 0 ? 0 : MillisecondsOf(info.st_mtim);
            entries.push_back(entry);
        }
        listing.reset();
        if (entries.empty()) return Error::kNotFound;
        *first = entries.front();
        *handle = std::make_unique<ListedFindHandle>(std::move(entries));
        return Error::kNone;
    }

    bool DescribeUntrustedFolder(const char16_t* folder, char* text, int capacity) override {
        std::string problem = platform::DescribeUntrustedFolder(Root(), folder);
        if (capacity <= 0) return !problem.empty();
        std::size_t kept = std::min(problem.size(), static_cast<std::size_t>(capacity - 1));
        std::memcpy(text, problem.data(), kept);
        text[kept] = '\0';
        return !problem.empty();
    }

    Error StartProcess(const char16_t* path) override {
        ResolvedPath at;
        if (Error error = Resolve(path, false, &at); error != Error::kNone) return error;
        struct stat info;
        if (fstatat(at.folder, at.name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return ErrorFromErrno(errno);
        }
        if (!S_ISREG(info.st_mode) || faccessat(at.folder, at.name, X_OK, AT_EACCESS) != 0) {
            return Error::kAccessDenied;
        }
        // The program runs from this very file, whatever happens to its name meanwhile.
        UniqueFd program(openat(at.folder, at.name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!program.valid()) return ErrorFromErrno(errno);
        std::string host;
        if (!Map(path, &host)) return Error::kNotFound;
        return StartDetached(program.get(), host);
    }

    std::uint32_t GetCurrentProcessId() override { return static_cast<std::uint32_t>(getpid()); }

    WindowHandle FindWindow(const char16_t* className) override {
        return FindRegisteredWindow(Root(), className);
    }
    WindowHandle FindWindowInstance(const char16_t* className, std::uint64_t* instance) override {
        return FindRegisteredWindow(Root(), className, instance);
    }
    WindowHandle GetForegroundWindow() override { return ReadForegroundWindow(Root()); }
    bool SetForegroundWindow(WindowHandle window) override {
        return window != 0 && WriteForegroundWindow(Root(), window);
    }
    bool ShowWindow(WindowHandle window, int /*showCommand*/) override {
        return IsRegisteredWindow(Root(), window);
    }

    CursorHandle GetCursor() override { return currentCursor.load(); }
    CursorHandle SetCursor(CursorHandle cursor) override { return currentCursor.exchange(cursor); }
    CursorHandle LoadWaitCursor() override { return kWaitCursor; }

    bool IsCePlatform() override { return true; }

    void BeginBatch() override { BeginCheckBatch(); }
    void EndBatch() override { EndCheckBatch(); }

    // The type is a property of the device: read once per root, when first asked for.
    bool GetPlatformType(char* text, int capacity) override {
        if (capacity <= 0) return false;
        text[0] = '\0';
        std::string type;
        {
            std::lock_guard<std::mutex> hold(typeLock_);
            const std::string& root = Root();
            if (typeRoot_.empty() || typeRoot_ != root) {
                if (!ReadPlatformType(root, &type_)) return false;
                typeRoot_ = root;
            }
            type = type_;
        }
        if (type.size() + 1 > static_cast<std::size_t>(capacity)) return false;
        std::memcpy(text, type.c_str(), type.size() + 1);
        return true;
    }

    // After any wait, the folders on the way are checked again, batch or not.
    void Sleep(std::uint32_t milliseconds) override {
        RecheckFolders();
        timespec left{static_cast<time_t>(milliseconds / 1000),
                      static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&left, &left) != 0 && errno == EINTR) {
        }
    }

    std::uint64_t GetSystemTime() override {
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        return MillisecondsOf(now);
    }

    // Each thread keeps its own watch on the folder it last waited for, between calls, so that
    // a change made while the caller was busy is seen by its next wait at once instead of at
    // the time out, and threads never share a watcher. A wait for a name pattern watches only
    // completed files and is not ended by files of other names.
    bool WaitForFolderChange(const char16_t* folder, std::uint32_t milliseconds,
                             const char16_t* namePattern = nullptr) override {
        FolderWatcher& watcher = ThisThreadsWatcher();
        if (milliseconds > 0) RecheckFolders();
        if (!Watch(watcher, folder, namePattern != nullptr)) {
            Sleep(milliseconds);  // nothing to watch: wait the time out
            return milliseconds > 0;
        }
        if (milliseconds == 0) return false;
        const std::u16string_view pattern =
            namePattern != nullptr ? std::u16string_view(namePattern) : std::u16string_view();
        const std::uint64_t deadline = MonotonicMilliseconds() + milliseconds;
        pollfd watch{watcher.fd, POLLIN, 0};
        while (true) {
            const std::uint64_t now = MonotonicMilliseconds();
            if (now >= deadline) return false;
            int ready = poll(&watch, 1,
                             static_cast<int>(std::min<std::uint64_t>(deadline - now, 0x7FFFFFFF)));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return false;
            if (TakeEvents(watcher, namePattern != nullptr, pattern)) return true;
        }
    }

private:
    struct FolderWatcher {
        int fd = -1;
        int watch = -1;
        std::uint32_t mask = 0;
        bool watching = false;  // false once the watched folder went away
        std::string root;       // the device root and the device path of the watched folder
        std::u16string path;
        ~FolderWatcher() {
            if (fd >= 0) close(fd);
        }
    };

    static FolderWatcher& ThisThreadsWatcher() {
        thread_local FolderWatcher watcher;
        return watcher;
    }

    const std::string& Root() const {
        return fixedRoot_.empty() ? CurrentDeviceRootFolder() : fixedRoot_;
    }
    bool Map(const char16_t* path, std::string* host) const {
        return HostPathUnder(Root(), path, host);
    }
    Error Resolve(const char16_t* path, bool createRoot, ResolvedPath* at) {
        return ResolveDevicePath(Root(), path, createRoot, at);
    }

    // Takes every pending event; true when one of them ends the wait: any event of the watched
    // folder, or with `filtered` a file whose name matches `pattern`, or a lost event or watch. A watch whose
    // folder went away is set up again by the next wait.
    static bool TakeEvents(FolderWatcher& watcher, bool filtered, std::u16string_view pattern) {
        alignas(inotify_event) char events[4096];
        bool wanted = false;
        ssize_t count;
        while ((count = read(watcher.fd, events, sizeof events)) > 0) {
            for (ssize_t at = 0; at < count;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if ((event->mask & IN_Q_OVERFLOW) != 0) {
                    wanted = true;
                    continue;
                }
                if (event->wd != watcher.watch) continue;  // of a folder watched before
                if ((event->mask & IN_IGNORED) != 0) watcher.watching = false;
                if (!filtered || (event->mask & IN_IGNORED) != 0) {
                    wanted = true;
                } else if (!wanted && event->len > 0) {
                    wanted = NameMatches(event->name, pattern);
                }
            }
        }
        return wanted;
    }

    // Whether the host name `hostName` matches the device name pattern `pattern`.
    static bool NameMatches(const char* hostName, std::u16string_view pattern) {
        char16_t name[kMaxPath];
        std::size_t length = 0;
        return HostNameToDevice(hostName, name, &length) &&
               MatchesNamePattern(pattern, std::u16string_view(name, length));
    }

    // Makes `watcher` watch `folder` (a trailing "\\" is allowed): every change, or with
    // `completedOnly` only files completed in it; false when it cannot. The folder is resolved
    // like any other device path and watched through its descriptor.
    bool Watch(FolderWatcher& watcher, const char16_t* folder, bool completedOnly) {
        char16_t trimmed[kMaxPath];
        if (!TrimFolderPath(folder, trimmed)) return false;
        const std::uint32_t mask =
            completedOnly ? IN_MOVED_TO | IN_CLOSE_WRITE | IN_ONLYDIR
                          : IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE | IN_ONLYDIR;
        // The folder watched already, with the same events: nothing to do.
        if (watcher.fd >= 0 && watcher.watching && watcher.mask == mask &&
            watcher.path == trimmed && watcher.root == Root()) {
            return true;
        }
        ResolvedPath at;
        if (Resolve(trimmed, false, &at) != Error::kNone) return false;
        UniqueFd target;
        if (std::strcmp(at.name, ".") == 0) {
            target = UniqueFd(dup(at.folder));
        } else if (OpenTrustedFolder(at.folder, at.name, &target) != Error::kNone) {
            return false;
        }
        if (watcher.fd < 0) watcher.fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (watcher.fd < 0) return false;
        if (watcher.watch >= 0) inotify_rm_watch(watcher.fd, watcher.watch);
        char byDescriptor[64];
        std::snprintf(byDescriptor, sizeof byDescriptor, "/proc/self/fd/%d", target.get());
        watcher.watch = inotify_add_watch(watcher.fd, byDescriptor, mask);
        watcher.mask = mask;
        watcher.watching = watcher.watch >= 0;
        watcher.root = Root();
        watcher.path = trimmed;
        return watcher.watch >= 0;
    }

    static bool ReadPlatformType(const std::string& root, std::string* type) {
        *type = kDefaultPlatformType;
        UniqueFd device;
        if (OpenDeviceRoot(root, false, &device) != Error::kNone) return true;
        UniqueFd fd(openat(device.get(), kPlatformTypeFile,
                           O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY));
        if (!fd.valid()) return errno == ENOENT;
        struct stat info;
        char buffer[256];
        if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
        ssize_t length = read(fd.get(), buffer, sizeof buffer);
        if (length < 0 || length == static_cast<ssize_t>(sizeof buffer)) return false;
        type->assign(buffer, static_cast<std::size_t>(length));
        while (!type->empty() && std::strchr(" \t\r\n", type->back()) != nullptr) {
            type->pop_back();
        }
        return true;
    }

    std::string fixedRoot_;
    std::mutex typeLock_;
    std::string typeRoot_;  // the root whose type type_ holds; empty before the first read
    std::string type_;
};

}  // namespace

std::unique_ptr<Platform> NewPosixPlatform(const std::string& rootFolder) {
    return std::make_unique<PosixPlatform>(rootFolder);
}

Platform& NativePlatform() {
    static Platform* native = new PosixPlatform(std::string());
    return *native;
}

}  // namespace oxsdk::platform
