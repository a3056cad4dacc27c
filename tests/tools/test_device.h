// A temporary emulated device for the end-to-end tests of the tools, and the processes a test
// runs on it. Every wait has a generous bound; on destruction every process started here, and
// the navigator the library started on the device, is killed and reaped, whatever happened.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace oxsdk::tools::testing {

using TEnvironment = std::vector<std::pair<std::string, std::string>>;

constexpr double kBound = 60.0;  // seconds for any reply or process event

/// Waits up to `seconds`, in short steps, until `condition` holds; returns whether it did.
template <typename Condition>
bool WaitUntil(double seconds, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

/// The whole content of a host file ("" when it cannot be read).
std::string ReadFile(const std::string& path);

/// A process number that no process has now: that of a child that has ended and been reaped.
std::string GonePid();

struct TRun {
    int exitStatus = -1;  ///< -1 when the process did not end in time
    std::string out;
    std::string err;
};

class CTestDevice {
public:
    /// Creates the device root and makes it this process's OXSDK_DEVICE_ROOT.
    CTestDevice();
    ~CTestDevice();
    CTestDevice(const CTestDevice&) = delete;
    CTestDevice& operator=(const CTestDevice&) = delete;

    const std::string& root() const { return root_; }
    /// True when the navigator's window exists on the device.
    bool NavigatorWindowExists() const;

    /// Starts a navigator program and waits for its window; its pid, or -1 (with a failure).
    pid_t StartNavigator(const std::vector<std::string>& argv, const TEnvironment& added = {});
    /// Runs `argv` to its end (killed after the bound) and returns its status and output.
    TRun Run(const std::vector<std::string>& argv);
    /// Waits, bounded, for a process started here to end; its exit status, -1 on time-out.
    int WaitForExit(pid_t pid);
    /// Installs "Ostrel Navigator.exe": a script running `argv` with `added`, for the library
    /// to find and start.
    void InstallNavigator(const std::vector<std::string>& argv, const TEnvironment& added = {});

private:
    pid_t Spawn(const std::vector<std::string>& argv, const TEnvironment& added,
                const std::string& outPath, const std::string& errPath);

    std::string root_;
    std::vector<pid_t> children_;
    int runs_ = 0;
};

}  // namespace oxsdk::tools::testing
