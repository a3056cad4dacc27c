#include "exchange_cleaner.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "OXSDK5Link/FileLayer.h"

namespace oxsdk::tools {
namespace {

bool ParseNumber(const std::string& text, unsigned long* value) {
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0')) return false;
    unsigned long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<unsigned long long>(c - '0');
    }
    if (number > 0xFFFFFFFFull) return false;
    *value = static_cast<unsigned long>(number);
    return true;
}

std::string NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

bool ParseExchangeFileName(const std::string& name, TExchangeFileName* fields) {
    std::string parts[5];
    std::size_t count = 0, start = 0;
    for (;;) {
        const std::size_t dot = name.find('.', start);
        if (count == 5) return false;
        parts[count++] = name.substr(start, dot == std::string::npos ? dot : dot - start);
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (count != 5 || parts[0].empty() || parts[1].empty()) return false;
    if (parts[4] != "message" && parts[4] != "finished") return false;
    if (!ParseNumber(parts[2], &fields->pid) || !ParseNumber(parts[3], &fields->sequence)) {
        return false;
    }
    fields->writer = parts[0];
    fields->reader = parts[1];
    fields->marker = parts[4] == "finished";
    return true;
}

bool SameExchangeName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char left = a[i], right = b[i];
        if (left >= 'A' && left <= 'Z') left = static_cast<char>(left - 'A' + 'a');
        if (right >= 'A' && right <= 'Z') right = static_cast<char>(right - 'A' + 'a');
        if (left != right) return false;
    }
    return true;
}

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

std::string ExchangeFolderOf(const std::string& deviceRoot) {
    return deviceRoot + "/Ostrel/SdkFileCalls";
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

std::string DescribeUntrustedDevice() {
    char text[1024];
    return COstrelFileLayer::DescribeUntrustedDevice(text, sizeof text) != 0 ? text
                                                                             : std::string();
}

}  // namespace oxsdk::tools
