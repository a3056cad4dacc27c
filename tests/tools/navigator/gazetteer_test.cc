// The gazetteer and the text folding it matches with: the shipped data file, name and postal
// code look-ups, nearest place, and malformed files.
#include "gazetteer.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "geocoder.h"
#include "navigator_fixture.h"
#include "text_folding.h"

namespace oxsdk::emulator::testing {
namespace {

TEST(TextFolding, FoldsNamesCutsReplyTextsAndKnowsCountries) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Köln", "koln"},
        {"MÜNCHEN", "munchen"},
        {"K\xF6ln", "koln"},
        {"'s-Hertogenbosch", "shertogenbosch"},
        {"Saint-Étienne", "saintetienne"},
        {"Gießen", "giessen"},
        {"Dessau-Roßlau", "dessaurosslau"},
        {"  DEN haag ", "denhaag"},
        {"Œuvre", "oeuvre"}};
    for (const auto& [text, folded] : cases) EXPECT_EQ(FoldText(text), folded) << text;
    EXPECT_EQ(FoldText("Düsseldorf", true), "duesseldorf");
    EXPECT_EQ(FoldPostalCode(" 1012 ab"), "1012AB");
    // Reply texts are cut at character boundaries and lose the separator.
    EXPECT_EQ(ReplyText("a|b", 10), "a/b");
    EXPECT_EQ(ReplyText("abcdef", 4), "abcd");
    EXPECT_EQ(ReplyText("abcö", 4), "abc");  // "ö" takes two bytes
    EXPECT_EQ(ReplyText("abö", 4), "abö");
    EXPECT_EQ(ToUtf8("K\xF6ln"), "Köln");
    EXPECT_EQ(ToUtf8("Köln"), "Köln");
    const std::vector<std::pair<std::string, std::string>> countries = {
        {"nl", "NL"},      {"The Netherlands", "NL"}, {"Deutschland", "DE"},
        {"England", "GB"}, {"Belgique", "BE"},        {"Narnia", ""},
        {"", ""}};
    for (const auto& [text, code] : countries) EXPECT_EQ(CountryCode(text), code) << text;
    EXPECT_EQ(CountryName("GB"), "United Kingdom");
}

TEST(Gazetteer, ShippedDataHoldsHundredsOfValidPlaces) {
    const CGazetteer& gazetteer = ShippedGazetteer();
    EXPECT_GE(gazetteer.size(), 300u);
    std::set<std::string> countries, keys;
    for (const TPlace& place : gazetteer.places()) {
        countries.insert(place.country);
        EXPECT_FALSE(place.postalCode.empty()) << place.name;
        EXPECT_TRUE(IsValidPoint(place.point)) << place.name;
        // Western Europe: no place outside the area of the data set (catches swapped axes).
        EXPECT_GT(place.point.latitude, 41.0) << place.name;
        EXPECT_LT(place.point.latitude, 59.0) << place.name;
        EXPECT_GT(place.point.longitude, -8.0) << place.name;
        EXPECT_LT(place.point.longitude, 15.5) << place.name;
        EXPECT_TRUE(keys.insert(place.country + FoldText(place.name)).second) << place.name;
    }
    EXPECT_EQ(countries, (std::set<std::string>{"BE", "DE", "FR", "GB", "LU", "NL"}));
}

