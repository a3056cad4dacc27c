#include "platform/device_names.h"

#include "platform/platform.h"

namespace oxsdk::platform {
namespace {

char16_t FoldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    // Latin-1 capitals, except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    return c;
}

bool MatchWildcards(std::u16string_view pattern, std::u16string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starAt = std::u16string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::u16string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace

bool SplitDevicePath(const char16_t* path, std::vector<std::u16string>* components) {
    components->clear();
    if (path == nullptr || path[0] != u'\\') return false;
    int length = 0;
    while (path[length] != u'\0') {
        if (++length >= kMaxPath) return false;
    }
    std::u16string_view rest(path + 1, static_cast<std::size_t>(length - 1));
    if (rest.empty()) return true;
    while (true) {
        std::size_t end = rest.find(u'\\');
        std::u16string_view part = rest.substr(0, end);
        if (part.empty() || part == u"." || part == u".." ||
            part.find(u'/') != std::u16string_view::npos) {
            components->clear();
            return false;
        }
        components->emplace_back(part);
        if (end == std::u16string_view::npos) return true;
        rest.remove_prefix(end + 1);
    }
}

bool TrimFolderPath(const char16_t* folder, char16_t (&trimmed)[kMaxPath]) {
    int length = 0;
    while (folder[length] != u'\0' && length < kMaxPath - 1) {
        trimmed[length] = folder[length];
        ++length;
    }
    if (folder[length] != u'\0') return false;
    if (length > 1 && trimmed[length - 1] == u'\\') --length;
    trimmed[length] = u'\0';
    return true;
}

bool SameDeviceName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

bool MatchesNamePattern(std::u16string_view pattern, std::u16string_view name) {
    if (MatchWildcards(pattern, name)) return true;
    constexpr std::u16string_view kAnyExtension = u".*";
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == kAnyExtension) {
        return MatchWildcards(pattern.substr(0, pattern.size() - 2), name);
    }
    return false;
}

}  // namespace oxsdk::platform
