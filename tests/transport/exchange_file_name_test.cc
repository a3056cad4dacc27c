#include <string>

#include <gtest/gtest.h>

#include "transport/exchange_file_name.h"

namespace {

using namespace oxsdk::transport;
using namespace std::string_literals;

TEST(ExchangeFileNameTest, AcceptsOnlyMarkersThatFormatBackToThemselves) {
    const std::string longest(255 - std::string(".nav.1.1.finished").size(), 'w');
    struct Case {
        std::string entry, writer, reader;
        int pid, sequence;
    } cases[] = {
        {"app.nav.1234.7.finished", "app", "nav", 1234, 7},
        {"app.NAV.1234.7.finished", "app", "NAV", 1234, 7},
        {".nav.1234.7.finished", "", "nav", 1234, 7},
        {"app.nav.0.0.finished", "app", "nav", 0, 0},
        {"app.nav.4294967294.7.finished", "app", "nav", -2, 7},
        {longest + ".nav.1.1.finished", longest, "nav", 1, 1},
    };
    for (const Case& c : cases) {
        TMarkerFields fields{};
        ASSERT_TRUE(ParseMarkerName(c.entry.c_str(), "nav", &fields)) << c.entry;
        EXPECT_EQ(c.writer, fields.writer);
        EXPECT_EQ(c.reader, fields.reader);
        EXPECT_EQ(c.pid, fields.pid);
        EXPECT_EQ(c.sequence, fields.sequence);
    }
    for (const std::string& entry :
         {"w" + longest + ".nav.1.1.finished", "app.nav.1234.7.message"s,
          "app.nav.1234.7.FINISHED"s, "app.nav.1234.finished"s, "nav.app.1234.7.finished"s,
          "app.navx.1234.7.finished"s, "app.nav.01234.7.finished"s, "app.nav.1234.+7.finished"s,
          "app.nav.-1234.7.finished"s, "app.nav. 1234.7.finished"s, "app.nav.1234.7x.finished"s,
          "app.nav.1234.7.x.finished"s, "app.nav.1234..finished"s, "app.nav.4294967295.7.finished"s,
          "app.nav.4294967296.7.finished"s, ".finished"s, ""s}) {
        TMarkerFields fields{};
        EXPECT_FALSE(ParseMarkerName(entry.c_str(), "nav", &fields)) << entry;
    }
}

}  // namespace
