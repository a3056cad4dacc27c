// The exchange folder watch over inotify. A message file is opened at its IN_CREATE (or
// IN_MOVED_TO) and the descriptor is kept; when the marker of the same name appears, the message
// is complete (a writer closes it before it creates the marker) and is read through the kept
// descriptor, even when the reader has unlinked it meanwhile. A marker whose message was never
// held is read by name, if it is still there. Only the appearance of files is watched, two
// events per message, so that the watch wakes as seldom as it can: what it spends per event is
// what decides whether it keeps up with a fast reader on a busy machine. A file rewritten in
// place under a name that stands already is not seen (the library never does that).
//
// Beside that, the watch registers on the device as the library's monitor (FileLayer.h): it
// holds the registration file locked and writes it again while it keeps up, and takes every
// copy that a process of the library writes into the copies folder (at IN_CLOSE_WRITE), then
// deletes it. A message whose copy came is reported from the copy, whenever its reader took it;
// only messages of other programs still depend on the race above. A second monitor finds the
// registration locked and watches without copies.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "exchange_cleaner.h"
#include "host_fd.h"
#include "monitor_watcher.h"

namespace oxsdk::cli {
namespace {

using oxsdk::tools::CHostFd;

// Messages held open at once; the oldest is let go beyond this (it is read by name later).
constexpr std::size_t kMaxHeldMessages = 256;
constexpr int kLongestPollMilliseconds = 100;
// Markers remembered as taken, so that a listing of the folder does not report them again.
constexpr std::size_t kTakenMemory = 16384;
constexpr std::uint32_t kWatchMask =
    IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// A copy is complete when its writer closes it.
constexpr std::uint32_t kCopiesWatchMask =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// The registration is written again at most this often, and only while the watch keeps up.
constexpr auto kRenewal = std::chrono::milliseconds(200);
// Messages known to have come as copies, so that their markers are passed over.
constexpr std::size_t kCopiedMemory = 16384;

enum class EFileKind { kOther, kMessage, kMarker };

// "writer.reader.pid.sequence" of a message or marker name, and which of the two it is.
EFileKind KindOf(const std::string& name, std::string* base) {
    static const std::string kMessage = ".message", kMarker = ".finished";
    for (const std::string* suffix : {&kMessage, &kMarker}) {
        if (name.size() > suffix->size() &&
            name.compare(name.size() - suffix->size(), suffix->size(), *suffix) == 0) {
            *base = name.substr(0, name.size() - suffix->size());
            return suffix == &kMessage ? EFileKind::kMessage : EFileKind::kMarker;
        }
    }
    return EFileKind::kOther;
}

bool IsTrusted(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Opens (creating it private when missing) the folder `name` inside `parent`, never through a
// link; it must be trusted.
std::string OpenFolder(int parent, const std::string& name, const std::string& path, CHostFd* fd) {
    if (mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST) {
        return "cannot create the folder " + path + ": " + std::strerror(errno);
    }
    CHostFd opened(openat(parent, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (!opened.valid() || fstat(opened.get(), &info) != 0) {
        return "cannot open the folder " + path +
               " (a link is never followed): " + std::strerror(errno);
    }
    if (!IsTrusted(info)) {
        return "the folder " + path + " belongs to another user or may be written by others";
    }
    *fd = std::move(opened);
    return {};
}

class CFolderWatch {
public:
    explicit CFolderWatch(MExchangeObserver& observer) : observer_(observer) {}

    std::string Run(std::optional<std::chrono::steady_clock::time_point> deadline) {
        if (std::string problem = Open(); !problem.empty()) return problem;
        if (registration_.valid() && !observer_.Done()) {
            // Every process of the library looks at the registration within this time: from
            // then on each of its messages comes as a copy.
            std::this_thread::sleep_for(
                std::chrono::milliseconds(COstrelFileLayer::kMonitorCheckMilliseconds + 50));
        }
        observer_.Watching(path_, TSeenAt::Now());
        Rescan();
        alignas(inotify_event) char buffer[64 * 1024];
        while (!observer_.Done()) {
            const ssize_t count = read(inotify_.get(), buffer, sizeof buffer);
            if (count < 0 && errno != EAGAIN && errno != EINTR) {
                return "cannot read the watch of " + path_ + ": " + std::strerror(errno);
            }
            for (ssize_t at = 0; at < count;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if ((event->mask & IN_Q_OVERFLOW) != 0) {
                    observer_.EventsLost(TSeenAt::Now());
                    Rescan();
                } else if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
                    observer_.CaughtUp();
                    return "the exchange folder " + path_ + " was removed or moved";
                } else if (event->len > 0 && (event->mask & IN_ISDIR) == 0) {
                    if (event->wd == copiesWatch_) {
                        TakeCopy(event->name);
                    } else {
                        Handle(event->name);
                    }
                }
            }
            if (count > 0) continue;  // take what is pending before waiting
            observer_.CaughtUp();
            Renew();
            int wait = kLongestPollMilliseconds;
            if (deadline) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    *deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0) break;
                if (left.count() < wait) wait = static_cast<int>(left.count());
            }
            pollfd ready{inotify_.get(), POLLIN, 0};
            poll(&ready, 1, wait);  // an interrupt or the time out: look again
        }
        observer_.CaughtUp();
        Unregister();
        return {};
    }

    // A watch ended by an exception (memory exhausted) still ends its registration, as far as
    // it can.
    ~CFolderWatch() {
        try {
            Unregister();
        } catch (...) {
        }
    }

private:
    struct THeld {
        CHostFd fd;
        std::uint64_t order;
    };

    std::string Open() {
        const std::string root = tools::DeviceRootFromEnvironment();
        // A missing device is created (mode 0700), as the library creates it for a command.
        for (std::size_t at = root.find('/', 1); access(root.c_str(), F_OK) != 0;
             at = root.find('/', at + 1)) {
            mkdir(root.substr(0, at).c_str(), 0700);  // an existing folder is left as it is
            if (at == std::string::npos) break;
        }
        CHostFd rootFd(open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));  // the user chose it
        struct stat info;
        if (!rootFd.valid() || fstat(rootFd.get(), &info) != 0) {
            return "no device at " + root + " (" + std::strerror(errno) +
                   "): set OXSDK_DEVICE_ROOT to the device's folder";
        }
        if (!IsTrusted(info)) {
            return "the device folder " + root +
                   " belongs to another user or may be written by others";
        }
        CHostFd ostrel;
        if (std::string problem = OpenFolder(rootFd.get(), "Ostrel", root + "/Ostrel", &ostrel);
            !problem.empty()) {
            return problem;
        }
        path_ = tools::ExchangeFolderOf(root);
        if (std::string problem = OpenFolder(ostrel.get(), "SdkFileCalls", path_, &folder_);
            !problem.empty()) {
            return problem;
        }
        inotify_ = CHostFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        // The folder is watched through the descriptor just checked, not by its path again.
        const std::string byDescriptor = "/proc/self/fd/" + std::to_string(folder_.get());
        if (!inotify_.valid() ||
            inotify_add_watch(inotify_.get(), byDescriptor.c_str(), kWatchMask) < 0) {
            return "cannot watch " + path_ + ": " + std::strerror(errno);
        }
        Register(ostrel.get(), root + "/Ostrel/" + COstrelFileLayer::kMonitorFolderName);
        return {};
    }

