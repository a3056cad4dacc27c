// The exchange folder watch on hosts without inotify: `oxsdk monitor` is not available there.
#include "monitor_watcher.h"

namespace oxsdk::cli {

std::string WatchExchangeFolder(MExchangeObserver&,
                                std::optional<std::chrono::steady_clock::time_point>) {
    return "monitor is not available on this platform: it watches the exchange folder with "
           "Linux's inotify";
}

}  // namespace oxsdk::cli
