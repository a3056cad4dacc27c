// The host side of the exchange cleaner on Windows: whether a process exists.
#include "exchange_cleaner.h"
#include "host_text_win32.h"

namespace oxsdk::tools {

bool ProcessIsGone(unsigned long pid) {
    if (pid == 0 || pid > 0xFFFFFFFFul) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such id
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
}

}  // namespace oxsdk::tools
