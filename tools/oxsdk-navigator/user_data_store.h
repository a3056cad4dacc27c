// Favourites and user points of interest of the navigator emulator, kept in two JSON files in
// its data folder on the emulated device (favorites.json, poi-sets.json) so that they survive
// a restart. Every change is written at once, through a temporary file that replaces the old
// one (no temporary file is left behind).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "geo.h"

namespace oxsdk::emulator {

/// Favourites are numbered 0 to kFavoriteCount - 1.
constexpr int kFavoriteCount = 100;

struct TFavorite {
    std::string name;            ///< SetFavorite's text1
    std::string description;     ///< SetFavorite's text2
    std::int32_t latitude = 0;   ///< microdegrees (SetFavorite's value1)
    std::int32_t longitude = 0;  ///< microdegrees (SetFavorite's value2)
};

struct TPoi {
    std::string name;
    std::string description;
    std::int32_t latitude = 0;   ///< microdegrees
    std::int32_t longitude = 0;  ///< microdegrees
};

struct TPoiSet {
    bool visible = true;
    std::vector<TPoi> points;
};

class CUserDataStore {
public:
    /// Keeps its files in the host folder `folder` (created when missing, mode 0700).
    explicit CUserDataStore(std::string folder);

    /// Reads both files; missing files count as empty. False with a message when a file
    /// cannot be parsed (the store is then empty and the file is left as it is until the next
    /// change).
    bool Load(std::string* error);

    std::optional<TFavorite> favorite(int index) const;
    /// Stores and writes; false when the file cannot be written (the change is kept in memory).
    bool SetFavorite(int index, const TFavorite& favorite);
    /// Removes and writes; clearing an empty slot is not an error.
    bool ClearFavorite(int index);
    const std::map<int, TFavorite>& favorites() const { return favorites_; }

    /// The set named `name` (exact name), or null.
    const TPoiSet* poiSet(const std::string& name) const;
    bool AddPoi(const std::string& set, const TPoi& poi);
    /// Index of the point of `set` nearest to `point`, or -1 when the set is missing or empty.
    int ClosestPoi(const std::string& set, const TGeoPoint& point) const;
    bool DeletePoi(const std::string& set, int index);
    bool MovePoi(const std::string& set, int index, std::int32_t latitude, std::int32_t longitude);
    /// Removes the set with all its points (nothing to do when it does not exist).
    bool DeleteAllPoi(const std::string& set);
    bool SetPoiSetVisible(const std::string& set, bool visible);
    const std::map<std::string, TPoiSet>& poiSets() const { return poiSets_; }

    std::string favoritesPath() const { return folder_ + "/favorites.json"; }
    std::string poiSetsPath() const { return folder_ + "/poi-sets.json"; }

private:
    bool SaveFavorites();
    bool SavePoiSets();

    std::string folder_;
    std::map<int, TFavorite> favorites_;
    std::map<std::string, TPoiSet> poiSets_;
};

/// Creates host folder `folder` and its missing parents (mode 0700); existing ones are kept.
void MakeFolders(const std::string& folder);

/// Writes `text` to `path` through "<path>.tmp" and a rename; false on any failure (the
/// temporary file is removed).
bool WriteFileReplacing(const std::string& path, const std::string& text);

}  // namespace oxsdk::emulator
