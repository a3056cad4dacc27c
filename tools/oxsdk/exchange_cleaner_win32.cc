// The host side of the exchange cleaner on Windows: processes, the device root of the
// environment and the folder listing.
#include <cstdlib>
#include <utility>

#include "exchange_cleaner.h"
#include "host_text_win32.h"

namespace oxsdk::tools {
namespace {

std::string Variable(const wchar_t* name) {
    wchar_t value[32768];
    const DWORD length = GetEnvironmentVariableW(name, value, 32768);
    return length > 0 && length < 32768 ? Narrow(std::wstring(value, length)) : std::string();
}

// The system's message for `error`, without its line break.
std::string Message(DWORD error) {
    char text[256];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    return length > 0 ? std::string(text, length) : "error " + std::to_string(error);
}

}  // namespace

bool ProcessIsGone(unsigned long pid) {
    if (pid == 0 || pid > 0xFFFFFFFFul) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such id
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
}

std::string DeviceRootFromEnvironment() {
    std::string root = Variable(L"OXSDK_DEVICE_ROOT");
    if (!root.empty()) return root;
    return Variable(L"LOCALAPPDATA") + "\\oxsdk\\device";
}

TCleanResult RemoveStaleExchangeFiles(
    const std::string& folder,
    const std::function<std::string(const TExchangeFileName&)>& staleReason) {
    TCleanResult result;
    std::wstring path = Widen(folder);
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
    WIN32_FIND_DATAW found;
    HANDLE listing = FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &found,
                                      FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (listing == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            result.error = folder + ": " + Message(error);
        }
        // An existing empty folder lists "." at least; nothing listed means no folder.
        return result;
    }
    result.folderExists = true;
    std::vector<std::pair<std::string, std::string>> stale;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        const std::string name = Narrow(found.cFileName);
        TExchangeFileName fields;
        if (!ParseExchangeFileName(name, &fields)) continue;
        std::string reason = staleReason(fields);
        if (!reason.empty()) stale.emplace_back(name, std::move(reason));
    } while (FindNextFileW(listing, &found));
    FindClose(listing);
    for (auto& [name, reason] : stale) {
        // DeleteFileW removes a link itself, never what it points to.
        if (DeleteFileW((path + L"\\" + Widen(name)).c_str())) {
            result.removed.push_back({name, reason});
        } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            result.failed.push_back({name, Message(GetLastError())});
        }
    }
    return result;
}

}  // namespace oxsdk::tools
