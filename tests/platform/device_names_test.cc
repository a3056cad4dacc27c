#include "platform/device_names.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace oxsdk::platform {
namespace {

// Beyond the listings of the platform contract test: empty names, backtracking, case beyond ASCII.
TEST(DeviceNamesTest, PatternsMatchAsOnTheDevice) {
    const struct {
        const char16_t* pattern;
        const char16_t* name;
        bool matches;
    } cases[] = {
        {u"*", u"", true},
        {u"*.exe*", u"nav.exe.old", true},
        {u"nav.*", u"nav", true},
        {u"nav.*", u"navx", false},
        {u"?", u"ab", false},
        {u"*a*a", u"banana", true},
        {u"*a*a", u"bananas", false},
        {u"\u00c9t\u00e9", u"\u00e9T\u00c9", true},
        {u"x\u00d7", u"x\u00f7", false},  // multiplication and division signs are not a pair
        {u"app.nav.*.finished", u"app.NAV.1234.7.FINISHED", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesNamePattern(c.pattern, c.name), c.matches)
            << std::string(c.pattern, c.pattern + std::char_traits<char16_t>::length(c.pattern));
    }
}

// Splitting itself serves every operation of the fake, in the platform contract test.
TEST(DeviceNamesTest, RefusesTooLongPaths) {
    std::vector<std::u16string> parts;
    std::u16string longest = u"\\" + std::u16string(kMaxPath - 2, u'a');
    EXPECT_TRUE(SplitDevicePath(longest.c_str(), &parts));
    EXPECT_FALSE(SplitDevicePath((longest + u"a").c_str(), &parts));
    EXPECT_FALSE(SplitDevicePath(nullptr, &parts));
    EXPECT_TRUE(parts.empty());
}

}  // namespace
}  // namespace oxsdk::platform
