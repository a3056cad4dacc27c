// The host side of the exchange cleaner on POSIX hosts: processes, the device root of the
// environment and the folder listing.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "exchange_cleaner.h"

namespace oxsdk::tools {
namespace {

std::string NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

bool ProcessIsGone(unsigned long pid) {
    // kill(0, ...) and negative numbers address process groups: never probe those.
    if (pid == 0 || pid > static_cast<unsigned long>(INT_MAX)) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

std::string DeviceRootFromEnvironment() {
    std::string root = NonEmptyVariable("OXSDK_DEVICE_ROOT");
    if (!root.empty()) return root;
    const std::string state = NonEmptyVariable("XDG_STATE_HOME");
    if (!state.empty()) return state + "/oxsdk/device";
    return NonEmptyVariable("HOME") + "/.local/state/oxsdk/device";
}

TCleanResult RemoveStaleExchangeFiles(
    const std::string& folder,
    const std::function<std::string(const TExchangeFileName&)>& staleReason) {
    TCleanResult result;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) result.error = folder + ": " + std::strerror(errno);
        return result;
    }
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
        result.error = folder + ": " + std::strerror(errno);
        ::close(fd);
        return result;
    }
    result.folderExists = true;
    std::vector<std::pair<std::string, std::string>> stale;
    while (const dirent* entry = ::readdir(listing)) {
        TExchangeFileName fields;
        if (!ParseExchangeFileName(entry->d_name, &fields)) continue;
        struct stat status {};
        if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            S_ISDIR(status.st_mode)) {
            continue;
        }
        std::string reason = staleReason(fields);
        if (!reason.empty()) stale.emplace_back(entry->d_name, std::move(reason));
    }
    for (auto& [name, reason] : stale) {
        // unlinkat removes a link itself, never what it points to.
        if (::unlinkat(fd, name.c_str(), 0) == 0) {
            result.removed.push_back({name, reason});
        } else if (errno != ENOENT) {  // another party took it meanwhile: nothing to report
            result.failed.push_back({name, std::strerror(errno)});
        }
    }
    ::closedir(listing);
    return result;
}

}  // namespace oxsdk::tools
