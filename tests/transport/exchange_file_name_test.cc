#include <string>

#include <gtest/gtest.h>

#include "transport/exchange_file_name.h"

namespace {

using namespace oxsdk::transport;

TEST(ExchangeFileNameTest, FormatsUnsignedNumbersAndRefusesWhatDoesNotFit) {
    char name[kFileNameCapacity];
    ASSERT_TRUE(FormatExchangeFileName(name, EExchangeFile::kMessage, "app", "nav", 1234, 7));
    EXPECT_STREQ("app.nav.1234.7.message", name);
    ASSERT_TRUE(FormatExchangeFileName(name, EExchangeFile::kMarker, "", "nav", -1, -2));
    EXPECT_STREQ(".nav.4294967295.4294967294.finished", name);
    std::string half(120, 'h');
    EXPECT_FALSE(
        FormatExchangeFileName(name, EExchangeFile::kMarker, half.c_str(), half.c_str(), 1234, 7));
    EXPECT_STREQ("", name);
}

TEST(ExchangeFileNameTest, AcceptsOnlyMarkersThatFormatBackToThemselves) {
    const std::string longest(255 - std::string(".nav.1.1.finished").size(), 'w');
    struct Case {
        std::string entry;
        bool accepted;
        std::string writer = {}, reader = {};
        int pid = 0, sequence = 0;
    } cases[] = {
        {"app.nav.1234.7.finished", true, "app", "nav", 1234, 7},
        {"app.NAV.1234.7.finished", true, "app", "NAV", 1234, 7},
        {".nav.1234.7.finished", true, "", "nav", 1234, 7},
        {"app.nav.0.0.finished", true, "app", "nav", 0, 0},
        {"app.nav.4294967294.7.finished", true, "app", "nav", -2, 7},
        {longest + ".nav.1.1.finished", true, longest, "nav", 1, 1},
        {"w" + longest + ".nav.1.1.finished", false},
        {"app.nav.1234.7.message", false},
        {"app.nav.1234.7.FINISHED", false},
        {"app.nav.1234.finished", false},
        {"nav.app.1234.7.finished", false},
        {"app.navx.1234.7.finished", false},
        {"app.nav.01234.7.finished", false},
        {"app.nav.1234.+7.finished", false},
        {"app.nav.-1234.7.finished", false},
        {"app.nav. 1234.7.finished", false},
        {"app.nav.1234.7x.finished", false},
        {"app.nav.1234.7.x.finished", false},
        {"app.nav.1234..finished", false},
        {"app.nav.4294967295.7.finished", false},
        {"app.nav.4294967296.7.finished", false},
        {".finished", false},
        {"", false},
    };
    for (const Case& c : cases) {
        TMarkerFields fields{};
        const bool accepted = ParseMarkerName(c.entry.c_str(), "nav", &fields);
        EXPECT_EQ(c.accepted, accepted) << c.entry;
        if (!accepted || !c.accepted) continue;
        EXPECT_EQ(c.writer, fields.writer);
        EXPECT_EQ(c.reader, fields.reader);
        EXPECT_EQ(c.pid, fields.pid);
        EXPECT_EQ(c.sequence, fields.sequence);
    }
}

}  // namespace
