#include "geocoder.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>

#include "text_folding.h"

namespace oxsdk::emulator {
namespace {

constexpr int kPlaceAccuracyMetres = 2000;
constexpr int kStreetAccuracyMetres = 250;
constexpr int kPostalCodeAccuracyMetres = 1000;

std::string Trim(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    const std::size_t end = text.find_last_not_of(" \t");
    return std::string(text.substr(begin, end - begin + 1));
}

std::uint64_t Hash(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

// A point near the place's centre, fixed by the street and house number: within about 3 km of
// the centre of a large city, 1.5 km of a small town.
TGeoPoint StreetPoint(const TPlace& place, const std::string& street, const std::string& number) {
    const std::uint64_t hash =
        Hash(FoldText(street) + "#" + FoldText(number) + "@" + FoldText(place.name));
    const double bearing = static_cast<double>(hash % 3600) / 10.0;
    const double reach = std::clamp(
        1500.0 * std::sqrt(static_cast<double>(place.population) / 100000.0), 800.0, 3000.0);
    const double distance = 150.0 + static_cast<double>((hash >> 16) % 1000) / 1000.0 * reach;
    return Destination(place.point, bearing, distance);
}

std::string AreaLine(const TPlace& place) {
    return place.region.empty() ? CountryName(place.country)
                                : place.region + ", " + CountryName(place.country);
}

std::string Join(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return a + " " + b;
}

// Matches the country argument: empty stays empty (any country); an unknown name fails.
bool CountryFilter(std::string_view country, std::string* code) {
    code->clear();
    if (Trim(country).empty()) return true;
    *code = CountryCode(country);
    return !code->empty();
}

TGeocodeMatch Locate(const TPlace& place, const std::string& street, const std::string& number,
                     int placeAccuracy) {
    TGeocodeMatch match;
    match.place = &place;
    if (street.empty() && number.empty()) {
        match.point = place.point;
        match.accuracyMetres = placeAccuracy;
    } else {
        match.point = StreetPoint(place, street, number);
        match.accuracyMetres = kStreetAccuracyMetres;
    }
    const std::string streetPart = Join(street, number);
    const std::string placePart = Join(place.postalCode, place.name);
    match.addressLine = streetPart.empty() ? placePart : streetPart + ", " + placePart;
    match.areaLine = AreaLine(place);
    return match;
}

}  // namespace

void CGeocoder::SplitStreet(std::string_view text, std::string* street, std::string* number) {
    const std::string trimmed = Trim(text);
    street->clear();
    number->clear();
    const std::size_t lastSpace = trimmed.find_last_of(' ');
    const std::size_t firstSpace = trimmed.find_first_of(' ');
    const auto startsWithDigit = [](const std::string& word) {
        return !word.empty() && std::isdigit(static_cast<unsigned char>(word[0]));
    };
    if (lastSpace != std::string::npos && startsWithDigit(trimmed.substr(lastSpace + 1))) {
        *street = Trim(trimmed.substr(0, lastSpace));
        *number = trimmed.substr(lastSpace + 1);
    } else if (firstSpace != std::string::npos && startsWithDigit(trimmed.substr(0, firstSpace))) {
        *number = trimmed.substr(0, firstSpace);
        *street = Trim(trimmed.substr(firstSpace + 1));
    } else {
        *street = trimmed;
    }
}

std::optional<TGeocodeMatch> CGeocoder::Address(std::string_view street,
                                                std::string_view houseNumber,
                                                std::string_view place,
                                                std::string_view country) const {
    std::string code;
    if (!CountryFilter(country, &code)) return std::nullopt;
    const TPlace* found = gazetteer_.FindByName(place, code);
    if (found == nullptr) return std::nullopt;
    return Locate(*found, Trim(street), Trim(houseNumber), kPlaceAccuracyMetres);
}

std::optional<TGeocodeMatch> CGeocoder::PostalCode(std::string_view postalCode,
                                                   std::string_view houseNumber,
                                                   std::string_view country) const {
    std::string code;
    if (!CountryFilter(country, &code)) return std::nullopt;
    const TPlace* found = gazetteer_.FindByPostalCode(postalCode, code);
    if (found == nullptr) return std::nullopt;
    TGeocodeMatch match = Locate(*found, "", Trim(houseNumber), kPostalCodeAccuracyMetres);
    if (!Trim(houseNumber).empty()) {
        match.point = StreetPoint(*found, FoldPostalCode(postalCode), Trim(houseNumber));
        match.accuracyMetres = kPostalCodeAccuracyMetres;
    }
    match.addressLine = Join(Trim(postalCode), found->name);
    if (!Trim(houseNumber).empty())
        match.addressLine = Trim(houseNumber) + ", " + match.addressLine;
    return match;
}

}  // namespace oxsdk::emulator
