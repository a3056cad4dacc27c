#include "transport/folder_listing.h"

#include "platform/device_text.h"
#include "transport/exchange_file_name.h"
#include "transport/exchange_folder.h"

namespace oxsdk::transport {

bool CFolderListing::First(const char* receiver) {
    handle_.reset();
    first_ = false;
    char16_t markers[platform::kMaxPath];
    if (!GetExchangeFolder(pattern_, false) ||
        !FormatMarkerPattern(receiver, markers, platform::kMaxPath) ||
        !platform::AppendWide(pattern_, platform::kMaxPath, markers)) {
        return false;
    }
    first_ = true;
    return Next();
}

bool CFolderListing::Next() {
    platform::FindData entry{};
    for (;;) {
        if (first_) {
            first_ = false;
            if (platform::CurrentPlatform().FindFirst(pattern_, &handle_, &entry) !=
                platform::Error::kNone) {
                handle_.reset();
                return false;
            }
        } else if (handle_ == nullptr || !handle_->FindNext(&entry)) {
            handle_.reset();
            return false;
        }
        if (Accept(entry)) return true;
    }
}

bool CFolderListing::Accept(const platform::FindData& entry) {
    const char16_t* name = entry.name;
    if (name[0] == u'.' && (name[1] == u'\0' || (name[1] == u'.' && name[2] == u'\0'))) {
        return false;
    }
    if (!platform::NarrowText(name, entryName, kFileNameCapacity)) return false;
    isDirectory = (entry.attributes & platform::kAttributeDirectory) != 0 ? 1 : 0;
    lastWriteTime = entry.lastWriteTime;
    return true;
}

}  // namespace oxsdk::transport
