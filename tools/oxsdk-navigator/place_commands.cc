// Favourites and user points of interest: kept in the navigator's data folder, so that they
// survive a restart.
#include "commands.h"
#include "text_folding.h"

namespace oxsdk::emulator {
namespace {

namespace catalogue = OXSDK5Link::commands;

// Longest texts that GetFavorite can hand back (the record members' room).
constexpr std::size_t kFavoriteNameBytes = 63;
constexpr std::size_t kFavoriteDescriptionBytes = 127;
constexpr int kPoiTypeCount = 10;

bool ParseIndex(const std::string& text, std::int32_t* index) {
    return ParseInteger(text, index) && *index >= 0 && *index < kFavoriteCount;
}

bool ParseSwitch(const std::string& text, bool* on) {
    std::int32_t value = 0;
    if (!ParseInteger(text, &value) || (value != 0 && value != 1)) return false;
    *on = value == 1;
    return true;
}

TReply Stored(bool written) {
    return written ? Done() : Fail(kStorageFailure);
}

TReply ClearFavorite(CEmulatedNavigator& navigator, const TArguments& a) {
    std::int32_t index = 0;
    if (!ParseIndex(a[0], &index)) return Fail(kInvalidArgument);
    navigator.log().Info("favourite " + a[0] + " cleared");
    return Stored(navigator.store().ClearFavorite(index));
}

TReply SetFavorite(CEmulatedNavigator& navigator, const TArguments& a) {
    std::int32_t index = 0;
    TGeoPoint point;
    if (!ParseIndex(a[0], &index) || !ParsePoint(a[3], a[4], &point)) {
        return Fail(kInvalidArgument);
    }
    TFavorite favorite{ReplyText(ToUtf8(a[1]), kFavoriteNameBytes),
                       ReplyText(ToUtf8(a[2]), kFavoriteDescriptionBytes),
                       ToMicrodegrees(point.latitude), ToMicrodegrees(point.longitude)};
    navigator.log().Info("favourite " + a[0] + " = " + favorite.name + " (" + Describe(point) +
                         ")");
    return Stored(navigator.store().SetFavorite(index, favorite));
}

TReply GetFavorite(CEmulatedNavigator& navigator, const TArguments& a) {
    std::int32_t index = 0;
    if (!ParseIndex(a[0], &index)) return Fail(kInvalidArgument);
    const std::optional<TFavorite> favorite = navigator.store().favorite(index);
    if (!favorite) return Fail(kFavoriteEmpty);
    return Done({favorite->name, favorite->description, std::to_string(favorite->latitude),
                 std::to_string(favorite->longitude)});
}

TReply MakePoiVisible(CEmulatedNavigator& navigator, const TArguments& a) {
    std::int32_t type = 0;
    bool visible = false;
    if (!ParseInteger(a[0], &type) || type < 1 || type > kPoiTypeCount ||
        !ParseSwitch(a[1], &visible)) {
        return Fail(kInvalidArgument);
    }
    navigator.model().SetPoiTypeVisible(type, visible);
    navigator.log().Info("POI type " + a[0] + (visible ? " shown" : " hidden"));
    return Done();
}

TReply AddPoi(CEmulatedNavigator& navigator, const TArguments& a) {
    TGeoPoint point;
    if (a[0].empty() || !ParsePoint(a[1], a[2], &point)) return Fail(kInvalidArgument);
    const std::string set = ToUtf8(a[0]);
    navigator.log().Info("POI " + ToUtf8(a[3]) + " added to " + set + " (" + Describe(point) + ")");
    return Stored(navigator.store().AddPoi(
        set, TPoi{ToUtf8(a[3]), ToUtf8(a[4]), ToMicrodegrees(point.latitude),
                  ToMicrodegrees(point.longitude)}));
}

TReply DeleteClosestPoi(CEmulatedNavigator& navigator, const TArguments& a) {
    TGeoPoint point;
    if (a[0].empty() || !ParsePoint(a[1], a[2], &point)) return Fail(kInvalidArgument);
    const std::string set = ToUtf8(a[0]);
    const int index = navigator.store().ClosestPoi(set, point);
    if (index < 0) return Fail(kPoiNotFound);
    navigator.log().Info("POI " + navigator.store().poiSet(set)->points[index].name +
                         " deleted from " + set);
    return Stored(navigator.store().DeletePoi(set, index));
}

TReply DeleteAllPoi(CEmulatedNavigator& navigator, const TArguments& a) {
    if (a[0].empty()) return Fail(kInvalidArgument);
    navigator.log().Info("POI set " + ToUtf8(a[0]) + " emptied");
    return Stored(navigator.store().DeleteAllPoi(ToUtf8(a[0])));
}

TReply MakeUserPoiVisible(CEmulatedNavigator& navigator, const TArguments& a) {
    bool visible = false;
    if (a[0].empty() || !ParseSwitch(a[1], &visible)) return Fail(kInvalidArgument);
    const std::string set = ToUtf8(a[0]);
    if (navigator.store().poiSet(set) == nullptr) return Fail(kPoiNotFound);
    navigator.log().Info("POI set " + set + (visible ? " shown" : " hidden"));
    return Stored(navigator.store().SetPoiSetVisible(set, visible));
}

TReply MoveClosestPoi(CEmulatedNavigator& navigator, const TArguments& a) {
    TGeoPoint from, to;
    if (a[0].empty() || !ParsePoint(a[1], a[2], &from) || !ParsePoint(a[3], a[4], &to)) {
        return Fail(kInvalidArgument);
    }
    const std::string set = ToUtf8(a[0]);
    const int index = navigator.store().ClosestPoi(set, from);
    if (index < 0) return Fail(kPoiNotFound);
    navigator.log().Info("POI " + navigator.store().poiSet(set)->points[index].name + " of " + set +
                         " moved to " + Describe(to));
    return Stored(navigator.store().MovePoi(set, index, ToMicrodegrees(to.latitude),
                                            ToMicrodegrees(to.longitude)));
}

}  // namespace

std::vector<TCommandEntry> PlaceCommands() {
    return {{&catalogue::ClearFavorite, ClearFavorite},
            {&catalogue::SetFavorite, SetFavorite},
            {&catalogue::GetFavorite, GetFavorite},
            {&catalogue::MakePoiVisible, MakePoiVisible},
            {&catalogue::AddPoi, AddPoi},
            {&catalogue::DeleteClosestPoi, DeleteClosestPoi},
            {&catalogue::DeleteAllPoi, DeleteAllPoi},
            {&catalogue::MakeUserPoiVisible, MakeUserPoiVisible},
            {&catalogue::MoveClosestPoi, MoveClosestPoi}};
}

}  // namespace oxsdk::emulator
