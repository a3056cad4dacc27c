#include "navigator/folder_scan.h"

#include <memory>

#include "platform/device_text.h"

namespace oxsdk::navigator {
namespace {

using platform::FindData;
using platform::FindHandle;
using platform::kAttributeDirectory;
using platform::kMaxPath;

bool IsSelfOrParent(const char16_t* name) {
    return name[0] == u'.' && (name[1] == u'\0' || (name[1] == u'.' && name[2] == u'\0'));
}

}  // namespace

bool JoinFolderPath(char16_t (&destination)[kMaxPath], const char16_t* folder,
                    const char16_t* name) {
    char16_t joined[kMaxPath] = {};
    if (!platform::AppendWide(joined, kMaxPath, folder)) return false;
    int length = platform::WideLength(joined);
    if ((length == 0 || joined[length - 1] != u'\\') &&
        !platform::AppendWide(joined, kMaxPath, u"\\")) {
        return false;
    }
    if (!platform::AppendWide(joined, kMaxPath, name)) return false;
    int total = platform::WideLength(joined);
    for (int i = 0; i <= total; ++i) destination[i] = joined[i];
    return true;
}

namespace {

int ScanLevel(const char16_t* folder, const char16_t* pattern, bool recurse, VisitRoutine visit,
              void* context, int& stop, int depth) {
    int count = 0;
    platform::Platform& device = platform::CurrentPlatform();

    // Files first.
    char16_t search[kMaxPath];
    std::unique_ptr<FindHandle> find;
    FindData entry;
    if (JoinFolderPath(search, folder, pattern) &&
        device.FindFirst(search, &find, &entry) == platform::Error::kNone) {
        do {
            if ((entry.attributes & kAttributeDirectory) == 0) {
                ++count;
                stop = visit(folder, entry.name, context, 0) == 0 ? 1 : 0;
            }
        } while (stop == 0 && find->FindNext(&entry));
        find.reset();
    }
    if (stop != 0 || !recurse || depth >= kMaxScanDepth) return count;

    // Then every subfolder, depth first.
    if (!JoinFolderPath(search, folder, u"*.*") ||
        device.FindFirst(search, &find, &entry) != platform::Error::kNone) {
        return count;
    }
    char16_t subfolder[kMaxPath];
    do {
        if ((entry.attributes & kAttributeDirectory) != 0 && !IsSelfOrParent(entry.name) &&
            JoinFolderPath(subfolder, folder, entry.name)) {
            count += ScanLevel(subfolder, pattern, recurse, visit, context, stop, depth + 1);
        }
    } while (stop == 0 && find->FindNext(&entry));
    return count;
}

}  // namespace

int ScanFolderTree(const char16_t* folder, const char16_t* pattern, bool recurse,
                   VisitRoutine visit, void* context, int* stopFlag) {
    int ownFlag = 0;
    return ScanLevel(folder, pattern, recurse, visit, context,
                     stopFlag != nullptr ? *stopFlag : ownFlag, 0);
}

}  // namespace oxsdk::navigator
