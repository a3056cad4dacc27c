#include "transport/file_operations.h"

#include <cstring>

#include "platform/device_text.h"
#include "transport/exchange_folder.h"

namespace oxsdk::transport {
namespace {

using platform::Error;

constexpr int kBusyAttempts = 4;
constexpr std::uint32_t kBusyPauseMilliseconds = 500;

}  // namespace

bool BuildExchangePath(const char* name, bool createFolders, char16_t* path) {
    char16_t wideName[platform::kMaxPath];
    if (!platform::WidenText(name, wideName, platform::kMaxPath)) return false;
    if (!GetExchangeFolder(path, createFolders)) return false;
    if (!platform::AppendWide(path, platform::kMaxPath, wideName)) {
        path[0] = u'\0';
        return false;
    }
    return true;
}

// The exchange folder is made only when an operation found it missing: both folders exist
// after an open or a create, at the cost of one folder creation per missing folder instead of
// two per operation.
std::unique_ptr<platform::File> OpenExchangeFile(const char* name) {
    char16_t path[platform::kMaxPath];
    std::unique_ptr<platform::File> file;
    if (!BuildExchangePath(name, false, path)) return nullptr;
    platform::Platform& system = platform::CurrentPlatform();
    if (system.OpenForReading(path, &file) == Error::kNotFound) {
        GetExchangeFolder(path, true);
        return nullptr;
    }
    return file;
}

std::unique_ptr<platform::File> CreateExchangeFile(const char* name) {
    char16_t path[platform::kMaxPath];
    std::unique_ptr<platform::File> file;
    if (!BuildExchangePath(name, false, path)) return nullptr;
    platform::Platform& system = platform::CurrentPlatform();
    Error error = system.CreateForWriting(path, &file);
    if (error == Error::kNotFound && BuildExchangePath(name, true, path)) {
        error = system.CreateForWriting(path, &file);
    }
    return error == Error::kNone ? std::move(file) : nullptr;
}

int WriteAllBytes(platform::File& file, const void* data, std::uint32_t size) {
    for (int attempt = 0; attempt < kBusyAttempts; ++attempt) {
        std::uint32_t written = 0;
        Error error = file.Write(data, size, &written);
        if (error == Error::kNone) return written == size ? 0 : kWriteFailed;
        if (error != Error::kAccessDenied) return kWriteFailed;
        platform::CurrentPlatform().Sleep(kBusyPauseMilliseconds);
    }
    return kWriteFailed;
}

int ReadLine(platform::File& file, char* buffer, std::uint32_t capacity) {
    std::uint32_t limit = capacity - 1;
    for (int attempt = 0; attempt < kBusyAttempts; ++attempt) {
        std::uint32_t count = 0;
        Error error = file.Read(buffer, limit, &count);
        if (error == Error::kAccessDenied) {
            platform::CurrentPlatform().Sleep(kBusyPauseMilliseconds);
            continue;
        }
        if (error != Error::kNone) return kReadFailed;
        if (count == 0) return kNothingRead;
        if (count > limit) count = limit;
        const void* lineFeed = std::memchr(buffer, '\n', count);
        if (lineFeed != nullptr)
            count = static_cast<std::uint32_t>(static_cast<const char*>(lineFeed) - buffer + 1);
        buffer[count] = '\0';
        return static_cast<int>(count);
    }
    return kReadFailed;
}

std::uint32_t FileSize(platform::File& file) {
    return file.GetSize();
}

bool ExchangeFileExists(const char* name) {
    char16_t path[platform::kMaxPath];
    if (!BuildExchangePath(name, false, path)) return false;
    return platform::CurrentPlatform().GetFileAttributes(path) != platform::kInvalidAttributes;
}

// Deleted at once; only a file that refuses is looked at, and made writable when it is
// read-only.
bool DeleteExchangeFile(const char* name) {
    char16_t path[platform::kMaxPath];
    if (!BuildExchangePath(name, false, path)) return false;
    platform::Platform& system = platform::CurrentPlatform();
    Error error = system.DeleteFile(path);
    if (error == Error::kAccessDenied) {
        std::uint32_t attributes = system.GetFileAttributes(path);
        if (attributes == platform::kInvalidAttributes) return true;
        if ((attributes & platform::kAttributeReadOnly) == 0) return false;
        system.SetFileAttributes(path, attributes & ~platform::kAttributeReadOnly);
        error = system.DeleteFile(path);
    }
    return error == Error::kNone || error == Error::kNotFound;
}

bool RemoveExchangePair(const char* markerName, const char* messageName) {
    if (!DeleteExchangeFile(markerName) && !DeleteExchangeFile(markerName)) return false;
    return DeleteExchangeFile(messageName);
}

}  // namespace oxsdk::transport
