#include "processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace oxsdk::bench {
namespace {

bool ReadAll(int fd, std::string* text) {
    char buffer[65536];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text->append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

void ToSamples(const std::string& text, Samples* samples) {
    samples->resize(text.size() / sizeof(std::int64_t));
    std::memcpy(samples->data(), text.data(), samples->size() * sizeof(std::int64_t));
}

// The first child of `pid` (the process a strace runs), or 0.
pid_t FirstChild(pid_t pid) {
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                           "/children");
    long child = 0;
    return children >> child ? static_cast<pid_t>(child) : 0;
}

bool IsStrace(pid_t pid) {
    std::ifstream name("/proc/" + std::to_string(pid) + "/comm");
    std::string comm;
    return name >> comm && comm == "strace";
}

}  // namespace

pid_t Spawn(const Strings& argv, const Strings& environment, int output) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    for (const std::string& variable : environment) putenv(const_cast<char*>(variable.c_str()));
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(output >= 0 ? output : null, 1);
    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    execvp(arguments[0], arguments.data());
    _exit(127);
}

bool WaitForExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunForSamples(const Strings& argv, const Strings& environment, Samples* samples) {
    std::vector<Samples> all;
    if (!RunAllForSamples({argv}, environment, &all)) return false;
    *samples = std::move(all[0]);
    return true;
}

bool RunAllForSamples(const std::vector<Strings>& commands, const Strings& environment,
                      std::vector<Samples>* samples) {
    std::vector<pid_t> pids;
    std::vector<int> pipes;
    for (const Strings& argv : commands) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return false;
        pids.push_back(Spawn(argv, environment, ends[1]));
        close(ends[1]);
        pipes.push_back(ends[0]);
    }
    bool ok = true;
    samples->assign(commands.size(), {});
    for (std::size_t i = 0; i < pids.size(); ++i) {
        std::string text;
        ok = ReadAll(pipes[i], &text) && ok;
        close(pipes[i]);
        ok = WaitForExit(pids[i]) && ok;
        ToSamples(text, &(*samples)[i]);
    }
    return ok;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    pid_t target = pid;
    if (IsStrace(pid)) {
        // strace writes its summary when the traced process ends.
        for (int i = 0; i < 100 && (target = FirstChild(pid)) == 0; ++i) usleep(10000);
        if (target == 0) target = pid;
    }
    kill(target, SIGTERM);
    for (int i = 0; i < 1000; ++i) {
        int status = 0;
        pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended < 0 && errno == ECHILD)) return;
        usleep(10000);
    }
    kill(target, SIGKILL);
    kill(pid, SIGKILL);
    WaitForExit(pid);
}

void ReapChildren() {
    int status = 0;
    while (waitpid(-1, &status, WNOHANG) > 0) {
    }
}

bool WriteSamples(const Samples& samples) {
    const char* bytes = reinterpret_cast<const char*>(samples.data());
    std::size_t left = samples.size() * sizeof(std::int64_t);
    while (left > 0) {
        ssize_t written = write(1, bytes, left);
        if (written <= 0) return false;
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace oxsdk::bench
