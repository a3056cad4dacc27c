// The tools' one owner of a host file descriptor (a C runtime descriptor on Windows), for both
// programs: the emulator's files and the monitor's folder watch. The library keeps its own
// behind its platform interface, which the tools do not reach into.
#pragma once

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <utility>

namespace oxsdk::tools {

/// An open file descriptor, closed on destruction.
class CHostFd {
public:
    CHostFd() = default;
    explicit CHostFd(int fd) : fd_(fd) {}
    CHostFd(CHostFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    CHostFd& operator=(CHostFd&& other) noexcept {
        CHostFd old(std::exchange(fd_, std::exchange(other.fd_, -1)));
        return *this;
    }
    ~CHostFd() {
#ifdef _WIN32
        if (fd_ >= 0) _close(fd_);
#else
        if (fd_ >= 0) ::close(fd_);
#endif
    }
    CHostFd(const CHostFd&) = delete;
    CHostFd& operator=(const CHostFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

}  // namespace oxsdk::tools
