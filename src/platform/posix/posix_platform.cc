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
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/device_names.h"
#include "platform/device_text.h"
#include "platform/posix/emulated_device.h"
#include "platform/posix/host_paths.h"
#include "platform/posix/window_registry.h"

extern char** environ;

namespace oxsdk::platform {
namespace {

constexpr char kPlatformTypeFile[] = "/.platform-type";
constexpr char kDefaultPlatformType[] = "PocketPC";
constexpr CursorHandle kWaitCursor = 32514;

// The cursor is state of the process, whichever platform object shows it.
std::atomic<CursorHandle> currentCursor{0};

bool IsReadOnly(const struct stat& info) {
    return (info.st_mode & S_IWUSR) == 0;
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

class PosixFile : public File {
public:
    PosixFile(int fd, bool writing) : fd_(fd), writing_(writing) {}
    ~PosixFile() override { close(fd_); }

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
    int fd_;
    bool writing_;
};

// Starts `hostPath` detached: its own session, standard streams on /dev/null, no arguments,
// this process's environment. A grandchild runs the program so that no zombie remains; an exec
// failure travels back through a close-on-exec pipe.
Error StartDetached(const std::string& hostPath) {
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
        execve(hostPath.c_str(), arguments, environ);
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

    Error OpenForReading(const char16_t* path, std::unique_ptr<File>* file) override {
        std::string host;
        if (!Map(path, &host)) return Error::kNotFound;
        int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return ErrorFromErrno(errno);
        struct stat info;
        if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            close(fd);
            return Error::kAccessDenied;
        }
        *file = std::make_unique<PosixFile>(fd, false);
        return Error::kNone;
    }

    Error CreateForWriting(const char16_t* path, std::unique_ptr<File>* file) override {
        std::string host;
        if (!Map(path, &host)) return Error::kNotFound;
        if (!EnsureHostFolder(Root())) return Error::kOther;
        struct stat info;
        if (stat(host.c_str(), &info) == 0 && (!S_ISREG(info.st_mode) || IsReadOnly(info))) {
            return Error::kAccessDenied;  // as on the device, even for the superuser
        }
        int fd = open(host.c_str(),
                      O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
        if (fd < 0) return ErrorFromErrno(errno);
        *file = std::make_unique<PosixFile>(fd, true);
        return Error::kNone;
    }

    Error DeleteFile(const char16_t* path) override {
        std::string host;
        if (!Map(path, &host)) return Error::kNotFound;
        struct stat info;
        if (lstat(host.c_str(), &info) != 0) return ErrorFromErrno(errno);
        if (S_ISDIR(info.st_mode) || IsReadOnly(info)) return Error::kAccessDenied;
        return unlink(host.c_str()) == 0 ? Error::kNone : ErrorFromErrno(errno);
    }

    std::uint32_t GetFileAttributes(const char16_t* path) override {
        std::string host;
        struct stat info;
        if (!Map(path, &host) || stat(host.c_str(), &info) != 0) return kInvalidAttributes;
        return AttributesOf(info);
    }

    Error SetFileAttributes(const char16_t* path, std::uint32_t attributes) override {
        std::string host;
        if (!Map(path, &host)) return Error::kNotFound;
        struct stat info;
        if (stat(host.c_str(), &info) != 0) return ErrorFromErrno(errno);
        if (S_ISDIR(info.st_mode)) return Error::kNone;  // folders keep no read-only bit
        mode_t mode = info.st_mode & 07777;
        mode = (attributes & kAttributeReadOnly) != 0 ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
        return chmod(host.c_str(), mode) == 0 ? Error::kNone : ErrorFromErrno(errno);
    }

    Error CreateFolder(const char16_t* path) override {
        std::string host;
        if (!Map(path, &host)) return Error::kNotFound;
        if (!EnsureHostFolder(Root())) return Error::kOther;
        return mkdir(host.c_str(), 0700) == 0 ? Error::kNone : ErrorFromErrno(errno);
    }

    Error FindFirst(const char16_t* pattern, std::unique_ptr<FindHandle>* handle,
                    FindData* first) override {
        std::vector<std::u16string> parts;
        std::string folder;
        if (!SplitDevicePath(pattern, &parts) || parts.empty()) return Error::kNotFound;
        std::u16string namePattern = parts.back();
        std::u16string folderPath(pattern, WideLength(pattern) - namePattern.size());
        if (folderPath.size() > 1) folderPath.pop_back();  // "\a\" -> "\a"
        if (!Map(folderPath.c_str(), &folder)) return Error::kNotFound;
        DIR* listing = opendir(folder.c_str());
        if (listing == nullptr) return errno == EACCES ? Error::kAccessDenied : Error::kNotFound;
        std::vector<FindData> entries;
        std::u16string name;
        FindData entry;
        while (dirent* hostEntry = readdir(listing)) {
            std::string_view hostName = hostEntry->d_name;
            if (hostName == "." || hostName == ".." || !HostNameToDevice(hostName, &name) ||
                name.size() >= kMaxPath || !MatchesNamePattern(namePattern, name)) {
                continue;
            }
            struct stat info;
            if (fstatat(dirfd(listing), hostEntry->d_name, &info, 0) != 0) continue;
            std::copy(name.begin(), name.end(), entry.name);
            entry.name[name.size()] = u'\0';
            entry.attributes = AttributesOf(info);
            entry.lastWriteTime = info.st_mtim.tv_sec < 0 ? 0 : MillisecondsOf(info.st_mtim);
            entries.push_back(entry);
        }
        closedir(listing);
        if (entries.empty()) return Error::kNotFound;
        *first = entries.front();
        *handle = std::make_unique<ListedFindHandle>(std::move(entries));
        return Error::kNone;
    }

    Error StartProcess(const char16_t* path) override {
        std::string host;
        if (!Map(path, &host)) return Error::kNotFound;
        struct stat info;
        if (stat(host.c_str(), &info) != 0) return ErrorFromErrno(errno);
        if (!S_ISREG(info.st_mode) || access(host.c_str(), X_OK) != 0) {
            return Error::kAccessDenied;
        }
        return StartDetached(host);
    }

    std::uint32_t GetCurrentProcessId() override { return static_cast<std::uint32_t>(getpid()); }

    WindowHandle FindWindow(const char16_t* className) override {
        return FindRegisteredWindow(Root(), className);
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

    bool GetPlatformType(char* text, int capacity) override {
        if (capacity <= 0) return false;
        text[0] = '\0';
        std::string type = kDefaultPlatformType;
        std::string root = Root();
        int fd = root.empty()
                     ? -1
                     : open((root + kPlatformTypeFile).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0) {
            char buffer[256];
            ssize_t length = read(fd, buffer, sizeof buffer);
            close(fd);
            if (length < 0 || length == static_cast<ssize_t>(sizeof buffer)) return false;
            type.assign(buffer, static_cast<std::size_t>(length));
            while (!type.empty() && std::strchr(" \t\r\n", type.back()) != nullptr) type.pop_back();
        } else if (errno != ENOENT && errno != ENOTDIR) {
            return false;
        }
        if (type.size() + 1 > static_cast<std::size_t>(capacity)) return false;
        std::memcpy(text, type.c_str(), type.size() + 1);
        return true;
    }

    void Sleep(std::uint32_t milliseconds) override {
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

    // The watch on the folder stays in place between calls, so that a change made while the
    // caller was busy is seen by its next wait at once instead of at the time out.
    void WaitForFolderChange(const char16_t* folder, std::uint32_t milliseconds) override {
        if (!Watch(folder)) {
            Sleep(milliseconds);  // nothing to watch: wait the time out
            return;
        }
        std::uint64_t deadline = MonotonicMilliseconds() + milliseconds;
        pollfd watch{watcher_, POLLIN, 0};
        while (true) {
            std::uint64_t now = MonotonicMilliseconds();
            if (now >= deadline) break;
            int ready = poll(&watch, 1,
                             static_cast<int>(std::min<std::uint64_t>(deadline - now, 0x7FFFFFFF)));
            if (ready >= 0 || errno != EINTR) break;
        }
        // Take every pending event: the folder is looked at again by the caller anyway.
        alignas(inotify_event) char events[4096];
        while (read(watcher_, events, sizeof events) > 0) {
        }
    }

    ~PosixPlatform() override {
        if (watcher_ >= 0) close(watcher_);
    }

private:
    std::string Root() const { return fixedRoot_.empty() ? DeviceRootFolder() : fixedRoot_; }
    bool Map(const char16_t* path, std::string* host) const {
        return HostPathUnder(Root(), path, host);
    }

    // Makes the watcher watch `folder` (a trailing "\\" is allowed); false when it cannot.
    bool Watch(const char16_t* folder) {
        char16_t trimmed[kMaxPath];
        int length = 0;
        while (folder[length] != u'\0' && length < kMaxPath - 1) {
            trimmed[length] = folder[length];
            ++length;
        }
        if (folder[length] != u'\0') return false;
        if (length > 1 && trimmed[length - 1] == u'\\') --length;
        trimmed[length] = u'\0';
        std::string host;
        if (!Map(trimmed, &host)) return false;
        if (watcher_ >= 0 && host == watchedFolder_) return true;
        if (watcher_ < 0) watcher_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (watcher_ < 0) return false;
        if (watch_ >= 0) inotify_rm_watch(watcher_, watch_);
        watch_ = inotify_add_watch(watcher_, host.c_str(),
                                   IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE | IN_ONLYDIR);
        watchedFolder_ = watch_ >= 0 ? host : std::string();
        return watch_ >= 0;
    }

    std::string fixedRoot_;
    int watcher_ = -1;
    int watch_ = -1;
    std::string watchedFolder_;
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
