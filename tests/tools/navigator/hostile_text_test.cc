// Whatever bytes a client's texts hold, the live view's JSON stays valid UTF-8, publishing never
// throws, and the log shows control characters escaped.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "live_state.h"
#include "navigator_fixture.h"
#include "text_folding.h"

namespace oxsdk::emulator::testing {
namespace {

using nlohmann::json;

TEST(HostileText, OnlyWellFormedUtf8IsKeptAndAnyOtherByteIsReadAsLatin1) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\xe0\x80\x80", "\xc3\xa0\xc2\x80\xc2\x80"},              // overlong U+0000
        {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                          // overlong "/"
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},              // surrogate U+D800
        {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80"},  // above U+10FFFF
        {"\xf0\x80\x80\xaf", "\xc3\xb0\xc2\x80\xc2\x80\xc2\xaf"},  // overlong in four bytes
        {"\xed\x9f\xbf \xee\x80\x80 \xf0\x9f\x98\x80 \xc3\xa9",
         "\xed\x9f\xbf \xee\x80\x80 \xf0\x9f\x98\x80 \xc3\xa9"}};  // valid: kept
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ToUtf8(text), expected) << json(expected).dump();
    }
}

TEST(HostileText, TheLiveStateOfAnyStoredTextIsValidJson) {
    CTemporaryFolder folder;
    CLog log;
    log.CaptureInMemory();
    CUserDataStore store(folder.path(), "data");
    CSimulationClock clock(1.0, 1780000000.0);
    CEmulatedNavigator navigator(ShippedGazetteer(), store, clock, log, {52.370216, 4.895168}, {});
    // Stored as they came, as texts loaded from an older data file could be.
    navigator.model().FlashMessage("\xe0\x80\x80", 5);
    ASSERT_TRUE(store.SetFavorite(1, {"\xed\xa0\x80", "\xff", 52000000, 5000000}));
    CLiveState state;
    state.Latest(std::chrono::milliseconds(0));
    ASSERT_NO_THROW(state.Publish(navigator));
    const json published = json::parse(state.Latest(std::chrono::milliseconds(0))->stateJson);
    EXPECT_EQ(published["message"]["text"], "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(published["favorites"][0]["name"], "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(published["favorites"][0]["description"], "\xef\xbf\xbd");
}

TEST(HostileText, TheLogEscapesControlCharacters) {
    CLog log;
    log.CaptureInMemory();
    log.Info(std::string("a\x1b[2Jb\rc\nd\te\x7f\x00z\xc3\xa9\xc2\x9b\\Ostrel", 26));
    EXPECT_EQ(log.lines(), "a\\x1B[2Jb\\rc\\nd\\te\\x7F\\x00z\xc3\xa9\\u009B\\Ostrel\n");
}

}  // namespace
}  // namespace oxsdk::emulator::testing
