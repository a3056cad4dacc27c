// Depth-first walk of a device folder tree, used to search the whole device for the navigator
// executable (navigator_launch). Each folder is listed once; its own files are visited before
// its subfolders, each in the order the device enumerates them; one stop flag is shared by the
// whole walk.
#pragma once

#include "platform/platform.h"

namespace oxsdk::navigator {

/// Called for every file the walk meets, with the folder, the file name, the caller's context
/// and 0. Returns non-zero to go on, 0 to stop the whole walk.
using VisitRoutine = int (*)(const char16_t* folder, const char16_t* name, void* context,
                             int reserved);

/// How many folder levels below the starting folder a walk descends at the most: installed
/// programs lie a few levels deep, and a deeper tree (or one that a device could make endless)
/// is not searched further.
constexpr int kMaxScanDepth = 16;

/// Visits the files of `folder` that match `pattern` (e.g. u"*.exe"), then, when `recurse` is
/// set, walks every subfolder the same way (never the "." and ".." entries that some devices
/// list), down to kMaxScanDepth levels below `folder`. `stopFlag` may be null at the outermost call: the walk then uses a flag of its own.
/// Returns the number of files visited. A folder that cannot be enumerated, or whose joined
/// path would not fit a device path, counts no files.
int ScanFolderTree(const char16_t* folder, const char16_t* pattern, bool recurse,
                   VisitRoutine visit, void* context, int* stopFlag);

/// Writes `folder`, a "\" unless the folder ends with one already, and `name` into
/// `destination`. False, with `destination` left as it was, when the result would be longer
/// than a device path may be (kMaxPath - 1 characters).
bool JoinFolderPath(char16_t (&destination)[platform::kMaxPath], const char16_t* folder,
                    const char16_t* name);

}  // namespace oxsdk::navigator