    // Takes the registration and watches the copies folder; without them (another monitor holds
    // the registration, or the folders cannot be made) the watch goes on without copies.
    void Register(int ostrel, const std::string& monitorPath) {
        CHostFd monitor;
        std::string problem =
            OpenFolder(ostrel, COstrelFileLayer::kMonitorFolderName, monitorPath, &monitor);
        const std::string copiesPath = monitorPath + "/" + COstrelFileLayer::kMonitorCopiesName;
        if (problem.empty()) {
            problem = OpenFolder(monitor.get(), COstrelFileLayer::kMonitorCopiesName, copiesPath,
                                 &copies_);
        }
        CHostFd registration;
        if (problem.empty()) {
            registration =
                CHostFd(openat(monitor.get(), COstrelFileLayer::kMonitorRegistrationName,
                               O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
            struct stat info;
            if (!registration.valid() || fstat(registration.get(), &info) != 0 ||
                !S_ISREG(info.st_mode) || info.st_nlink > 1 || info.st_uid != geteuid()) {
                problem = "cannot write the monitor's registration in " + monitorPath;
            } else if (flock(registration.get(), LOCK_EX | LOCK_NB) != 0) {
                problem = "another monitor is registered on this device";
            }
        }
        const std::string byDescriptor = "/proc/self/fd/" + std::to_string(copies_.get());
        if (problem.empty()) {
            copiesWatch_ =
                inotify_add_watch(inotify_.get(), byDescriptor.c_str(), kCopiesWatchMask);
            if (copiesWatch_ < 0) problem = "cannot watch " + copiesPath;
        }
        if (!problem.empty()) {
            observer_.Unregistered(problem +
                                   ": messages that their reader takes at once may be missed");
            copies_ = CHostFd();
            return;
        }
        monitor_ = std::move(monitor);
        registration_ = std::move(registration);
        // Copies left by a monitor that ended are not this session's.
        ForEachFile(copies_.get(),
                    [this](const std::string& name) { unlinkat(copies_.get(), name.c_str(), 0); });
        futimens(registration_.get(), nullptr);
        renewed_ = std::chrono::steady_clock::now();
    }

    // Writes the registration again (its time), at most every kRenewal.
    void Renew() {
        const auto now = std::chrono::steady_clock::now();
        if (!registration_.valid() || now - renewed_ < kRenewal) return;
        futimens(registration_.get(), nullptr);
        renewed_ = now;
    }

    // Ends the registration: the library stops copying within kMonitorCheckMilliseconds; what
    // comes later is deleted by the next monitor.
    void Unregister() {
        if (!registration_.valid()) return;
        unlinkat(monitor_.get(), COstrelFileLayer::kMonitorRegistrationName, 0);
        registration_ = CHostFd();
        ForEachFile(copies_.get(),
                    [this](const std::string& name) { unlinkat(copies_.get(), name.c_str(), 0); });
    }

    // Calls `visit` with the name of every entry of the folder `folder` but "." and "..".
    template <typename Visit>
    static void ForEachFile(int folder, Visit visit) {
        const int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // Closed (with fd) however the listing ends, an allocation failure included.
        std::unique_ptr<DIR, int (*)(DIR*)> listing(fd >= 0 ? fdopendir(fd) : nullptr, closedir);
        if (listing == nullptr) {
            if (fd >= 0) close(fd);
            return;
        }
        std::vector<std::string> names;
        while (const dirent* entry = readdir(listing.get())) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        listing.reset();
        for (const std::string& name : names) visit(name);
    }

    // The copy `name` is complete: it is reported in place of its message, and deleted.
    void TakeCopy(const std::string& name) {
        std::string base;
        if (KindOf(name, &base) != EFileKind::kMessage) return;
        CHostFd fd(openat(copies_.get(), name.c_str(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!fd.valid()) return;  // taken already by a listing
        unlinkat(copies_.get(), name.c_str(), 0);
        held_.erase(base);
        if (copied_.insert(base).second) {
            copiedOrder_.push_back(base);
            if (copiedOrder_.size() > kCopiedMemory) {
                copied_.erase(copiedOrder_.front());
                copiedOrder_.pop_front();
            }
        }
        Read(fd, name, TSeenAt::Now());
    }

    void Handle(const std::string& name) {
        std::string base;
        const EFileKind kind = KindOf(name, &base);
        if (copied_.count(base) != 0) {
            // Reported from its copy: its marker counts as taken.
            if (kind == EFileKind::kMarker) {
                copied_.erase(base);
                MarkTaken(base);
            }
            return;
        }
        if (kind == EFileKind::kMessage) Hold(base, name);
        if (kind == EFileKind::kMarker) TakeMarker(base);
    }

    CHostFd OpenMessage(const std::string& name) const {
        return CHostFd(openat(folder_.get(), name.c_str(),
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    }

    void Hold(const std::string& base, const std::string& name) {
        CHostFd fd = OpenMessage(name);
        if (!fd.valid()) {
            held_.erase(base);  // taken already: its marker will say so
            return;
        }
        held_[base] = THeld{std::move(fd), ++order_};
        if (held_.size() > kMaxHeldMessages) {
            auto oldest = held_.begin();
            for (auto it = held_.begin(); it != held_.end(); ++it) {
                if (it->second.order < oldest->second.order) oldest = it;
            }
            held_.erase(oldest);
        }
    }

    // The marker of `base` appeared: its message is complete. A marker taken already (listed
    // after lost events, and then reported by an event queued before the listing) is not
    // taken again; the library never writes a marker name twice.
    void TakeMarker(const std::string& base) {
        if (!MarkTaken(base)) return;
        const TSeenAt when = TSeenAt::Now();
        const std::string name = base + ".message";
        CHostFd fd;
        if (auto held = held_.find(base); held != held_.end()) {
            fd = std::move(held->second.fd);
            held_.erase(held);
        } else {
            fd = OpenMessage(name);
        }
        if (!fd.valid()) {
            const int error = errno;
            observer_.MessageUnread(
                name, error == ENOENT,
                error == ENOENT ? "removed before it could be read" : std::strerror(error), when);
            return;
        }
        Read(fd, name, when);
    }

    // Notes the marker of `base` as taken; false when it was already.
    bool MarkTaken(const std::string& base) {
        if (!taken_.insert(base).second) return false;
        takenOrder_.push_back(base);
        if (takenOrder_.size() > kTakenMemory) {
            taken_.erase(takenOrder_.front());
            takenOrder_.pop_front();
        }
        return true;
    }

    void Read(const CHostFd& fd, const std::string& name, const TSeenAt& when) {
        struct stat info;
        if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink > 1) {
            observer_.MessageUnread(name, false,
                                    "not a plain file (a link, a second name or no file)", when);
            return;
        }
        const std::uint64_t bound = observer_.SizeBound(name);
        const auto size = static_cast<std::uint64_t>(info.st_size);
        if (size > bound) {
            observer_.MessageOversized(name, size, when);
            return;
        }
        std::string bytes(static_cast<std::size_t>(size), '\0');
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t count =
                pread(fd.get(), &bytes[got], bytes.size() - got, static_cast<off_t>(got));
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) break;
            got += static_cast<std::size_t>(count);
        }
        bytes.resize(got);
        observer_.MessageRead(name, std::move(bytes), when);
    }

    // Lists the folder and takes what it holds: at the start, and after lost events. Copies come
    // first, so that a message and its copy are reported once.
    void Rescan() {
        if (copies_.valid())
            ForEachFile(copies_.get(), [this](const std::string& name) { TakeCopy(name); });
        const int fd = openat(folder_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // Closed (with fd) however the listing ends, an allocation failure included.
        std::unique_ptr<DIR, int (*)(DIR*)> listing(fd >= 0 ? fdopendir(fd) : nullptr, closedir);
        if (listing == nullptr) {
            if (fd >= 0) close(fd);
            return;
        }
        std::vector<std::string> markers;
        std::set<std::string> messages;
        while (const dirent* entry = readdir(listing.get())) {
            std::string base;
            const EFileKind kind = KindOf(entry->d_name, &base);
            if (kind == EFileKind::kMarker) markers.push_back(base);
            if (kind == EFileKind::kMessage) messages.insert(base);
        }
        listing.reset();
        const std::set<std::string> present(markers.begin(), markers.end());
        for (const std::string& base : messages) {
            if (held_.count(base) == 0 && present.count(base) == 0) Hold(base, base + ".message");
        }
        for (const std::string& base : markers) {
            if (copied_.count(base) == 0) TakeMarker(base);
        }
    }

    MExchangeObserver& observer_;
    std::string path_;
    CHostFd folder_;
    CHostFd inotify_;
    std::map<std::string, THeld> held_;  // open messages whose marker is not there yet
    std::set<std::string> taken_;        // markers whose message was reported
    std::deque<std::string> takenOrder_;
    std::uint64_t order_ = 0;
    CHostFd monitor_;       // the monitor's folder, while registered
    CHostFd copies_;        // its copies folder
    CHostFd registration_;  // the registration file, locked; invalid: no copies come
    int copiesWatch_ = -1;
    std::chrono::steady_clock::time_point renewed_;
    std::set<std::string> copied_;  // messages reported from their copy, until their marker
    std::deque<std::string> copiedOrder_;
};

}  // namespace

std::string WatchExchangeFolder(MExchangeObserver& observer,
                                std::optional<std::chrono::steady_clock::time_point> deadline) {
    CFolderWatch watch(observer);
    return watch.Run(deadline);
}

bool WriteStandardOutput(const char* data, std::size_t size, const std::function<bool()>& giveUp) {
    // A pipe that polls writable takes a write of PIPE_BUF bytes without blocking, so no write
    // can hang on a reader that stopped reading.
    while (size > 0) {
        pollfd ready{STDOUT_FILENO, POLLOUT, 0};
        const int polled = poll(&ready, 1, kLongestPollMilliseconds);
        if (polled < 0 && errno != EINTR) return false;
        if (polled <= 0) {
            if (giveUp()) return false;
            continue;
        }
        const ssize_t written = write(STDOUT_FILENO, data, size < PIPE_BUF ? size : PIPE_BUF);
        if (written < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace oxsdk::cli
