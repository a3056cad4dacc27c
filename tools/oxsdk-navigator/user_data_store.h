// Favourites and user points of interest of the navigator emulator, kept in two JSON files in
// its data folder on the emulated device (favorites.json, poi-sets.json) so that they survive
// a restart. Every change is written at once, through an exclusive temporary file that
// replaces the old one (no temporary file is left behind); the files are private (0600) and no
// symbolic link below the device root is followed to read or write them.
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
    /// Keeps its files in the folder `relative` ("Ostrel/NavigatorData") below the host folder
    /// `root` (the device root); missing folders are created 0700 when a file is written.
    CUserDataStore(std::string root, std::string relative);

    /// Reads both files; missing files count as empty. False with a message when a file
    /// cannot be read (a link, a FIFO, not readable) or parsed (the store is then empty and the
    /// file is left as it is until the next change).
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

    /// The host folder of the files, and their host paths (for messages).
    std::string folder() const;
    std::string favoritesPath() const { return folder() + "/favorites.json"; }
    std::string poiSetsPath() const { return folder() + "/poi-sets.json"; }

private:
    bool SaveFavorites();
    bool SavePoiSets();
    // True with the file's text; false when it is missing, or with `error` set when it is
    // there but cannot be read.
    bool ReadDataFile(const char* name, std::string* text, std::string* error) const;
    bool WriteDataFile(const char* name, const std::string& text);

    std::string root_;
    std::string relative_;
    std::map<int, TFavorite> favorites_;
    std::map<std::string, TPoiSet> poiSets_;
};

}  // namespace oxsdk::emulator
