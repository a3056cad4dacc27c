#include "log.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/time.h>

#include <ctime>

#include "host_files.h"

namespace oxsdk::emulator {

CLog::~CLog() {
    if (file_ != nullptr) std::fclose(file_);
}

bool CLog::OpenFile(const std::string& path) {
    if (path.empty() || path == "-") return true;
    CHostFd output = OpenOutputFile(AT_FDCWD, path);
    if (!output.valid()) return false;
    std::FILE* file = ::fdopen(output.get(), "a");
    if (file == nullptr) return false;
    output.release();
    if (file_ != nullptr) std::fclose(file_);
    file_ = file;
    return true;
}

void CLog::Write(ELogLevel level, const std::string& text) {
    if (!Enabled(level)) return;
    if (capture_) {
        captured_ += text + "\n";
        return;
    }
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    const std::time_t seconds = now.tv_sec;  // a long, not a time_t, on some hosts
    localtime_r(&seconds, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<long>(now.tv_usec / 1000));
    static constexpr const char* kLevelNames[] = {"error", "info", "debug"};
    std::FILE* out = file_ != nullptr ? file_ : stderr;
    std::fprintf(out, "%s %-5s %s\n", stamp, kLevelNames[static_cast<int>(level)], text.c_str());
    std::fflush(out);
}

}  // namespace oxsdk::emulator
