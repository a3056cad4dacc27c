#include "navigator/folder_scan.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/device_names.h"
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

// One listing of the folder gives both its files (those matching `pattern`, visited in the
// order listed) and its subfolders (walked afterwards, in the order listed).
int ScanLevel(const char16_t* folder, const char16_t* pattern, bool recurse, VisitRoutine visit,
              void* context, int& stop, int depth) {
    int count = 0;
    char16_t search[kMaxPath];
    std::unique_ptr<FindHandle> find;
    FindData entry;
    if (!JoinFolderPath(search, folder, u"*.*") ||
        platform::CurrentPlatform().FindFirst(search, &find, &entry) != platform::Error::kNone) {
        return count;
    }
    const std::u16string_view filePattern(pattern);
    const bool descend = recurse && depth < kMaxScanDepth;
    std::vector<std::u16string> subfolders;
    do {
        if ((entry.attributes & kAttributeDirectory) == 0) {
            if (!platform::MatchesNamePattern(filePattern, entry.name)) continue;
            ++count;
            stop = visit(folder, entry.name, context, 0) == 0 ? 1 : 0;
        } else if (descend && !IsSelfOrParent(entry.name)) {
            subfolders.emplace_back(entry.name);
        }
    } while (stop == 0 && find->FindNext(&entry));
    find.reset();
    char16_t subfolder[kMaxPath];
    for (const std::u16string& name : subfolders) {
        if (stop != 0) break;
        if (JoinFolderPath(subfolder, folder, name.c_str())) {
            count += ScanLevel(subfolder, pattern, recurse, visit, context, stop, depth + 1);
        }
    }
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
