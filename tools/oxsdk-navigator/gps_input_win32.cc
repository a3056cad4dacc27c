// The Windows build's bounded file read (a track for --replay). Feeding the external GPS input
// from a file or FIFO on the device is left out of this build: --gps-input is refused when the
// input is switched on, and the position stays the emulator's own.
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "gps_input.h"

namespace oxsdk::emulator {

bool ReadBoundedFile(const std::string& path, std::size_t limit, std::string* text,
                     std::string* error) {
    std::error_code failure;
    const std::filesystem::path file = std::filesystem::u8path(path);
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(file, failure))) {
        *error = path + ": not a regular file";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be opened";
        return false;
    }
    text->clear();
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        if (text->size() + static_cast<std::size_t>(in.gcount()) > limit) {
            *error = path + ": larger than " + std::to_string(limit) + " bytes";
            return false;
        }
        text->append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return true;
}

bool CNmeaInput::Open(const std::string& /*root*/, const std::string& /*relative*/) {
    errno = ENOSYS;
    return false;
}

void CNmeaInput::Close() {
    file_ = CHostFd();
    line_.clear();
    skipping_ = false;
}

std::vector<TNmeaFix> CNmeaInput::Poll() {
    return {};
}

}  // namespace oxsdk::emulator
