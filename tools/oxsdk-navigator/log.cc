#include "log.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/time.h>

#include <ctime>

#include "host_files.h"

namespace oxsdk::emulator {
namespace {

// `text` with its control characters escaped, so that a text a client sent cannot move the
// cursor, clear the screen or forge a log line: C0 controls and DEL as \n, \r, \t or \xHH,
// the C1 controls U+0080..U+009F as \u00HH. Device paths keep their "\".
std::string EscapeControls(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char code[8];
        if (byte == '\n') {
            shown += "\\n";
        } else if (byte == '\r') {
            shown += "\\r";
        } else if (byte == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            shown += code;
        } else if (byte == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            std::snprintf(code, sizeof code, "\\u00%02X", static_cast<unsigned char>(text[++i]));
            shown += code;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

}  // namespace

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
        captured_ += EscapeControls(text) + "\n";
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
    std::fprintf(out, "%s %-5s %s\n", stamp, kLevelNames[static_cast<int>(level)],
                 EscapeControls(text).c_str());
    std::fflush(out);
}

}  // namespace oxsdk::emulator
