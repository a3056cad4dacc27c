#include "gps_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace oxsdk::emulator {

bool ReadBoundedFile(const std::string& path, std::size_t limit, std::string* text,
                     std::string* error) {
    // O_NONBLOCK: a FIFO at the name is opened at once and then refused, never waited for.
    CHostFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!file.valid() || ::fstat(file.get(), &status) != 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        *error = path + ": not a regular file";
        return false;
    }
    if (static_cast<unsigned long long>(status.st_size) > limit) {
        *error = path + ": larger than " + std::to_string(limit) + " bytes";
        return false;
    }
    text->clear();
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *error = path + ": " + std::strerror(errno);
            return false;
        }
        if (got == 0) return true;
        if (text->size() + static_cast<std::size_t>(got) > limit) {  // it grew meanwhile
            *error = path + ": larger than " + std::to_string(limit) + " bytes";
            return false;
        }
        text->append(buffer, static_cast<std::size_t>(got));
    }
}

bool CNmeaInput::Open(const std::string& root, const std::string& relative) {
    Close();
    const std::size_t slash = relative.rfind('/');
    const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    const CHostFd folder = OpenFolderBelow(
        root, slash == std::string::npos ? std::string() : relative.substr(0, slash), false);
    if (name.empty() || !folder.valid()) return false;
    CHostFd file(
        ::openat(folder.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!file.valid() || ::fstat(file.get(), &status) != 0) return false;
    if (!S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode)) {
        errno = EINVAL;
        return false;
    }
    file_ = std::move(file);
    return true;
}

void CNmeaInput::Close() {
    file_ = CHostFd();
    line_.clear();
    skipping_ = false;
}

std::vector<TNmeaFix> CNmeaInput::Poll() {
    std::vector<TNmeaFix> fixes;
    if (!file_.valid()) return fixes;
    char buffer[4096];
    for (std::size_t budget = kReadBudget; budget > 0;) {
        const ssize_t got = ::read(file_.get(), buffer, std::min(sizeof buffer, budget));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // nothing more now (EAGAIN), the end of the file, or no writer
        budget -= static_cast<std::size_t>(got);
        for (ssize_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\n') {
                if (std::optional<TNmeaFix> fix = ParseNmeaSentence(line_)) fixes.push_back(*fix);
                line_.clear();
                skipping_ = false;
            } else if (skipping_) {
                continue;  // the rest of a line too long to be a sentence
            } else if (line_.size() == kLongestLine) {
                line_.clear();
                skipping_ = true;
            } else {
                line_.push_back(c);
            }
        }
    }
    return fixes;
}

}  // namespace oxsdk::emulator
