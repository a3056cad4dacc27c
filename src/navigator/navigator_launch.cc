#include "navigator/navigator_launch.h"

#include <algorithm>
#include <iterator>

#include "navigator/folder_scan.h"
#include "navigator/navigator_state.h"
#include "platform/platform.h"

namespace oxsdk::navigator {
namespace {

constexpr const char16_t* kExecutableNames[] = {u"Ostrel Navigator.exe", u"ZEV Izizararar.exe",
                                                u"Ostrel Mobile.exe"};

char16_t FoldCase(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Whole-text comparison without regard to the case of ASCII letters (the accepted names are
// ASCII, so no other letter can equal one of theirs).
bool EqualNoCase(const char16_t* left, const char16_t* right) {
    for (;; ++left, ++right) {
        if (FoldCase(*left) != FoldCase(*right)) return false;
        if (*left == u'\0') return true;
    }
}

}  // namespace

bool LocateNavigator() {
    // Searched into a buffer of this call, recorded once found: other threads may be starting
    // the navigator too.
    char16_t found[platform::kMaxPath] = {};
    bool located = ScanFolderTree(u"\\", u"*.exe", true, MatchNavigatorExecutable, &found,
                                  nullptr) > 0;
    if (found[0] != u'\0') {
        std::lock_guard<std::mutex> hold(State().lock);
        std::copy(std::begin(found), std::end(found), State().navigatorPath);
    }
    return located;
}

int MatchNavigatorExecutable(const char16_t* folder, const char16_t* name, void* context,
                             int /*reserved*/) {
    bool accepted = false;
    for (const char16_t* executable : kExecutableNames) accepted |= EqualNoCase(name, executable);
    if (!accepted) return 1;

    auto& path = *static_cast<char16_t(*)[platform::kMaxPath]>(context);
    if (!JoinFolderPath(path, folder, name)) return 1;
    if (platform::CurrentPlatform().GetFileAttributes(path) == platform::kInvalidAttributes) {
        return 1;
    }
    return 0;
}

bool LaunchNavigator() {
    char16_t path[platform::kMaxPath];
    {
        std::lock_guard<std::mutex> hold(State().lock);
        std::copy(std::begin(State().navigatorPath), std::end(State().navigatorPath), path);
    }
    if (path[0] == u'\0') return false;
    return platform::CurrentPlatform().StartProcess(path) == platform::Error::kNone;
}

}  // namespace oxsdk::navigator
