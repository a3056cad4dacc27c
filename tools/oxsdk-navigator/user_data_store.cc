#include "user_data_store.h"

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "host_files.h"

namespace oxsdk::emulator {
namespace {

using nlohmann::json;

std::string Dump(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
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
                const int index = entry.at("index").get<int>();
                if (index < 0 || index >= kFavoriteCount) continue;
                favorites_[index] = TFavorite{entry.at("name").get<std::string>(),
                                              entry.at("description").get<std::string>(),
                                              entry.at("latitude").get<std::int32_t>(),
                                              entry.at("longitude").get<std::int32_t>()};
            }
        }
    } catch (const json::exception& e) {
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
                                              point.at("latitude").get<std::int32_t>(),
                                              point.at("longitude").get<std::int32_t>()});
                }
                poiSets_[entry.at("name").get<std::string>()] = std::move(set);
            }
        }
    } catch (const json::exception& e) {
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
