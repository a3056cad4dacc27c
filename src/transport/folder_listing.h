// The listing of the markers addressed to the navigator in the exchange folder, which the
// navigator side walks once per ProcessEvents pass. It hands out each entry's name as narrow text with its directory flag; the folders
// are not created. Entries named "." or "..", and entries whose names have no narrow form or
// do not fit 255 bytes (no exchange file has such a name), are passed over.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "transport/file_operations.h"

namespace oxsdk::transport {

class CFolderListing {
public:
    CFolderListing() = default;
    CFolderListing(const CFolderListing&) = delete;
    CFolderListing& operator=(const CFolderListing&) = delete;

    /// Opens the listing of the markers addressed to `receiver` in the exchange folder (see
    /// FormatMarkerPattern: message files and files addressed to others are neither looked at
    /// nor handed out) and fetches its first entry. False when the folder is missing or holds
    /// nothing to hand out.
    bool First(const char* receiver);
    /// Fetches the next entry. False when the listing is exhausted (it is then closed).
    bool Next();

    /// Non-zero when the current entry is a folder.
    int isDirectory = 0;
    /// Name of the current entry, zero-terminated.
    char entryName[kFileNameCapacity] = {};
    /// Last write time of the current entry, as platform::FindData has it (0: unknown).
    std::uint64_t lastWriteTime = 0;

private:
    // Takes `entry` as the current entry when it can be handed out.
    bool Accept(const platform::FindData& entry);

    char16_t pattern_[platform::kMaxPath] = {};
    std::unique_ptr<platform::FindHandle> handle_;
    bool first_ = false;
};

}  // namespace oxsdk::transport
