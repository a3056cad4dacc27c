// The exchange folder watch on hosts without inotify: `oxsdk monitor` is not available there.
#include "monitor_watcher.h"

#include <cstdio>

namespace oxsdk::cli {

std::string WatchExchangeFolder(MExchangeObserver&,
                                std::optional<std::chrono::steady_clock::time_point>) {
    return "monitor is not available on this platform: it watches the exchange folder with "
           "Linux's inotify";
}

bool WriteStandardOutput(const char* data, std::size_t size, const std::function<bool()>&) {
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

}  // namespace oxsdk::cli
