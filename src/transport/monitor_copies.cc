#include "transport/monitor_copies.h"

#include <atomic>
#include <mutex>

#include "OXSDK5Link/FileLayer.h"
#include "platform/device_text.h"
#include "platform/platform.h"
#include "transport/exchange_folder.h"
#include "transport/file_operations.h"

namespace oxsdk::transport {
namespace {

using platform::AppendWide;
using platform::kMaxPath;

// What this process knows of the registration. A send without a monitor reads the three
// atomics only; the rest is kept under `mutex`.
struct TRegistrationState {
    std::atomic<std::uint64_t> nextCheck{0};  // clock time of the next look; 0: look now
    std::atomic<std::uint64_t> lastCheck{0};  // clock time of the last look
    std::atomic<bool> registered{false};
    std::mutex mutex;
    std::uint64_t registrationTime = 0;  // last write of the registration the budget counts for
    std::uint32_t copies = 0;            // copies and their bytes written for that registration
    std::uint64_t bytes = 0;
};

TRegistrationState& State() {
    // Never destroyed: layers may send while static objects are destroyed.
    static TRegistrationState* state = new TRegistrationState;
    return *state;
}

// "<data folder>SdkMonitor\" followed by `name` into `path`; false when it does not fit.
bool MonitorPath(const char16_t* name, char16_t* path) {
    char16_t folderName[kMaxPath];
    if (!platform::WidenText(COstrelFileLayer::kMonitorFolderName, folderName, kMaxPath)) {
        return false;
    }
    return GetNavigatorFolder(path) && AppendWide(path, kMaxPath, folderName) &&
           AppendWide(path, kMaxPath, u"\\") && AppendWide(path, kMaxPath, name);
}

// Looks at the registration file: 0 when there is no fresh one, else its last write time.
std::uint64_t FreshRegistration(platform::Platform& system, std::uint64_t now) {
    char16_t path[kMaxPath];
    char16_t fileName[kMaxPath];
    if (!platform::WidenText(COstrelFileLayer::kMonitorRegistrationName, fileName, kMaxPath) ||
        !MonitorPath(fileName, path)) {
        return 0;
    }
    std::unique_ptr<platform::FindHandle> listing;
    platform::FindData entry;
    if (system.FindFirst(path, &listing, &entry) != platform::Error::kNone ||
        (entry.attributes & platform::kAttributeDirectory) != 0 || entry.lastWriteTime == 0) {
        return 0;
    }
    // A registration written in the future (a clock set back) counts as fresh.
    if (now > entry.lastWriteTime &&
        now - entry.lastWriteTime >= COstrelFileLayer::kMonitorRegistrationLifetimeMilliseconds) {
        return 0;
    }
    return entry.lastWriteTime;
}

// True when a copy of `size` bytes is to be written; looks at the registration when its time
// has come (or the clock went back).
bool CopyWanted(platform::Platform& system, std::uint32_t size) {
    TRegistrationState& state = State();
    const std::uint64_t now = system.GetSystemTime();
    if (now >= state.lastCheck.load(std::memory_order_relaxed) &&
        now < state.nextCheck.load(std::memory_order_relaxed) &&
        !state.registered.load(std::memory_order_relaxed)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(state.mutex);
    const std::uint64_t last = state.lastCheck.load(std::memory_order_relaxed);
    if (now < last || now >= state.nextCheck.load(std::memory_order_relaxed)) {
        const std::uint64_t registration = FreshRegistration(system, now);
        state.lastCheck.store(now, std::memory_order_relaxed);
        state.nextCheck.store(now + COstrelFileLayer::kMonitorCheckMilliseconds,
                              std::memory_order_relaxed);
        state.registered.store(registration != 0, std::memory_order_relaxed);
        if (registration != state.registrationTime) {
            // A registration written again is a monitor that took what it was given.
            state.registrationTime = registration;
            state.copies = 0;
            state.bytes = 0;
        }
    }
    if (!state.registered.load(std::memory_order_relaxed) ||
        state.copies >= COstrelFileLayer::kMonitorCopyCount ||
        state.bytes + size > COstrelFileLayer::kMonitorCopyBytes) {
        return false;
    }
    ++state.copies;
    state.bytes += size;
    return true;
}

}  // namespace

void CopyForMonitor(const char* messageName, const void* data, std::uint32_t size) {
    try {
        platform::Platform& system = platform::CurrentPlatform();
        if (!CopyWanted(system, size)) return;
        char16_t name[kMaxPath];
        char16_t copiesName[kMaxPath];
        char16_t path[kMaxPath];
        if (!platform::WidenText(COstrelFileLayer::kMonitorCopiesName, copiesName, kMaxPath) ||
            !platform::WidenText(messageName, name, kMaxPath) || !MonitorPath(copiesName, path) ||
            !AppendWide(path, kMaxPath, u"\\") || !AppendWide(path, kMaxPath, name)) {
            return;
        }
        // The monitor made the folder; a copy never creates one.
        std::unique_ptr<platform::File> file;
        if (system.CreateForWriting(path, &file) != platform::Error::kNone) return;
        const bool written = WriteAllBytes(*file, data, size) == 0;
        file.reset();  // closed: the monitor takes a copy once it is closed
        if (!written) system.DeleteFile(path);
    } catch (...) {
    }
}

}  // namespace oxsdk::transport
