#include "live_state.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <utility>

#include "route_planner.h"

namespace oxsdk::emulator {
namespace {

using nlohmann::json;

// Snapshots go on being published for this long after the last reader's request.
constexpr std::chrono::seconds kReaderPatience{5};

// The texts come from clients and may hold any bytes: what is not UTF-8 is shown as U+FFFD
// instead of making the dump throw.
std::string DumpJson(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

json Point(const TGeoPoint& point) {
    return {{"lat", ToMicrodegrees(point.latitude)}, {"lon", ToMicrodegrees(point.longitude)}};
}

json Point(std::int32_t latitude, std::int32_t longitude) {
    return {{"lat", latitude}, {"lon", longitude}};
}

json Trip(const CNavigatorModel& model) {
    if (!model.trip()) return nullptr;
    const TTrip& trip = *model.trip();
    return {{"number", trip.routeNumber},
            {"destinationName", trip.destinationName},
            {"destination", Point(trip.route.destination())},
            {"lengthMetres", std::lround(trip.route.lengthMetres)},
            {"travelledMetres", std::lround(trip.travelledMetres)},
            {"remainingSeconds", std::lround(model.RemainingSeconds())},
            {"passedPoint", PositionAlong(trip.route, trip.travelledMetres).lastPointIndex},
            {"arrived", trip.arrived}};
}

}  // namespace

std::string LiveStateJson(CEmulatedNavigator& navigator, bool messageShown) {
    const CNavigatorModel& model = navigator.model();
    const bool mapView = model.view() == EView::kMap;
    json favorites = json::array();
    for (const auto& [index, favorite] : navigator.store().favorites()) {
        favorites.push_back({{"index", index},
                             {"name", favorite.name},
                             {"description", favorite.description},
                             {"position", Point(favorite.latitude, favorite.longitude)}});
    }
    json poiSets = json::array();
    for (const auto& [name, set] : navigator.store().poiSets()) {
        json points = json::array();
        for (const TPoi& poi : set.points) {
            points.push_back({{"name", poi.name},
                              {"description", poi.description},
                              {"position", Point(poi.latitude, poi.longitude)}});
        }
        poiSets.push_back({{"name", name}, {"visible", set.visible}, {"points", points}});
    }
    const json state = {
        {"position", Point(model.position())},
        {"headingDegrees", std::lround(model.headingDegrees()) % 360},
        {"speedKmh", std::lround(model.speedKmh())},
        {"offRouteMetres", std::lround(model.detourMetres())},
        {"view", mapView ? "map" : "navigation"},
        // The navigation view follows the vehicle; the map view stays where it was shown.
        {"mapArea",
         {{"centre", Point(mapView ? model.mapCentre() : model.position())},
          {"widthMetres", model.property(2)},
          {"rotationDegrees", model.property(3)}}},
        {"mapName", model.mapName()},
        {"routeSummaryVisible", model.routeSummaryVisible()},
        {"route", Trip(model)},
        {"message",
         {{"text", model.message()}, {"seconds", model.messageSeconds()}, {"shown", messageShown}}},
        {"favorites", favorites},
        {"poiSets", poiSets},
        {"settings", model.settings()},
        {"externalGpsInput", model.externalGpsInput()},
        {"timeScale", navigator.clock().timeScale()}};
    return DumpJson(state);
}

std::string LiveRouteJson(CEmulatedNavigator& navigator) {
    const std::optional<TTrip>& trip = navigator.model().trip();
    json points = json::array();
    json route = {{"number", trip ? trip->routeNumber : 0}};
    if (trip) {
        for (const TGeoPoint& point : trip->route.points) {
            points.push_back(ToMicrodegrees(point.latitude));
            points.push_back(ToMicrodegrees(point.longitude));
        }
        const TPlace* start = trip->route.points.empty()
                                  ? nullptr
                                  : navigator.gazetteer().Nearest(trip->route.points.front());
        route["startName"] = start ? start->name : std::string();
    }
    route["points"] = std::move(points);
    return DumpJson(route);
}

std::string LivePlacesJson(const CGazetteer& gazetteer) {
    std::vector<const TPlace*> order;
    order.reserve(gazetteer.size());
    for (const TPlace& place : gazetteer.places()) order.push_back(&place);
    const std::size_t count = std::min(order.size(), kMaxLivePlaces);
    std::partial_sort(
        order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count), order.end(),
        [](const TPlace* a, const TPlace* b) { return a->population > b->population; });
    json places = json::array();
    for (std::size_t i = 0; i < count; ++i) {
        places.push_back({order[i]->name, ToMicrodegrees(order[i]->point.latitude),
                          ToMicrodegrees(order[i]->point.longitude), order[i]->population});
    }
    return DumpJson(json{{"places", places}});
}

CLiveState::CLiveState() {
    auto first = std::make_shared<TLiveSnapshot>();
    first->routeJson = std::make_shared<const std::string>(R"({"number":0,"points":[]})");
    first->placesJson = std::make_shared<const std::string>(R"({"places":[]})");
    latest_ = first;
}

void CLiveState::Publish(CEmulatedNavigator& navigator) {
    const CNavigatorModel& model = navigator.model();
    // When a message was flashed, also while nobody watches.
    const double now = navigator.clock().wallSeconds();
    if (model.messagesFlashed() != messageCount_) {
        messageCount_ = model.messagesFlashed();
        messageSince_ = now;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (TClock::now() - lastRequest_ > kReaderPatience) return;
    }
    std::shared_ptr<TLiveSnapshot> snapshot;
    // Whatever the navigator holds, the view never ends the command loop: a snapshot that
    // cannot be built (out of memory) leaves the previous one in place.
    try {
        const int routeNumber = model.trip() ? model.trip()->routeNumber : 0;
        if (routeNumber != routeNumber_ || !routeJson_) {
            routeJson_ = std::make_shared<const std::string>(LiveRouteJson(navigator));
            routeNumber_ = routeNumber;
        }
        if (!placesJson_) {
            placesJson_ =
                std::make_shared<const std::string>(LivePlacesJson(navigator.gazetteer()));
        }
        const bool messageShown =
            !model.message().empty() &&
            (model.messageSeconds() == 0 || now - messageSince_ < model.messageSeconds());
        snapshot = std::make_shared<TLiveSnapshot>();
        snapshot->stateJson = LiveStateJson(navigator, messageShown);
        snapshot->routeJson = routeJson_;
        snapshot->placesJson = placesJson_;
        snapshot->published = TClock::now();
    } catch (const std::exception&) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        latest_ = std::move(snapshot);
    }
    published_.notify_all();
}

std::shared_ptr<const TLiveSnapshot> CLiveState::Latest(std::chrono::milliseconds freshness) {
    std::unique_lock<std::mutex> lock(mutex_);
    const TClock::time_point asked = TClock::now();
    lastRequest_ = asked;
    if (asked - latest_->published > freshness) {
        published_.wait_for(lock, freshness, [&] { return latest_->published >= asked; });
    }
    return latest_;
}

}  // namespace oxsdk::emulator
