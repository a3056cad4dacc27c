// Device path and name rules shared by the platform implementations: splitting a device path
// into its components, and comparing and matching names as the device does (without regard to
// case; "*" and "?" wildcards). Used by the posix and the fake platform.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace oxsdk::platform {

/// Splits "\a\b" into {"a", "b"}; "\" alone gives no component. False when the path is not
/// shorter than kMaxPath, does not start with "\", or has a component that is empty, ".",
/// ".." or holds "/".
bool SplitDevicePath(const char16_t* path, std::vector<std::u16string>* components);

/// Copies the folder path `folder` into `trimmed` without a trailing "\" (the root "\" stays as
/// it is). False when it does not fit a device path.
bool TrimFolderPath(const char16_t* folder, char16_t (&trimmed)[kMaxPath]);

/// Equality of two names without regard to case.
bool SameDeviceName(std::u16string_view a, std::u16string_view b);

/// True when `name` matches `pattern`: "*" matches any run of characters, "?" any one
/// character, case is ignored, and a trailing ".*" also matches a name without that dot
/// ("*.*" matches every name, "abc.*" matches "abc").
bool MatchesNamePattern(std::u16string_view pattern, std::u16string_view name);

/// An enumeration taken whole when it was opened: hands out the entries after the first one,
/// which went with FindFirst.
class ListedFindHandle : public FindHandle {
public:
    explicit ListedFindHandle(std::vector<FindData> entries) : entries_(std::move(entries)) {}
    bool FindNext(FindData* entry) override {
        if (next_ >= entries_.size()) return false;
        *entry = entries_[next_++];
        return true;
    }

private:
    std::vector<FindData> entries_;
    std::size_t next_ = 1;
};

}  // namespace oxsdk::platform
