#include "exchange_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "exchange_cleaner.h"

namespace oxsdk::emulator {
namespace {

constexpr std::uint32_t kArrivals = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED;

}  // namespace

CExchangeWatch::~CExchangeWatch() {
    if (fd_ >= 0) ::close(fd_);
}

bool CExchangeWatch::Open(const std::string& folder, const std::string& exchangeName) {
    folder_ = folder;
    exchangeName_ = exchangeName;
    if (fd_ < 0) fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return fd_ >= 0 && AddWatch();
}

bool CExchangeWatch::AddWatch() {
    watch_ = ::inotify_add_watch(fd_, folder_.c_str(),
                                 kArrivals | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK);
    return watch_ >= 0;
}

bool CExchangeWatch::Wait(std::uint32_t milliseconds) {
    if (fd_ < 0 || (watch_ < 0 && !AddWatch())) {
        ::usleep(milliseconds * 1000);
        return true;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    bool relevant = false;
    while (!relevant) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd ready{fd_, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left));
        if (polled < 0 && errno == EINTR) return true;  // a signal: let the loop look at it
        if (polled <= 0) break;
        alignas(inotify_event) char events[16 * 1024];
        ssize_t length;
        while ((length = ::read(fd_, events, sizeof events)) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if ((event->mask & IN_Q_OVERFLOW) != 0) {
                    relevant = true;
                } else if ((event->mask & kFolderGone) != 0) {
                    watch_ = -1;  // watched again at the next wait
                    relevant = true;
                } else if (event->len > 0) {
                    tools::TExchangeFileName file;
                    relevant |= tools::ParseExchangeFileName(event->name, &file) &&
                                tools::SameExchangeName(file.reader, exchangeName_);
                }
            }
        }
    }
    return relevant;
}

}  // namespace oxsdk::emulator
