#include "emulator_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/platform.h"

extern char** environ;

namespace oxsdk::emulator::testing {

CTemporaryDevice::CTemporaryDevice() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/oxsdk-emu-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
    ::setenv("OXSDK_DEVICE_ROOT", root_.c_str(), 1);
}

CTemporaryDevice::~CTemporaryDevice() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

bool CEmulatorProcess::Start(const std::string& root,
                             const std::vector<std::string>& extraArguments, double seconds) {
    std::vector<std::string> arguments = {OXSDK_NAVIGATOR_PATH,    "--device-root",      root,
                                          "--gazetteer",           OXSDK_NAVIGATOR_DATA, "--log",
                                          root + "/navigator.log", "--verbose"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
        return false;
    }
    return WaitUntil(seconds, [] { return NavigatorWindowExists(); });
}

bool CEmulatorProcess::WaitForExit(double seconds, int* exitStatus) {
    if (pid_ <= 0) return false;
    int status = 0;
    const bool ended =
        WaitUntil(seconds, [&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; });
    if (!ended) return false;
    pid_ = -1;
    *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

void CEmulatorProcess::Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
}

void CEmulatorProcess::Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

bool NavigatorWindowExists() {
    return platform::CurrentPlatform().FindWindow(u"AldernWinClass") != 0;
}

void KillRegisteredEmulator(const std::string& root) {
    if (!NavigatorWindowExists()) return;
    std::ifstream registry(root + "/.windows/AldernWinClass");
    long pid = 0;
    if (!(registry >> pid) || pid <= 0) return;
    std::ifstream commandLine("/proc/" + std::to_string(pid) + "/cmdline");
    std::string text((std::istreambuf_iterator<char>(commandLine)), {});
    if (text.find("oxsdk-navigator") == std::string::npos) return;
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    // Not our child: the library started it detached. Wait for the window to go.
    WaitUntil(30.0, [] { return !NavigatorWindowExists(); });
}

}  // namespace oxsdk::emulator::testing