TEST(Gazetteer, FindsPlacesByNameOrPostalCodeWithinACountryOrByPosition) {
    const CGazetteer& gazetteer = ShippedGazetteer();
    // {name or postal code, country, place found ("" for none)}; names match folded, also by
    // an alternative name; Dutch codes match by their 4-digit area, British by the outward code.
    const std::vector<std::tuple<std::string, std::string, std::string>> byName = {
        {"utrecht", "", "Utrecht"},
        {"The Hague", "", "Den Haag"},
        {"muenchen", "DE", "München"},
        {"KOELN", "", "Köln"},
        {"Frankfurt", "", "Frankfurt am Main"},
        {"Frankfurt an der Oder", "", "Frankfurt (Oder)"},
        {"Brussels", "BE", "Brussel"},
        {"Utrecht", "DE", ""},
        {"Atlantis", "", ""},
        {"", "", ""}};
    for (const auto& [name, country, expected] : byName) {
        const TPlace* place = gazetteer.FindByName(name, country);
        EXPECT_EQ(place != nullptr ? place->name : "", expected) << name;
    }
    const std::vector<std::tuple<std::string, std::string, std::string>> byCode = {
        {"3511", "", "Utrecht"},
        {"1012 AB", "NL", "Amsterdam"},
        {"1012ab", "", "Amsterdam"},
        {"M1 1AE", "", "Manchester"},
        {"75001", "FR", "Paris"},
        {"04109", "", "Leipzig"},
        {"3511", "DE", ""},
        {"ZZ9", "", ""},
        {" ", "", ""}};
    for (const auto& [code, country, expected] : byCode) {
        const TPlace* place = gazetteer.FindByPostalCode(code, country);
        EXPECT_EQ(place != nullptr ? place->name : "", expected) << code;
    }
    EXPECT_EQ(gazetteer.Nearest({52.09, 5.12})->name, "Utrecht");
    EXPECT_EQ(gazetteer.Nearest({51.50, -0.12})->name, "London");
    EXPECT_EQ(CGazetteer().Nearest({0, 0}), nullptr);
}

// Out-of-range values and empty names are checked by the gazetteer fuzzer on its corpus.
TEST(Gazetteer, RejectsMalformedLines) {
    const std::vector<std::string> bad = {
        "Nowhere,,NL,Region,1000,52.0\n",           // too few fields
        "Nowhere,,NL,Region,1000,north,5.0,100\n",  // not a number
    };
    for (const std::string& text : bad) {
        CGazetteer gazetteer;
        std::istringstream in("# comment\nname,alternatives\n" + text);
        std::string error;
        EXPECT_FALSE(gazetteer.Load(in, &error)) << text;
        EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    }
    CGazetteer gazetteer;
    std::string error;
    EXPECT_FALSE(gazetteer.LoadFile("/nonexistent/places.csv", &error));
}

TEST(Geocoder, StreetsLandNearTheirPlaceStayPutAndSplitFromTheirNumber) {
    const CGeocoder geocoder(ShippedGazetteer());
    const auto first = geocoder.Address("Domplein", "9", "Utrecht", "");
    const auto again = geocoder.Address("domplein ", "9", "UTRECHT", "nl");
    const auto other = geocoder.Address("Oudegracht", "9", "Utrecht", "");
    const auto centre = geocoder.Address("", "", "Utrecht", "");
    ASSERT_TRUE(first && again && other && centre);
    EXPECT_EQ(ToMicrodegrees(first->point.latitude), ToMicrodegrees(again->point.latitude));
    EXPECT_GT(DistanceMetres(first->point, other->point), 1.0);
    EXPECT_LT(DistanceMetres(first->point, centre->point), 3200.0);
    EXPECT_EQ(centre->addressLine, "3511 Utrecht");
    EXPECT_EQ(centre->accuracyMetres, 2000);
    EXPECT_EQ(first->accuracyMetres, 250);
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"Domplein 9", "Domplein", "9"},
        {"10 Downing Street", "Downing Street", "10"},
        {"Rue de Rivoli 12b", "Rue de Rivoli", "12b"},
        {"Kalverstraat", "Kalverstraat", ""},
        {"", "", ""}};
    for (const auto& [text, street, number] : cases) {
        std::string s, n;
        CGeocoder::SplitStreet(text, &s, &n);
        EXPECT_EQ(s, street) << text;
        EXPECT_EQ(n, number) << text;
    }
}

}  // namespace
}  // namespace oxsdk::emulator::testing
