#include "nmea.h"

#include <stdio.h>

#include <cmath>
#include <cstdint>
#include <ctime>

#include "host_files.h"

namespace oxsdk::emulator {
namespace {

std::string Sentence(const std::string& body) {
    return "$" + body + "*" + NmeaChecksum(body);
}

// "hhmmss.ss" of the time of day, and the calendar date "ddmmyy".
std::string TimeOfDay(double unixSeconds) {
    const double day = std::fmod(unixSeconds, 86400.0);
    const int seconds = static_cast<int>(day);
    const int hundredths = static_cast<int>((day - seconds) * 100.0);
    char text[64];
    std::snprintf(text, sizeof text, "%02d%02d%02d.%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60, hundredths);
    return text;
}

std::string Date(double unixSeconds) {
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[48];
    std::snprintf(text, sizeof text, "%02d%02d%02d", utc.tm_mday, utc.tm_mon + 1,
                  utc.tm_year % 100);
    return text;
}

// "ddmm.mmmm,N" or "dddmm.mmmm,E".
std::string Angle(double degrees, int degreeDigits, char positive, char negative) {
    const double magnitude = std::fabs(degrees);
    int whole = static_cast<int>(magnitude);
    double minutes = (magnitude - whole) * 60.0;
    if (std::round(minutes * 10000.0) >= 600000.0) {
        ++whole;
        minutes = 0.0;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%0*d%07.4f,%c", degreeDigits, whole, minutes,
                  degrees < 0 ? negative : positive);
    return text;
}

}  // namespace

std::string NmeaChecksum(std::string_view body) {
    std::uint8_t sum = 0;
    for (char c : body) sum = static_cast<std::uint8_t>(sum ^ static_cast<std::uint8_t>(c));
    char text[3];
    std::snprintf(text, sizeof text, "%02X", sum);
    return text;
}

std::string FormatGga(const TGeoPoint& point, double unixSeconds) {
    return Sentence("GPGGA," + TimeOfDay(unixSeconds) + "," + Angle(point.latitude, 2, 'N', 'S') +
                    "," + Angle(point.longitude, 3, 'E', 'W') + ",1,08,0.9,2.0,M,46.9,M,,");
}

std::string FormatRmc(const TGeoPoint& point, double unixSeconds, double speedKmh,
                      double courseDegrees) {
    char motion[32];
    std::snprintf(motion, sizeof motion, "%.1f,%.1f", speedKmh / 1.852, courseDegrees);
    return Sentence("GPRMC," + TimeOfDay(unixSeconds) + ",A," + Angle(point.latitude, 2, 'N', 'S') +
                    "," + Angle(point.longitude, 3, 'E', 'W') + "," + motion + "," +
                    Date(unixSeconds) + ",,,A");
}

bool CNmeaOutput::Open(const std::string& root, const std::string& relative) {
    Close();
    const std::size_t slash = relative.rfind('/');
    const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    if (name.empty()) return false;
    const CHostFd folder = OpenFolderBelow(
        root, slash == std::string::npos ? std::string() : relative.substr(0, slash), true);
    if (!folder.valid()) return false;
    CHostFd output = OpenOutputFile(folder.get(), name);
    if (!output.valid()) return false;
    file_ = ::fdopen(output.get(), "ab");
    if (file_ == nullptr) return false;
    output.release();
    path_ = root + "/" + relative;
    return true;
}

void CNmeaOutput::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    path_.clear();
}

void CNmeaOutput::Write(const TGeoPoint& point, double unixSeconds, double speedKmh,
                        double courseDegrees) {
    if (file_ == nullptr) return;
    const std::string lines = FormatGga(point, unixSeconds) + "\r\n" +
                              FormatRmc(point, unixSeconds, speedKmh, courseDegrees) + "\r\n";
    std::fwrite(lines.data(), 1, lines.size(), file_);
    std::fflush(file_);
}

}  // namespace oxsdk::emulator
