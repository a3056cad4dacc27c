#include "exchange_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <vector>

#include "exchange_cleaner.h"
#include "platform/device_text.h"
#include "platform/platform.h"
#include "transport/exchange_folder.h"
#include "transport/folder_listing.h"

namespace oxsdk::emulator {
namespace {

constexpr std::uint32_t kArrivals = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED;

bool IsAscii(const char* name) {
    for (; *name != '\0'; ++name) {
        if (static_cast<unsigned char>(*name) >= 0x80) return false;
    }
    return true;
}

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

bool CExchangeWatch::Wait(std::uint32_t milliseconds, std::set<std::string>* arrivals) {
    if (fd_ < 0 || (watch_ < 0 && !AddWatch())) {
        ::usleep(milliseconds * 1000);
        return true;
    }
    bool wholeFolder = false;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!wholeFolder && arrivals->empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd ready{fd_, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left));
        if (polled < 0 && errno == EINTR) break;  // a signal: let the loop look at it
        if (polled <= 0) break;
        alignas(inotify_event) char events[16 * 1024];
        ssize_t length;
        while ((length = ::read(fd_, events, sizeof events)) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                tools::TExchangeFileName file;
                if ((event->mask & IN_Q_OVERFLOW) != 0) {
                    wholeFolder = true;
                } else if ((event->mask & kFolderGone) != 0) {
                    watch_ = -1;  // watched again at the next wait
                    wholeFolder = true;
                } else if (event->len > 0 && !IsAscii(event->name)) {
                    wholeFolder = true;  // the library's name for it is not the host's bytes
                } else if (event->len > 0 && tools::ParseExchangeFileName(event->name, &file) &&
                           tools::SameExchangeName(file.reader, exchangeName_)) {
                    // A message that arrives after its marker completes the command too.
                    arrivals->insert(file.writer + "." + file.reader + "." +
                                     std::to_string(file.pid) + "." +
                                     std::to_string(file.sequence) + ".finished");
                }
            }
        }
    }
    return wholeFolder;
}

namespace {

namespace platform = oxsdk::platform;

// The entries handed out by ArrivalsView, one after the other.
class CListedEntries : public platform::FindHandle {
public:
    explicit CListedEntries(std::vector<platform::FindData> entries)
        : entries_(std::move(entries)) {}
    bool FindNext(platform::FindData* entry) override {
        if (next_ >= entries_.size()) return false;
        *entry = entries_[next_++];
        return true;
    }

private:
    std::vector<platform::FindData> entries_;
    std::size_t next_ = 1;  // the first came with FindFirst
};

// The current platform, except that the listing of the whole exchange folder holds only the
// named markers. Every other call, and each marker's own lookup, goes to the platform as it is.
class CArrivalsView : public platform::PlatformWrapper {
public:
    CArrivalsView(platform::Platform& target, const std::string& hostFolder,
                  const std::set<std::string>& markers)
        : PlatformWrapper(target), hostFolder_(hostFolder), markers_(markers) {
        folder_[0] = u'\0';
        oxsdk::transport::GetExchangeFolder(folder_, false);
        listingPattern_ = std::u16string(folder_) + oxsdk::transport::kMarkerPattern;
    }

    platform::Error FindFirst(const char16_t* pattern,
                              std::unique_ptr<platform::FindHandle>* handle,
                              platform::FindData* first) override {
        if (listingPattern_ != pattern || folder_[0] == u'\0') {
            return target().FindFirst(pattern, handle, first);
        }
        // Each marker is looked up by its path: a listing would read every entry again.
        std::vector<platform::FindData> entries;
        for (const std::string& marker : markers_) {
            std::u16string path(folder_);
            for (char c : marker) path.push_back(static_cast<unsigned char>(c));  // ASCII
            if (path.size() >= platform::kMaxPath) continue;
            const std::uint32_t attributes = target().GetFileAttributes(path.c_str());
            if (attributes == platform::kInvalidAttributes) continue;
            platform::FindData entry{};
            std::copy(path.begin() + platform::WideLength(folder_), path.end(), entry.name);
            entry.attributes = attributes;
            entry.lastWriteTime = LastWriteMilliseconds(hostFolder_ + "/" + marker);
            entries.push_back(entry);
        }
        if (entries.empty()) return platform::Error::kNotFound;
        *first = entries.front();
        *handle = std::make_unique<CListedEntries>(std::move(entries));
        return platform::Error::kNone;
    }

private:
    // As a listing gives it: wall-clock milliseconds (0: unknown).
    static std::uint64_t LastWriteMilliseconds(const std::string& path) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || status.st_mtim.tv_sec < 0) return 0;
        return static_cast<std::uint64_t>(status.st_mtim.tv_sec) * 1000u +
               static_cast<std::uint64_t>(status.st_mtim.tv_nsec / 1000000);
    }

    const std::string& hostFolder_;
    const std::set<std::string>& markers_;
    char16_t folder_[platform::kMaxPath];
    std::u16string listingPattern_;
};

}  // namespace

void CExchangeWatch::ProcessArrivals(const std::set<std::string>& markers,
                                     MCommandHandlerInterface& handler) {
    CArrivalsView view(platform::CurrentPlatform(), folder_, markers);
    const platform::ScopedPlatform use(view);
    COstrelFileLayer::ProcessEvents(exchangeName_.c_str(), handler);
}

}  // namespace oxsdk::emulator
