#include <windows.h>

#include <string>

#include "host_process.h"
#include "host_text_win32.h"

namespace oxsdk::emulator {
namespace {

void (*stopHandler)(int) = nullptr;

// Runs on a thread of the system's: it only sets the program's flag.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (stopHandler == nullptr) return FALSE;
    stopHandler(static_cast<int>(event) + 1);  // Ctrl+C is 1, Ctrl+Break 2, close 3
    // A console that closes ends the process once this returns: give the loop time to stop.
    if (event == CTRL_CLOSE_EVENT) Sleep(1000);
    return TRUE;
}

}  // namespace

void InstallStopHandlers(void (*onStop)(int)) {
    stopHandler = onStop;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

std::string ExecutableFolder() {
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
    if (length == 0 || length >= 32768) return ".";
    std::string text = tools::Narrow(std::wstring(path, length));
    const std::size_t separator = text.find_last_of("\\/");
    return separator == std::string::npos ? "." : text.substr(0, separator);
}

void SetHostVariable(const char* name, const std::string& value) {
    const std::wstring wide = tools::Widen(value);
    std::wstring wideName;
    for (const char* c = name; *c != '\0'; ++c) wideName.push_back(static_cast<wchar_t>(*c));
    SetEnvironmentVariableW(wideName.c_str(), wide.c_str());
    // The C runtime keeps a copy of its own, which getenv reads.
    _wputenv_s(wideName.c_str(), wide.c_str());
}

std::string WindowRegistrationProblem(const std::string& /*root*/,
                                      const std::string& windowClass) {
    return "the desktop refused a window of class " + windowClass + " (error " +
           std::to_string(GetLastError()) + ")";
}

}  // namespace oxsdk::emulator
