// Tells the emulator's main loop when the exchange folder holds something new for it, so that it
// passes over the folder (a pass reads every entry, and a folder may hold thousands of files
// addressed to others) only when a command may have arrived: an inotify watch on the folder
// whose events are filtered by name, keeping only exchange files addressed to this navigator.
// Replies it writes itself, deletions and other parties' traffic do not wake it.
#pragma once

#include <cstdint>
#include <string>

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
    /// or moved into the folder. True when one was (or when events were lost, or the folder
    /// was replaced: then a pass must look); false when the time passed without one.
    bool Wait(std::uint32_t milliseconds);

private:
    bool AddWatch();

    int fd_ = -1;
    int watch_ = -1;
    std::string folder_;
    std::string exchangeName_;
};

}  // namespace oxsdk::emulator
