// The navigator emulator's log: one line per event, with the wall-clock time, to a file or to
// standard error. Level kInfo shows what changes the navigator's state (routes, settings,
// flashed messages); kDebug adds every command and reply.
#pragma once

#include <cstdio>
#include <string>

namespace oxsdk::emulator {

enum class ELogLevel { kError = 0, kInfo = 1, kDebug = 2 };

class CLog {
public:
    /// Logs to standard error.
    CLog() = default;
    ~CLog();
    CLog(const CLog&) = delete;
    CLog& operator=(const CLog&) = delete;

    /// Appends to `path` from now on ("-" or empty: standard error); false when it cannot be
    /// opened (the log stays where it was): a symbolic link at `path`, or anything but a
    /// regular file (a FIFO, device or folder is refused at once). Created 0600.
    bool OpenFile(const std::string& path);
    /// Keeps the lines in memory instead (tests read them with lines()).
    void CaptureInMemory() { capture_ = true; }
    const std::string& lines() const { return captured_; }

    void SetLevel(ELogLevel level) { level_ = level; }
    bool Enabled(ELogLevel level) const { return level <= level_; }

    void Error(const std::string& text) { Write(ELogLevel::kError, text); }
    void Info(const std::string& text) { Write(ELogLevel::kInfo, text); }
    void Debug(const std::string& text) { Write(ELogLevel::kDebug, text); }

private:
    void Write(ELogLevel level, const std::string& text);

    ELogLevel level_ = ELogLevel::kInfo;
    std::FILE* file_ = nullptr;  // null: standard error
    bool capture_ = false;
    std::string captured_;
};

}  // namespace oxsdk::emulator
