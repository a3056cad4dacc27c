// The gazetteer: the places the navigator emulator knows, with their position and postal code,
// loaded from a CSV data file (data/places.csv). The geocoder looks places up by name or postal
// code; location queries ask for the place nearest to a point.
//
// File format: one place per line, "#" lines and the header line "name,..." are skipped:
//   name,alternative names (";"-separated),country code,region,postal code,latitude,longitude,
//   population
// Latitude (-90..90) and longitude (-180..180) in decimal degrees, population 0..kMaxPopulation
// (a fraction is dropped). Fields hold no commas. A line out of format or range stops the load
// with a message that names the line and the field.
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "geo.h"

namespace oxsdk::emulator {

/// Largest population a place may have.
constexpr double kMaxPopulation = 2e9;
/// Largest gazetteer file.
constexpr std::size_t kMaxGazetteerBytes = 64u * 1024u * 1024u;

struct TPlace {
    std::string name;
    std::vector<std::string> alternativeNames;
    std::string country;  ///< ISO 3166 alpha-2
    std::string region;
    std::string postalCode;  ///< as written in the data file ("1012", "SW1A", "75001")
    TGeoPoint point;
    long population = 0;
};

class CGazetteer {
public:
    /// Reads places from `path`, a regular file of at most kMaxGazetteerBytes (a FIFO or device
    /// is refused at once); false with a message naming the line on a malformed file.
    bool LoadFile(const std::string& path, std::string* error);
    /// Reads places from a stream in the data file format.
    bool Load(std::istream& in, std::string* error);
    /// Adds one place.
    void Add(TPlace place);

    /// The place whose name or alternative name matches `name` (case, accents and punctuation
    /// aside), limited to `country` (a code; empty for any). Among several, the most populous.
    const TPlace* FindByName(std::string_view name, std::string_view country) const;
    /// The place of postal code `code`: the same code (spaces and case aside); else the place
    /// whose code is the first word of `code`; else the place with the longest code of at
    /// least two characters that begins `code` ("1012AB" finds "1012"). Null when none.
    const TPlace* FindByPostalCode(std::string_view code, std::string_view country) const;
    /// The place nearest to `point` by great-circle distance; null when the gazetteer is empty.
    const TPlace* Nearest(const TGeoPoint& point) const;

    std::size_t size() const { return places_.size(); }
    const std::vector<TPlace>& places() const { return places_; }

private:
    struct TKeys {
        std::vector<std::string> names;  // folded name and alternative names, also with
                                         // umlauts as digraphs
        std::string postalCode;          // folded postal code
    };
    std::vector<TPlace> places_;
    std::vector<TKeys> keys_;
};

}  // namespace oxsdk::emulator
