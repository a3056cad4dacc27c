// The gazetteer and the text folding it matches with: name and postal code look-ups, nearest
// place, and street addresses. Malformed data files are left to the gazetteer fuzzer's corpus.
#include "gazetteer.h"

#include <gtest/gtest.h>

#include "geocoder.h"
#include "navigator_fixture.h"
#include "text_folding.h"

namespace oxsdk::emulator::testing {
namespace {

TEST(TextFolding, FoldsNamesCutsReplyTextsAndKnowsCountries) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"MÜNCHEN", "munchen"},
        {"K\xF6ln", "koln"},
        {"'s-Hertogenbosch", "shertogenbosch"},
        {"Dessau-Roßlau", "dessaurosslau"},
        {"  DEN haag ", "denhaag"}};
    for (const auto& [text, folded] : cases) EXPECT_EQ(FoldText(text), folded) << text;
    EXPECT_EQ(FoldText("Düsseldorf", true), "duesseldorf");
    EXPECT_EQ(FoldPostalCode(" 1012 ab"), "1012AB");
    // Reply texts are cut at character boundaries and lose the separator.
    EXPECT_EQ(ReplyText("a|b", 10), "a/b");
    EXPECT_EQ(ReplyText("abcö", 4), "abc");  // "ö" takes two bytes
    EXPECT_EQ(ReplyText("abö", 4), "abö");
    for (const auto& [text, code] : std::vector<std::pair<std::string, std::string>>{
             {"nl", "NL"}, {"The Netherlands", "NL"}, {"Deutschland", "DE"}, {"Narnia", ""}}) {
        EXPECT_EQ(CountryCode(text), code) << text;
    }
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

TEST(Geocoder, StreetsLandNearTheirPlaceStayPutAndSplitFromTheirNumber) {
    const CGeocoder geocoder(ShippedGazetteer());
    const auto first = geocoder.Address("Domplein", "9", "Utrecht", "");
    const auto again = geocoder.Address("domplein ", "9", "UTRECHT", "nl");
    const auto centre = geocoder.Address("", "", "Utrecht", "");
    ASSERT_TRUE(first && again && centre);
    EXPECT_EQ(ToMicrodegrees(first->point.latitude), ToMicrodegrees(again->point.latitude));
    EXPECT_LT(DistanceMetres(first->point, centre->point), 3200.0);
    EXPECT_EQ(centre->accuracyMetres, 2000);
    for (const auto& [text, street, number] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"10 Downing Street", "Downing Street", "10"},
             {"Rue de Rivoli 12b", "Rue de Rivoli", "12b"},
             {"Kalverstraat", "Kalverstraat", ""}}) {
        std::string s, n;
        CGeocoder::SplitStreet(text, &s, &n);
        EXPECT_EQ(s + "/" + n, street + "/" + number) << text;
    }
}

}  // namespace
}  // namespace oxsdk::emulator::testing
