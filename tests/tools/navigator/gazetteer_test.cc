// The gazetteer and the text folding it matches with (addresses are shown through the geocoding
// commands, malformed data files are left to the gazetteer fuzzer's corpus); hostile bytes in
// texts: read as valid UTF-8, escaped in the log (in the live view's JSON: live_state_test.cc).
#include "gazetteer.h"

#include <gtest/gtest.h>

#include "log.h"
#include "navigator_fixture.h"
#include "text_folding.h"

namespace oxsdk::emulator::testing {
namespace {

TEST(TextFolding, FoldsNamesAndCutsReplyTextsAtCharacterBoundaries) {
    EXPECT_EQ(FoldText(" 's-Hertogenbosch"), "shertogenbosch");
    EXPECT_EQ(FoldText("Dessau-Ro\xDFlau"), "dessaurosslau");  // Latin-1 as well as UTF-8
    EXPECT_EQ(ReplyText("a|b", 10), "a/b");                    // without the separator
    EXPECT_EQ(ReplyText("abcö", 4), "abc");                    // "ö" takes two bytes
    EXPECT_EQ(ReplyText("abö", 4), "abö");
}

TEST(Gazetteer, FindsPlacesByNameOrPostalCodeWithinACountryOrByPosition) {
    const CGazetteer& gazetteer = ShippedGazetteer();
    // {name or postal code, country, place found ("" for none)}; names match folded, also by
    // an alternative name, the most populous first; Dutch codes match by their 4-digit area,
    // British by the outward code.
    const std::vector<std::tuple<std::string, std::string, std::string>> byName = {
        {"The Hague", "", "Den Haag"},
        {"muenchen", "DE", "München"},
        {"Frankfurt", "", "Frankfurt am Main"},
        {"Brussels", "BE", "Brussel"},
        {"Utrecht", "DE", ""},
        {"", "", ""}};
    for (const auto& [name, country, expected] : byName) {
        const TPlace* place = gazetteer.FindByName(name, country);
        EXPECT_EQ(place != nullptr ? place->name : "", expected) << name;
    }
    const std::vector<std::tuple<std::string, std::string, std::string>> byCode = {
        {"1012 AB", "NL", "Amsterdam"},
        {"M1 1AE", "", "Manchester"},
        {"04109", "", "Leipzig"},
        {"3511", "DE", ""},
        {"ZZ9", "", ""}};
    for (const auto& [code, country, expected] : byCode) {
        const TPlace* place = gazetteer.FindByPostalCode(code, country);
        EXPECT_EQ(place != nullptr ? place->name : "", expected) << code;
    }
    EXPECT_EQ(gazetteer.Nearest({52.09, 5.12})->name, "Utrecht");
    EXPECT_EQ(gazetteer.Nearest({51.50, -0.12})->name, "London");
    EXPECT_EQ(CGazetteer().Nearest({0, 0}), nullptr);
}

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
        EXPECT_EQ(ToUtf8(text), expected) << ::testing::PrintToString(text);
    }
}

TEST(HostileText, TheLogEscapesControlCharacters) {
    CLog log;
    log.CaptureInMemory();
    log.Info(std::string("a\x1b[2Jb\rc\nd\te\x7f\x00z\xc3\xa9\xc2\x9b\\Ostrel", 26));
    EXPECT_EQ(log.lines(), "a\\x1B[2Jb\\rc\\nd\\te\\x7F\\x00z\xc3\xa9\\u009B\\Ostrel\n");
}

}  // namespace
}  // namespace oxsdk::emulator::testing
