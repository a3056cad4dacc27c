// Tells the emulator's main loop when the exchange folder holds something new for it, so that it
// passes over the folder (a pass reads every entry, and a folder may hold thousands of files
// addressed to others) only when a command may have arrived: an inotify watch on the folder
// whose events are filtered by name, keeping only exchange files addressed to this navigator.
// Replies it writes itself, deletions and other parties' traffic do not wake it. The names that
// arrived let the loop run a pass that looks at those commands only (ProcessArrivals).
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "OXSDK5Link/FileLayer.h"

namespace oxsdk::emulator {

class CExchangeWatch {
public:
    CExchangeWatch() = default;
    ~CExchangeWatch();
    CExchangeWatch(const CExchangeWatch&) = delete;
    CExchangeWatch& operator=(const CExchangeWatch&) = delete;

    /// Watches the host folder `folder` for files addressed to `exchangeName`; false when it
    /// cannot (the caller then passes at every timeout).
    bool Open(const std::string& folder, const std::string& exchangeName);
    bool isOpen() const { return fd_ >= 0; }

    /// Waits up to `milliseconds` for a file addressed to this navigator to be created, written
    /// or moved into the folder, and adds the names of their markers to `arrivals`. True when
    /// the whole folder must be looked at (events were lost, the folder was replaced, or there
    /// is no watch).
    bool Wait(std::uint32_t milliseconds, std::set<std::string>* arrivals);

    /// A ProcessEvents pass for this navigator that sees, of the exchange folder, only the
    /// markers named in `markers` (those that still exist, each looked up by its path): the
    /// library does the work of a pass as always, without reading the thousands of entries
    /// that are not for it. Every other platform call goes to the current platform unchanged.
    void ProcessArrivals(const std::set<std::string>& markers, MCommandHandlerInterface& handler);

private:
    bool AddWatch();

    int fd_ = -1;
    int watch_ = -1;
    std::string folder_;
    std::string exchangeName_;
};

}  // namespace oxsdk::emulator
