#include "host_process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace oxsdk::emulator {

void InstallStopHandlers(void (*onStop)(int)) {
    struct sigaction action {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

std::string ExecutableFolder() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string text(path, static_cast<std::size_t>(length));
    return text.substr(0, text.rfind('/'));
}

void SetHostVariable(const char* name, const std::string& value) {
    ::setenv(name, value.c_str(), 1);
}

// The window's registration in "<root>/.windows": which folder refused it and why.
std::string WindowRegistrationProblem(const std::string& root, const std::string& /*windowClass*/) {
    const std::string registry = root + "/.windows";
    struct stat status {};
    std::string folder = ::lstat(registry.c_str(), &status) == 0 ? registry : root;
    int error = 0;
    if (::lstat(folder.c_str(), &status) != 0) {
        error = errno;
    } else if (!S_ISDIR(status.st_mode) && folder == registry) {
        error = ENOTDIR;
    } else if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = errno;
    }
    return "cannot register it in " + registry + " (" + folder + ": " +
           (error != 0 ? std::strerror(error) : "refused") + ")";
}

}  // namespace oxsdk::emulator
