#include "host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace oxsdk::emulator {
namespace {

constexpr int kReadStep = 64 * 1024;

// Every component of `relative`, split at "/"; false for an empty, "." or ".." component.
bool SplitComponents(const std::string& relative, std::string* components, std::size_t* count,
                     std::size_t capacity) {
    *count = 0;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos) slash = relative.size();
        const std::string part = relative.substr(start, slash - start);
        if (part.empty() || part == "." || part == ".." || *count == capacity) return false;
        components[(*count)++] = part;
        start = slash + 1;
    }
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

CHostFd OpenFolderBelow(const std::string& root, const std::string& relative, bool create) {
    constexpr std::size_t kDeepest = 64;
    std::string components[kDeepest];
    std::size_t count = 0;
    if (root.empty() || !SplitComponents(relative, components, &count, kDeepest)) {
        errno = EINVAL;
        return CHostFd();
    }
    // The root may be a link: the user chose it.
    CHostFd folder(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t i = 0; i < count && folder.valid(); ++i) {
        const char* name = components[i].c_str();
        if (create && ::mkdirat(folder.get(), name, 0700) == 0) {
            // mkdirat applies the umask; a folder of the emulator's is private whatever it is.
            ::fchmodat(folder.get(), name, 0700, AT_SYMLINK_NOFOLLOW);
        }
        folder =
            CHostFd(::openat(folder.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return folder;
}

CHostFd OpenOutputFile(int folder, const std::string& name) {
    // O_NONBLOCK: opening a FIFO without a reader fails at once instead of waiting for one.
    CHostFd file(::openat(folder, name.c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                          0600));
    if (!file.valid()) return file;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) return CHostFd();
    if (!S_ISREG(status.st_mode)) {
        errno = EINVAL;
        return CHostFd();
    }
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0) ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);
    return file;
}

bool ReadRegularFile(int folder, const std::string& name, std::string* text) {
    CHostFd file(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) return false;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) return false;
    if (!S_ISREG(status.st_mode)) {
        errno = EINVAL;
        return false;
    }
    text->clear();
    char buffer[kReadStep];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        text->append(buffer, static_cast<std::size_t>(got));
    }
}

bool ReplaceFile(int folder, const std::string& name, const std::string& text) {
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    CHostFd file;
    for (int attempt = 0; attempt < 16 && !file.valid(); ++attempt) {
        temporary = "." + name + "." + std::to_string(::getpid()) + "." +
                    std::to_string(counter.fetch_add(1)) + ".tmp";
        file = CHostFd(::openat(folder, temporary.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.valid() && errno != EEXIST) return false;
    }
    if (!file.valid()) return false;
    const bool written =
        ::fchmod(file.get(), 0600) == 0 && WriteAll(file.get(), text) && ::fsync(file.get()) == 0;
    if (::close(file.release()) != 0 || !written ||
        ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        errno = error;
        return false;
    }
    return true;
}

}  // namespace oxsdk::emulator
