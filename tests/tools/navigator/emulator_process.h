// The navigator emulator as a child process of an end-to-end test, on a temporary emulated
// device: started with explicit options, watched through its window, and always killed and
// reaped when the test ends, whatever happened.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace oxsdk::emulator::testing {

/// A temporary device root, also made the process's OXSDK_DEVICE_ROOT; removed on destruction.
class CTemporaryDevice {
public:
    CTemporaryDevice();
    ~CTemporaryDevice();
    CTemporaryDevice(const CTemporaryDevice&) = delete;
    CTemporaryDevice& operator=(const CTemporaryDevice&) = delete;
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

class CEmulatorProcess {
public:
    CEmulatorProcess() = default;
    ~CEmulatorProcess() { Kill(); }
    CEmulatorProcess(const CEmulatorProcess&) = delete;
    CEmulatorProcess& operator=(const CEmulatorProcess&) = delete;

    /// Starts the emulator on `root` (log in <root>/navigator.log) with `extraArguments`, and
    /// waits up to `seconds` for its window. False when it did not show the window in time.
    bool Start(const std::string& root, const std::vector<std::string>& extraArguments = {},
               double seconds = 30.0);
    /// Waits up to `seconds` for the process to end; true with its exit status when it did.
    bool WaitForExit(double seconds, int* exitStatus);
    /// Sends `signal` to the process (when it runs).
    void Signal(int signal);
    /// Kills (SIGKILL) and reaps the process when it still runs.
    void Kill();
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

/// True when the navigator's window exists on the device of OXSDK_DEVICE_ROOT.
bool NavigatorWindowExists();

/// Waits up to `seconds`, in short steps, until `condition` holds; returns whether it did.
template <typename Condition>
bool WaitUntil(double seconds, Condition condition);

/// Kills (SIGKILL) and reaps or waits for the emulator whose window is registered on the
/// device `root`, for navigators the library started itself. Only an oxsdk-navigator process
/// is touched.
void KillRegisteredEmulator(const std::string& root);

}  // namespace oxsdk::emulator::testing

#include <chrono>
#include <thread>

namespace oxsdk::emulator::testing {

template <typename Condition>
bool WaitUntil(double seconds, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace oxsdk::emulator::testing
