#include "transport/exchange_folder.h"

#include "OXSDK5Link/FileLayer.h"

#include <cstring>
#include <memory>

#include "platform/device_text.h"
#include "platform/platform.h"

namespace oxsdk::transport {
namespace {

using platform::AppendWide;
using platform::kMaxPath;

constexpr char16_t kNavigatorFolder[] = u"\\Ostrel";
constexpr char16_t kExchangeFolderName[] = u"SdkFileCalls";
constexpr char16_t kRootPattern[] = u"\\*.*";

bool IsExistingFolder(platform::Platform& system, const char16_t* path) {
    std::uint32_t attributes = system.GetFileAttributes(path);
    return attributes != platform::kInvalidAttributes &&
           (attributes & platform::kAttributeDirectory) != 0;
}

// Builds "\<entry>\Ostrel" into `candidate`, keeping room for the final "\".
bool BuildCandidate(const char16_t* entryName, char16_t* candidate) {
    candidate[0] = u'\0';
    return AppendWide(candidate, kMaxPath - 1, u"\\") &&
           AppendWide(candidate, kMaxPath - 1, entryName) &&
           AppendWide(candidate, kMaxPath - 1, kNavigatorFolder);
}

// Looks for "\<folder>\Ostrel" among the root's folders; on success `destination` holds it.
void ScanRootForNavigatorFolder(platform::Platform& system, char16_t* destination) {
    std::unique_ptr<platform::FindHandle> listing;
    platform::FindData entry;
    if (system.FindFirst(kRootPattern, &listing, &entry) != platform::Error::kNone) return;
    char16_t candidate[kMaxPath];
    do {
        if ((entry.attributes & platform::kAttributeDirectory) == 0) continue;
        if (entry.name[0] == u'.') continue;
        if (!BuildCandidate(entry.name, candidate)) continue;
        if (IsExistingFolder(system, candidate)) {
            std::memcpy(destination, candidate, sizeof(candidate));
            return;
        }
    } while (listing != nullptr && listing->FindNext(&entry));
}

}  // namespace

bool IsSmartphone() {
    platform::Platform& system = platform::CurrentPlatform();
    if (!system.IsCePlatform()) return false;
    char type[kMaxPath];
    if (!system.GetPlatformType(type, sizeof(type))) return false;
    type[sizeof(type) - 1] = '\0';
    return std::strstr(type, "Smartphone") != nullptr || std::strstr(type, "SmartPhone") != nullptr;
}

bool GetNavigatorFolder(char16_t* destination) {
    destination[0] = u'\0';
    AppendWide(destination, kMaxPath, kNavigatorFolder);
    if (IsSmartphone()) {
        platform::Platform& system = platform::CurrentPlatform();
        if (!IsExistingFolder(system, destination)) ScanRootForNavigatorFolder(system, destination);
    }
    // Every path left in `destination` kept room for this separator.
    return AppendWide(destination, kMaxPath, u"\\");
}

bool GetExchangeFolder(char16_t* destination, bool create) {
    if (!GetNavigatorFolder(destination)) return false;
    platform::Platform& system = platform::CurrentPlatform();
    if (create) {
        int length = platform::WideLength(destination);
        destination[length - 1] = u'\0';
        system.CreateFolder(destination);
        destination[length - 1] = u'\\';
    }
    if (!AppendWide(destination, kMaxPath - 1, kExchangeFolderName)) {
        destination[0] = u'\0';
        return false;
    }
    if (create) system.CreateFolder(destination);
    return AppendWide(destination, kMaxPath, u"\\");
}

}  // namespace oxsdk::transport

int COstrelFileLayer::DescribeUntrustedDevice(char* text, int capacity) {
    if (text == nullptr || capacity <= 0) return 0;
    text[0] = '\0';
    try {
        char16_t folder[oxsdk::platform::kMaxPath];
        if (!oxsdk::transport::GetExchangeFolder(folder, false)) return 0;
        const int length = oxsdk::platform::WideLength(folder);
        if (length > 1) folder[length - 1] = u'\0';  // the folder itself, not its contents
        return oxsdk::platform::CurrentPlatform().DescribeUntrustedFolder(folder, text, capacity)
                   ? 1
                   : 0;
    } catch (...) {
        text[0] = '\0';
        return 0;
    }
}
