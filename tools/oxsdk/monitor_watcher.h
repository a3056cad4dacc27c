// The watch behind `oxsdk monitor`: follows the exchange folder of the device that the
// environment names and hands every message file to an observer as soon as its marker shows it
// complete. A message is opened the moment it appears and read through that descriptor, so a
// reader that deletes it right after taking it does not take it away from the watch. The watch
// only reads: it never deletes, renames, writes or locks a file. Linux only (inotify); on other
// hosts WatchExchangeFolder says it is not available. Called by monitor.cc.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace oxsdk::cli {

/// When something was seen: wall time for people, steady time for latencies.
struct TSeenAt {
    std::chrono::system_clock::time_point wall;
    std::chrono::steady_clock::time_point steady;
    static TSeenAt Now() {
        return {std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
    }
};

/// Receives what the watch sees, in the order it saw it, on the watch's thread.
class MExchangeObserver {
public:
    virtual ~MExchangeObserver() = default;
    /// The watch is set up on the host folder `folder`.
    virtual void Watching(const std::string& folder, const TSeenAt& when) = 0;
    /// The watch could not register as the library's monitor (`reason`): no message comes as a
    /// copy, and a message that its reader takes at once may be missed.
    virtual void Unregistered(const std::string& reason) { (void)reason; }
    /// The largest message file, in bytes, that is read under the file name `name`.
    virtual std::uint64_t SizeBound(const std::string& name) = 0;
    /// The message file `name` is complete (its marker appeared); `bytes` is its content.
    virtual void MessageRead(const std::string& name, std::string bytes, const TSeenAt& when) = 0;
    /// The message file `name` is complete but holds `size` bytes, over SizeBound: not read.
    virtual void MessageOversized(const std::string& name, std::uint64_t size,
                                  const TSeenAt& when) = 0;
    /// The marker of `name` appeared but its message could not be read: it was gone already
    /// (`vanished`), or it is no plain file (a link, a file with a second name, a FIFO...).
    virtual void MessageUnread(const std::string& name, bool vanished, const std::string& reason,
                               const TSeenAt& when) = 0;
    /// The watch's event queue overflowed: changes may have been lost; the folder is listed
    /// again and what it holds is taken from there.
    virtual void EventsLost(const TSeenAt& when) = 0;
    /// The watch has taken every event pending and is about to wait for more (or to end).
    virtual void CaughtUp() = 0;
    /// Asked after every batch of events and at least every 100 ms: true ends the watch.
    virtual bool Done() = 0;
};

/// Watches "<device root>/Ostrel/SdkFileCalls" until `observer.Done()` or until `deadline`
/// passes. The two folders are created (mode 0700) when missing; the device root must exist.
/// Every folder on the way is opened without following a link and must belong to this user and
/// be closed to others. Messages already complete when the watch starts are reported first.
/// Returns an empty text when the watch ended as asked, else what stopped it.
std::string WatchExchangeFolder(MExchangeObserver& observer,
                                std::optional<std::chrono::steady_clock::time_point> deadline);

/// Writes `size` bytes to standard output. Where the output is a pipe or a terminal that
/// accepts nothing for a while, `giveUp` is asked every 100 ms: true abandons the write. Returns
/// false when the write was abandoned or failed.
bool WriteStandardOutput(const char* data, std::size_t size, const std::function<bool()>& giveUp);

}  // namespace oxsdk::cli
