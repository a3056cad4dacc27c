// Routes, map, display and settings: the commands that change what the navigator does and
// shows and answer with the result code alone.
#include <algorithm>
#include <cmath>

#include "commands.h"
#include "text_folding.h"

namespace oxsdk::emulator {
namespace {

namespace catalogue = OXSDK5Link::commands;

TReply StartRoute(CEmulatedNavigator& navigator, const TGeoPoint& destination,
                  const std::string& name) {
    const TTrip& trip = navigator.model().NavigateTo(destination, name);
    navigator.log().Info("route " + std::to_string(trip.routeNumber) + " to " + name + " (" +
                         Describe(destination) + "): " + Integer(trip.route.lengthMetres / 1000.0) +
                         " km, " + std::to_string(trip.route.points.size()) + " points, " +
                         Integer(trip.route.plannedSeconds / 60.0) + " min");
    return Done();
}

TReply NavigateToMatch(CEmulatedNavigator& navigator, const std::optional<TGeocodeMatch>& match) {
    if (!match) return Fail(kUnknownPlace);
    return StartRoute(navigator, match->point, match->addressLine);
}

TReply ShowMatch(CEmulatedNavigator& navigator, const std::optional<TGeocodeMatch>& match) {
    if (!match) return Fail(kUnknownPlace);
    navigator.model().ShowOnMap(match->point, 1000);
    navigator.log().Info("map shows " + match->addressLine + " (" + Describe(match->point) + ")");
    return Done();
}

TReply FlashMessage(CEmulatedNavigator& navigator, const TArguments& a) {
    std::int32_t seconds = 0;
    if (!ParseInteger(a[1], &seconds) || seconds < 0) return Fail(kInvalidArgument);
    navigator.model().FlashMessage(ToUtf8(a[0]), seconds);
    navigator.log().Info("message \"" + ToUtf8(a[0]) + "\" for " +
                         (seconds > 0 ? std::to_string(seconds) + " s" : "ever"));
    return Done();
}

TReply NavigateToCoordinates(CEmulatedNavigator& navigator, const TArguments& a) {
    TGeoPoint destination;
    if (!ParsePoint(a[0], a[1], &destination)) return Fail(kInvalidArgument);
    return StartRoute(navigator, destination, a[2].empty() ? Describe(destination) : ToUtf8(a[2]));
}

TReply NavigateToFavorite(CEmulatedNavigator& navigator, const TArguments& a) {
    std::int32_t index = 0;
    if (!ParseInteger(a[0], &index) || index < 0 || index >= kFavoriteCount) {
        return Fail(kInvalidArgument);
    }
    const std::optional<TFavorite> favorite = navigator.store().favorite(index);
    if (!favorite) return Fail(kFavoriteEmpty);
    return StartRoute(navigator, PointFromMicrodegrees(favorite->latitude, favorite->longitude),
                      favorite->name);
}

TReply NavigateToAddress(CEmulatedNavigator& navigator, const TArguments& a) {
    return NavigateToMatch(navigator, navigator.geocoder().Address(a[0], a[1], a[2], a[3]));
}

TReply NavigateToPostalCode(CEmulatedNavigator& navigator, const TArguments& a) {
    return NavigateToMatch(navigator, navigator.geocoder().PostalCode(a[0], a[1], a[2]));
}

TReply ShowAddressOnMap(CEmulatedNavigator& navigator, const TArguments& a) {
    return ShowMatch(navigator, navigator.geocoder().Address(a[0], a[1], a[2], a[3]));
}

TReply ShowPostalCodeOnMap(CEmulatedNavigator& navigator, const TArguments& a) {
    return ShowMatch(navigator, navigator.geocoder().PostalCode(a[0], a[1], a[2]));
}

TReply ShowCoordinatesOnMap(CEmulatedNavigator& navigator, const TArguments& a) {
    TGeoPoint point;
    if (!ParsePoint(a[0], a[1], &point)) return Fail(kInvalidArgument);
    navigator.model().ShowOnMap(point, 0);
    navigator.log().Info("map shows " + Describe(point));
    return Done();
}

TReply ShowRectangleOnMap(CEmulatedNavigator& navigator, const TArguments& a) {
    TGeoPoint corner1, corner2;
    if (!ParsePoint(a[0], a[1], &corner1) || !ParsePoint(a[2], a[3], &corner2)) {
        return Fail(kInvalidArgument);
    }
    const TGeoPoint centre{(corner1.latitude + corner2.latitude) / 2,
                           (corner1.longitude + corner2.longitude) / 2};
    const double width = std::max(
        DistanceMetres({centre.latitude, corner1.longitude}, {centre.latitude, corner2.longitude}),
        DistanceMetres({corner1.latitude, centre.longitude}, {corner2.latitude, centre.longitude}));
    navigator.model().ShowOnMap(centre, std::max(50L, std::lround(width)));
    navigator.log().Info("map shows the area " + Describe(corner1) + " to " + Describe(corner2));
    return Done();
}

TReply ChangeSetting(CEmulatedNavigator& navigator, const TArguments& a) {
    std::int32_t code = 0;
    if (!ParseInteger(a[0], &code) || navigator.model().ApplySetting(code) != EChange::kDone) {
        return Fail(kInvalidArgument);
    }
    std::string all;
    for (const auto& [group, value] : navigator.model().settings()) {
        all += (all.empty() ? "" : ", ") + group + " " + value;
    }
    navigator.log().Info("setting " + std::to_string(code) + ": " + all);
    return Done();
}

TReply SwitchMap(CEmulatedNavigator& navigator, const TArguments& a) {
    if (a[0].empty()) return Fail(kInvalidArgument);
    navigator.model().SetMapName(ToUtf8(a[0]));
    navigator.log().Info("map " + ToUtf8(a[0]));
    return Done();
}

TReply SetNavigatorProperty(CEmulatedNavigator& navigator, const TArguments& a) {
    std::int32_t property = 0, value = 0;
    if (!ParseInteger(a[0], &property) || !ParseInteger(a[1], &value) ||
        navigator.model().SetProperty(property, value) != EChange::kDone) {
        return Fail(kInvalidArgument);
    }
    navigator.log().Info("property " + a[0] + " = " + a[1]);
    return Done();
}

TReply BringNavigatorToForeground(CEmulatedNavigator& navigator, const TArguments&) {
    if (navigator.environment().bringToForeground) navigator.environment().bringToForeground();
    navigator.log().Debug("brought to the foreground");
    return Done();
}

TReply SwitchToNavigatorView(CEmulatedNavigator& navigator, const TArguments&) {
    navigator.model().SetView(EView::kNavigation);
    navigator.log().Info("navigation view");
    return Done();
}

TReply SetRouteSummaryVisible(CEmulatedNavigator& navigator, const TArguments& a) {
    std::int32_t visible = 0;
    if (!ParseInteger(a[0], &visible) || (visible != 0 && visible != 1)) {
        return Fail(kInvalidArgument);
    }
    navigator.model().SetRouteSummaryVisible(visible == 1);
    navigator.log().Info(visible == 1 ? "route summary shown" : "route summary hidden");
    return Done();
}

TReply ClearRoute(CEmulatedNavigator& navigator, const TArguments&) {
    if (navigator.model().ClearRoute()) navigator.log().Info("route cleared");
    return Done();
}

}  // namespace

std::vector<TCommandEntry> NavigationCommands() {
    return {{&catalogue::FlashMessage, FlashMessage},
            {&catalogue::NavigateToCoordinates, NavigateToCoordinates},
            {&catalogue::NavigateToFavorite, NavigateToFavorite},
            {&catalogue::NavigateToAddress, NavigateToAddress},
            {&catalogue::NavigateToPostalCode, NavigateToPostalCode},
            {&catalogue::ShowAddressOnMap, ShowAddressOnMap},
            {&catalogue::ShowPostalCodeOnMap, ShowPostalCodeOnMap},
            {&catalogue::ShowCoordinatesOnMap, ShowCoordinatesOnMap},
            {&catalogue::ShowRectangleOnMap, ShowRectangleOnMap},
            {&catalogue::ChangeSetting, ChangeSetting},
            {&catalogue::SwitchMap, SwitchMap},
            {&catalogue::SetNavigatorProperty, SetNavigatorProperty},
            {&catalogue::BringNavigatorToForeground, BringNavigatorToForeground},
            {&catalogue::SwitchToNavigatorView, SwitchToNavigatorView},
            {&catalogue::SetRouteSummaryVisible, SetRouteSummaryVisible},
            {&catalogue::ClearRoute, ClearRoute}};
}

}  // namespace oxsdk::emulator
