#include "gazetteer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "gps_input.h"
#include "text_folding.h"

namespace oxsdk::emulator {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

std::string Trim(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    const std::size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// Field `index` of a place line read as a number in low..high; otherwise false with a message
// that names the field, the text and the range (NaN and infinities are outside every range).
bool ReadNumber(const std::vector<std::string>& fields, std::size_t index, const char* name,
                double low, double high, double* value, std::string* error) {
    const std::string text = Trim(fields[index]);
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != '\0') {
        *error = std::string(name) + " \"" + text + "\" is not a number";
        return false;
    }
    if (!(*value >= low && *value <= high)) {
        char range[64];
        std::snprintf(range, sizeof range, " lies outside %g..%g", low, high);
        *error = std::string(name) + " " + text + range;
        return false;
    }
    return true;
}

bool InCountry(const TPlace& place, std::string_view country) {
    return country.empty() || place.country == country;
}

}  // namespace

bool CGazetteer::LoadFile(const std::string& path, std::string* error) {
    std::string text;
    if (!ReadBoundedFile(path, kMaxGazetteerBytes, &text, error)) return false;
    std::istringstream in(std::move(text));
    if (!Load(in, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

bool CGazetteer::Load(std::istream& in, std::string* error) {
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line.rfind("name,", 0) == 0) continue;
        const std::vector<std::string> fields = Split(line, ',');
        const std::string where = "line " + std::to_string(number) + ": ";
        if (fields.size() != 8) {
            *error =
                where + "expected 8 fields " +
                "(name,alternatives,country,region,postal code,latitude,longitude,population)" +
                ", found " + std::to_string(fields.size());
            return false;
        }
        TPlace place;
        double latitude = 0, longitude = 0, population = 0;
        std::string problem;
        if (!ReadNumber(fields, 5, "latitude", -90.0, 90.0, &latitude, &problem) ||
            !ReadNumber(fields, 6, "longitude", -180.0, 180.0, &longitude, &problem) ||
            !ReadNumber(fields, 7, "population", 0.0, kMaxPopulation, &population, &problem)) {
            *error = where + problem;
            return false;
        }
        place.name = Trim(fields[0]);
        for (const std::string& alternative : Split(fields[1], ';')) {
            if (!Trim(alternative).empty()) place.alternativeNames.push_back(Trim(alternative));
        }
        place.country = Trim(fields[2]);
        place.region = Trim(fields[3]);
        place.postalCode = Trim(fields[4]);
        place.point = TGeoPoint{latitude, longitude};
        place.population = static_cast<long>(population);
        if (place.name.empty()) {
            *error = where + "empty name";
            return false;
        }
        Add(std::move(place));
    }
    return true;
}

void CGazetteer::Add(TPlace place) {
    TKeys keys;
    std::vector<std::string> names{place.name};
    names.insert(names.end(), place.alternativeNames.begin(), place.alternativeNames.end());
    for (const std::string& name : names) {
        for (bool umlautDigraphs : {false, true}) {
            const std::string key = FoldText(name, umlautDigraphs);
            if (std::find(keys.names.begin(), keys.names.end(), key) == keys.names.end()) {
                keys.names.push_back(key);
            }
        }
    }
    keys.postalCode = FoldPostalCode(place.postalCode);
    places_.push_back(std::move(place));
    keys_.push_back(std::move(keys));
}

const TPlace* CGazetteer::FindByName(std::string_view name, std::string_view country) const {
    const std::string folded = FoldText(name);
    if (folded.empty()) return nullptr;
    const TPlace* best = nullptr;
    for (std::size_t i = 0; i < places_.size(); ++i) {
        if (!InCountry(places_[i], country)) continue;
        for (const std::string& key : keys_[i].names) {
            if (key == folded && (best == nullptr || places_[i].population > best->population)) {
                best = &places_[i];
            }
        }
    }
    return best;
}

const TPlace* CGazetteer::FindByPostalCode(std::string_view code, std::string_view country) const {
    const std::string folded = FoldPostalCode(code);
    if (folded.empty()) return nullptr;
    const std::string trimmed = Trim(std::string(code));
    const std::string firstWord = FoldPostalCode(trimmed.substr(0, trimmed.find_first_of(" \t")));
    const TPlace* firstWordMatch = nullptr;
    const TPlace* prefixMatch = nullptr;
    std::size_t prefixLength = 0;
    for (std::size_t i = 0; i < places_.size(); ++i) {
        if (!InCountry(places_[i], country)) continue;
        const std::string& key = keys_[i].postalCode;
        if (key.empty()) continue;
        if (key == folded) return &places_[i];
        if (firstWordMatch == nullptr && key == firstWord) firstWordMatch = &places_[i];
        if (key.size() >= 2 && key.size() > prefixLength && folded.rfind(key, 0) == 0) {
            prefixMatch = &places_[i];
            prefixLength = key.size();
        }
    }
    return firstWordMatch != nullptr ? firstWordMatch : prefixMatch;
}

const TPlace* CGazetteer::Nearest(const TGeoPoint& point) const {
    const TPlace* best = nullptr;
    double bestDistance = 0;
    for (const TPlace& place : places_) {
        const double distance = DistanceMetres(point, place.point);
        if (best == nullptr || distance < bestDistance) {
            best = &place;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace oxsdk::emulator
