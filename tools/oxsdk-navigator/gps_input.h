// Input files of the navigator emulator on the host: a track file the user names (read whole,
// with a bound), and the external GPS input, NMEA sentences read from a file or a FIFO on the
// device as they come. Neither ever blocks: a FIFO is opened and read without waiting, and a
// pass reads at most a bounded amount, so the command loop goes on whatever the writer does.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "host_files.h"
#include "track_replay.h"

namespace oxsdk::emulator {

/// Reads the regular file `path` (a host path the user gave) whole when it holds at most
/// `limit` bytes; false with a message otherwise (a FIFO, device or folder is refused at once).
bool ReadBoundedFile(const std::string& path, std::size_t limit, std::string* text,
                     std::string* error);

/// NMEA sentences from a regular file or a FIFO below the device root. A file is read from its
/// start and then followed as it grows; a FIFO is read whenever a writer has written, and a
/// writer may come and go.
class CNmeaInput {
public:
    /// Bytes read at most per Poll, and the longest line kept (a longer one is skipped whole).
    static constexpr std::size_t kReadBudget = 64 * 1024;
    static constexpr std::size_t kLongestLine = 1024;

    /// Opens `relative` ("Temp/gps.nmea") below the host folder `root` without following a
    /// link on the way or at the name; false with errno set when it cannot, or when it is
    /// neither a regular file nor a FIFO (EINVAL).
    bool Open(const std::string& root, const std::string& relative);
    void Close();
    bool isOpen() const { return file_.valid(); }
    /// Reads what came since the last call and returns the fixes of its complete lines.
    std::vector<TNmeaFix> Poll();

private:
    CHostFd file_;
    std::string line_;
    bool skipping_ = false;  // inside a line longer than kLongestLine
};

}  // namespace oxsdk::emulator
