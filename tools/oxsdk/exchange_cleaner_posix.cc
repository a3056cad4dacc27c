// The host side of the exchange cleaner on POSIX hosts: whether a process exists.
#include <signal.h>

#include <cerrno>
#include <climits>

#include "exchange_cleaner.h"

namespace oxsdk::tools {

bool ProcessIsGone(unsigned long pid) {
    // kill(0, ...) and negative numbers address process groups: never probe those.
    if (pid == 0 || pid > static_cast<unsigned long>(INT_MAX)) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace oxsdk::tools
