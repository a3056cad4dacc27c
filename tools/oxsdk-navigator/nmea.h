// NMEA 0183 sentences of the simulated position ($GPGGA fix data and $GPRMC recommended
// minimum data, each with its checksum), and the output file that EnableRawGPSOutput names.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "geo.h"

namespace oxsdk::emulator {

/// The two hexadecimal digits of the XOR of every character of `body` (the text between "$"
/// and "*").
std::string NmeaChecksum(std::string_view body);

/// "$GPGGA,...*hh" for a fix at `point` at `unixSeconds` (UTC).
std::string FormatGga(const TGeoPoint& point, double unixSeconds);
/// "$GPRMC,...*hh" for `point` at `unixSeconds` (UTC), moving at `speedKmh` on course
/// `courseDegrees`.
std::string FormatRmc(const TGeoPoint& point, double unixSeconds, double speedKmh,
                      double courseDegrees);

/// A file to which sentences are appended, one pair at a time, lines ending in CR LF.
class CNmeaOutput {
public:
    CNmeaOutput() = default;
    ~CNmeaOutput() { Close(); }
    CNmeaOutput(const CNmeaOutput&) = delete;
    CNmeaOutput& operator=(const CNmeaOutput&) = delete;

    /// Opens the file `relative` ("Temp/gps.nmea") below the host folder `root` for appending:
    /// missing folders are created 0700, the file 0600; false when a symbolic link is on the
    /// way or at the name, or when it is not a regular file (a FIFO, device or folder is
    /// refused at once, never waited for).
    bool Open(const std::string& root, const std::string& relative);
    void Close();
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }
    /// Appends a GGA and an RMC sentence and flushes them.
    void Write(const TGeoPoint& point, double unixSeconds, double speedKmh, double courseDegrees);

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

}  // namespace oxsdk::emulator
