// What the emulator program needs of its host besides the device: stop requests, its own
// folder, its environment, and why its window could not be shown. host_process.cc serves POSIX
// hosts, host_process_win32.cc Windows.
#pragma once

#include <string>

namespace oxsdk::emulator {

/// Calls `onStop` (with a number that names the request) when the user or the system asks the
/// program to stop: SIGTERM, SIGINT or SIGHUP; on Windows a console's Ctrl+C, Ctrl+Break or
/// close. `onStop` must be safe to call asynchronously (set a flag).
void InstallStopHandlers(void (*onStop)(int));

/// The folder of the running program ("." when it cannot be known).
std::string ExecutableFolder();

/// Sets the environment variable `name` of this process (and of the processes it starts).
void SetHostVariable(const char* name, const std::string& value);

/// Why a window of class `windowClass` could not be shown on the device rooted at `root` when
/// no other navigator has one: where the host refused it and why.
std::string WindowRegistrationProblem(const std::string& root, const std::string& windowClass);

}  // namespace oxsdk::emulator
