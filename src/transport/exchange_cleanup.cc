// The cleanup calls of COstrelFileLayer: the device root's host folder, and the listing and
// removal of exchange files for tools that remove what nobody will read. Both go through the
// current platform, which resolves every path from the device root without following a link,
// so a cleanup reaches nothing that the layer itself would not.
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "OXSDK5Link/FileLayer.h"
#include "platform/device_text.h"
#include "platform/native_device.h"
#include "platform/platform.h"
#include "transport/exchange_folder.h"
#include "transport/file_operations.h"

namespace {

using oxsdk::platform::kMaxPath;

// "<exchange folder>\<name>" into `path`; false when `name` cannot name a file of that folder.
bool ExchangeFilePath(const char* name, char16_t* path) {
    if (name == nullptr || name[0] == '\0' || std::strcmp(name, ".") == 0 ||
        std::strcmp(name, "..") == 0 || std::strpbrk(name, "\\/") != nullptr) {
        return false;
    }
    char16_t wide[kMaxPath];
    return oxsdk::platform::WidenText(name, wide, kMaxPath) &&
           oxsdk::transport::GetExchangeFolder(path, false) &&
           oxsdk::platform::AppendWide(path, kMaxPath, wide);
}

}  // namespace

int COstrelFileLayer::GetDeviceRootFolder(char* text, int capacity) {
    if (text == nullptr || capacity <= 0) return 0;
    text[0] = '\0';
    try {
        const std::string root = oxsdk::platform::DeviceRootFolder();
        if (root.empty() || root.size() >= static_cast<std::size_t>(capacity)) return 0;
        std::memcpy(text, root.c_str(), root.size() + 1);
        return static_cast<int>(root.size());
    } catch (...) {
        text[0] = '\0';
        return 0;
    }
}

int COstrelFileLayer::ListExchangeFiles(int (*visit)(const char* name, void* context),
                                        void* context) {
    if (visit == nullptr) return 0;
    try {
        char16_t pattern[kMaxPath];
        if (!oxsdk::transport::GetExchangeFolder(pattern, false) ||
            !oxsdk::platform::AppendWide(pattern, kMaxPath, u"*.*")) {
            return 0;
        }
        oxsdk::platform::FindData entry{};
        std::unique_ptr<oxsdk::platform::FindHandle> listing;
        if (oxsdk::platform::CurrentPlatform().FindFirst(pattern, &listing, &entry) !=
            oxsdk::platform::Error::kNone) {
            return 0;
        }
        int count = 0;
        do {
            char name[oxsdk::transport::kFileNameCapacity];
            if ((entry.attributes & oxsdk::platform::kAttributeDirectory) != 0 ||
                !oxsdk::platform::NarrowText(entry.name, name, sizeof name)) {
                continue;
            }
            ++count;
            if (visit(name, context) != 0) break;
        } while (listing != nullptr && listing->FindNext(&entry));
        return count;
    } catch (...) {
        return -1;
    }
}

int COstrelFileLayer::RemoveExchangeFile(const char* name) {
    try {
        char16_t path[kMaxPath];
        if (!ExchangeFilePath(name, path)) return -1;
        switch (oxsdk::platform::CurrentPlatform().DeleteFile(path)) {
            case oxsdk::platform::Error::kNone:
                return 1;
            case oxsdk::platform::Error::kNotFound:
                return 0;
            case oxsdk::platform::Error::kAccessDenied:
                return -1;
            default:
                return -2;
        }
    } catch (...) {
        return -2;
    }
}
