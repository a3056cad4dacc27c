#include "test_device.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "platform/platform.h"

extern char** environ;

namespace oxsdk::tools::testing {
std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string GonePid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return std::to_string(child);
}

CTestDevice::CTestDevice() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/oxsdk-tools-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    root_ = pattern;
    ::setenv("OXSDK_DEVICE_ROOT", root_.c_str(), 1);
}

CTestDevice::~CTestDevice() {
    for (pid_t child : children_) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    // A navigator the library started runs detached: end it by the id in its window file.
    const long pid = std::atol(ReadFile(root_ + "/.windows/AldernWinClass").c_str());
    if (pid > 1 && ReadFile("/proc/" + std::to_string(pid) + "/cmdline").find("navigator") !=
                       std::string::npos) {
        ::kill(static_cast<pid_t>(pid), SIGKILL);
        WaitUntil(kBound, [this] { return !NavigatorWindowExists(); });
    }
    if (::testing::Test::HasFailure()) {
        std::cerr << "navigator log:\n" << ReadFile(root_ + "/navigator.log") << "\n";
    }
    ::unsetenv("OXSDK_DEVICE_ROOT");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

bool CTestDevice::NavigatorWindowExists() const {
    return platform::CurrentPlatform().FindWindow(u"AldernWinClass") != 0;
}

pid_t CTestDevice::Spawn(const std::vector<std::string>& argv, const TEnvironment& added,
                         const std::string& outPath, const std::string& errPath) {
    std::vector<std::string> command = {"/usr/bin/env"};
    for (const auto& [name, value] : added) command.push_back(name + "=" + value);
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (const std::string& arg : command) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int flags = O_WRONLY | O_CREAT | O_APPEND;
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), flags, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), flags, 0600);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return -1;
    }
    children_.push_back(pid);
    return pid;
}

pid_t CTestDevice::StartNavigator(const std::vector<std::string>& argv, const TEnvironment& added) {
    const std::string output = root_ + "/navigator.out";
    const pid_t pid = Spawn(argv, added, output, output);
    bool ended = false;
    const bool shown = pid > 0 && WaitUntil(kBound, [&] {
                           ended = ::waitpid(pid, nullptr, WNOHANG) == pid;
                           return ended || NavigatorWindowExists();
                       });
    if (ended || !shown) {
        ADD_FAILURE() << argv[0] << (ended ? " ended early" : " showed no window");
        return -1;
    }
    return pid;
}

int CTestDevice::WaitForExit(pid_t pid) {
    int status = 0;
    if (!WaitUntil(kBound, [&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) return -1;
    children_.erase(std::remove(children_.begin(), children_.end(), pid), children_.end());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TRun CTestDevice::Run(const std::vector<std::string>& argv) {
    const std::string base = root_ + "/run-" + std::to_string(++runs_);
    TRun run;
    const pid_t pid = Spawn(argv, {}, base + ".out", base + ".err");
    if (pid <= 0) return run;
    run.exitStatus = WaitForExit(pid);
    if (run.exitStatus == -1) ADD_FAILURE() << argv[0] << " did not end within the bound";
    run.out = ReadFile(base + ".out");
    run.err = ReadFile(base + ".err");
    return run;
}

void CTestDevice::InstallNavigator(const std::vector<std::string>& argv,
                                   const TEnvironment& added) {
    const std::filesystem::path folder = root_ + "/Program Files/Ostrel";
    std::filesystem::create_directories(folder);
    {
        std::ofstream script(folder / "Ostrel Navigator.exe");
        script << "#!/bin/sh\nexec /usr/bin/env";
        for (const auto& [name, value] : added) script << " '" << name << "=" << value << "'";
        for (const std::string& arg : argv) script << " '" << arg << "'";
        script << " >>'" << root_ << "/navigator.out' 2>&1\n";
    }
    std::filesystem::permissions(folder / "Ostrel Navigator.exe",
                                 std::filesystem::perms::owner_all);
}

}  // namespace oxsdk::tools::testing
