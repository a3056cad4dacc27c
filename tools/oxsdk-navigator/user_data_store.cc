#include "user_data_store.h"

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "host_files.h"

namespace oxsdk::emulator {
namespace {

using nlohmann::json;

std::string Dump(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

// The whole number at `key` of `entry` when it lies in [low, high]; throws otherwise (a
// fraction, 1e300 or a number beyond 64 bits never reaches a conversion).
std::int64_t WholeNumber(const json& entry, const char* key, std::int64_t low, std::int64_t high) {
    const json& value = entry.at(key);
    bool inRange = false;
    std::int64_t number = 0;
    if (value.is_number_unsigned()) {
        const std::uint64_t magnitude = value.get<std::uint64_t>();
        inRange = magnitude <= static_cast<std::uint64_t>(high) && high >= 0;
        number = inRange ? static_cast<std::int64_t>(magnitude) : 0;
    } else if (value.is_number_integer()) {
        number = value.get<std::int64_t>();
        inRange = number >= low && number <= high;
    }
    if (!inRange) {
        throw std::out_of_range(std::string("\"") + key + "\" is not a whole number from " +
                                std::to_string(low) + " to " + std::to_string(high));
    }
    return number;
}

std::int32_t Latitude(const json& entry) {
    return static_cast<std::int32_t>(WholeNumber(entry, "latitude", -90000000, 90000000));
}

std::int32_t Longitude(const json& entry) {
    return static_cast<std::int32_t>(WholeNumber(entry, "longitude", -180000000, 180000000));
}

constexpr const char* kFavoritesFile = "favorites.json";
constexpr const char* kPoiSetsFile = "poi-sets.json";

}  // namespace

CUserDataStore::CUserDataStore(std::string root, std::string relative)
    : root_(std::move(root)), relative_(std::move(relative)) {}

std::string CUserDataStore::folder() const {
    return relative_.empty() ? root_ : root_ + "/" + relative_;
}

bool CUserDataStore::ReadDataFile(const char* name, std::string* text, std::string* error) const {
    const CHostFd dataFolder = OpenFolderBelow(root_, relative_, false);
    if (!dataFolder.valid() && errno == ENOENT) return false;  // nothing stored yet
    if (dataFolder.valid() && ReadRegularFile(dataFolder.get(), name, text)) return true;
    if (errno == ENOENT) return false;
    *error = folder() + "/" + name + ": cannot be read (" + std::strerror(errno) + ")";
    return false;
}

bool CUserDataStore::WriteDataFile(const char* name, const std::string& text) {
    const CHostFd dataFolder = OpenFolderBelow(root_, relative_, true);
    return dataFolder.valid() && ReplaceFile(dataFolder.get(), name, text);
}

bool CUserDataStore::Load(std::string* error) {
    error->clear();
    favorites_.clear();
    poiSets_.clear();
    std::string text;
    try {
        if (ReadDataFile(kFavoritesFile, &text, error)) {
            const json document = json::parse(text);
            for (const json& entry : document.at("favorites")) {
                const auto index =
                    static_cast<int>(WholeNumber(entry, "index", 0, kFavoriteCount - 1));
                favorites_[index] = TFavorite{entry.at("name").get<std::string>(),
                                              entry.at("description").get<std::string>(),
                                              Latitude(entry), Longitude(entry)};
            }
        }
    } catch (const std::exception& e) {  // json's own errors and WholeNumber's
        favorites_.clear();
        *error = favoritesPath() + ": " + e.what();
        return false;
    }
    try {
        if (ReadDataFile(kPoiSetsFile, &text, error)) {
            const json document = json::parse(text);
            for (const json& entry : document.at("sets")) {
                TPoiSet set;
                set.visible = entry.at("visible").get<bool>();
                for (const json& point : entry.at("points")) {
                    set.points.push_back(TPoi{point.at("name").get<std::string>(),
                                              point.at("description").get<std::string>(),
                                              Latitude(point), Longitude(point)});
                }
                poiSets_[entry.at("name").get<std::string>()] = std::move(set);
            }
        }
    } catch (const std::exception& e) {
        poiSets_.clear();
        *error = poiSetsPath() + ": " + e.what();
        return false;
    }
    return error->empty();
}

std::optional<TFavorite> CUserDataStore::favorite(int index) const {
    const auto found = favorites_.find(index);
    if (found == favorites_.end()) return std::nullopt;
    return found->second;
}

bool CUserDataStore::SetFavorite(int index, const TFavorite& favorite) {
    favorites_[index] = favorite;
    return SaveFavorites();
}

bool CUserDataStore::ClearFavorite(int index) {
    if (favorites_.erase(index) == 0) return true;
    return SaveFavorites();
}

const TPoiSet* CUserDataStore::poiSet(const std::string& name) const {
    const auto found = poiSets_.find(name);
    return found != poiSets_.end() ? &found->second : nullptr;
}

bool CUserDataStore::AddPoi(const std::string& set, const TPoi& poi) {
    poiSets_[set].points.push_back(poi);
    return SavePoiSets();
}

int CUserDataStore::ClosestPoi(const std::string& set, const TGeoPoint& point) const {
    const TPoiSet* found = poiSet(set);
    if (found == nullptr) return -1;
    int best = -1;
    double bestDistance = 0.0;
    for (std::size_t i = 0; i < found->points.size(); ++i) {
        const TPoi& poi = found->points[i];
        const double distance =
            DistanceMetres(point, PointFromMicrodegrees(poi.latitude, poi.longitude));
        if (best < 0 || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

bool CUserDataStore::DeletePoi(const std::string& set, int index) {
    auto& points = poiSets_.at(set).points;
    points.erase(points.begin() + index);
    return SavePoiSets();
}

bool CUserDataStore::MovePoi(const std::string& set, int index, std::int32_t latitude,
                             std::int32_t longitude) {
    TPoi& poi = poiSets_.at(set).points.at(static_cast<std::size_t>(index));
    poi.latitude = latitude;
    poi.longitude = longitude;
    return SavePoiSets();
}

bool CUserDataStore::DeleteAllPoi(const std::string& set) {
    if (poiSets_.erase(set) == 0) return true;
    return SavePoiSets();
}

bool CUserDataStore::SetPoiSetVisible(const std::string& set, bool visible) {
    poiSets_.at(set).visible = visible;
    return SavePoiSets();
}

bool CUserDataStore::SaveFavorites() {
    json list = json::array();
    for (const auto& [index, favorite] : favorites_) {
        list.push_back({{"index", index},
                        {"name", favorite.name},
                        {"description", favorite.description},
                        {"latitude", favorite.latitude},
                        {"longitude", favorite.longitude}});
    }
    return WriteDataFile(kFavoritesFile, Dump(json{{"favorites", list}}));
}

bool CUserDataStore::SavePoiSets() {
    json sets = json::array();
    for (const auto& [name, set] : poiSets_) {
        json points = json::array();
        for (const TPoi& poi : set.points) {
            points.push_back({{"name", poi.name},
                              {"description", poi.description},
                              {"latitude", poi.latitude},
                              {"longitude", poi.longitude}});
        }
        sets.push_back({{"name", name}, {"visible", set.visible}, {"points", points}});
    }
    return WriteDataFile(kPoiSetsFile, Dump(json{{"sets", sets}}));
}

}  // namespace oxsdk::emulator
