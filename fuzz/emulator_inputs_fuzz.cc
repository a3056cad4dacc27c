// The emulator's readers of user files on arbitrary text: the scenario, the gazetteer and the
// track readers (NMEA log and GPX, then the replay of what they accept). Refusals say why (the
// gazetteer's name the line); what is accepted is valid: scenario values lie in their ranges and
// their locations resolve through the shipped gazetteer or say why not; places have a name and
// a point, and the lookups run on each; track points lie on the globe, replayed speeds are
// finite and headings 0 to 360.
#include <cmath>
#include <sstream>

#include "fuzz_support.h"
#include "gazetteer.h"
#include "scenario.h"
#include "track_replay.h"

namespace {

using namespace oxsdk::emulator;

using oxsdk::fuzz::Require;

void CheckLocation(const std::optional<TLocationQuery>& query) {
    if (!query) return;
    static const CGeocoder geocoder(oxsdk::fuzz::ShippedGazetteer());
    TGeoPoint point{};
    std::string error;
    if (ResolveLocation(*query, geocoder, &point, &error)) {
        Require(IsValidPoint(point), "location resolved off the globe");
    } else {
        Require(!error.empty(), "unresolved location without a message");
    }
}

void CheckScenario(const std::string& text) {
    TScenario scenario;
    std::string error;
    if (!ParseScenario(text, &scenario, &error)) {
        Require(!error.empty(), "scenario refused without a message");
        return;
    }
    Require(
        !scenario.timeScale || (*scenario.timeScale >= 0 && *scenario.timeScale <= kMaxTimeScale),
        "time scale");
    Require(!scenario.simulationSpeed ||
                (*scenario.simulationSpeed >= 0 &&
                 static_cast<double>(*scenario.simulationSpeed) <= kMaxSimulationSpeed),
            "simulation speed");
    Require(!scenario.deviceId || (!scenario.deviceId->empty() && scenario.deviceId->size() <= 31),
            "device identifier");
    CheckLocation(scenario.position);
    CheckLocation(scenario.destination);
}

void CheckGazetteer(const std::string& text) {
    std::istringstream in(text);
    CGazetteer gazetteer;
    std::string error;
    if (!gazetteer.Load(in, &error)) {
        Require(error.rfind("line ", 0) == 0, "gazetteer refused without naming the line");
        return;
    }
    for (const TPlace& place : gazetteer.places()) {
        Require(!place.name.empty() && IsValidPoint(place.point), "place without name or point");
        Require(place.population >= 0 && static_cast<double>(place.population) <= kMaxPopulation,
                "population");
        gazetteer.FindByName(place.name, place.country);
        gazetteer.FindByPostalCode(place.postalCode, "");
        Require(gazetteer.Nearest(place.point) != nullptr, "nearest place not found");
    }
}

void CheckTrack(bool accepted, std::vector<TTrackPoint> points, const std::string& error) {
    if (!accepted) {
        Require(!error.empty(), "track refused without a message");
        return;
    }
    Require(!points.empty() && points.size() <= kMaxTrackPoints, "point count");
    for (const TTrackPoint& point : points)
        Require(IsValidPoint(point.point), "point off the globe");
    CTrackReplay replay;
    std::string problem;
    if (!replay.Load(std::move(points), &problem)) {
        Require(!problem.empty(), "replay refused without a message");
        return;
    }
    const double duration = replay.durationSeconds();
    Require(std::isfinite(duration) && duration >= 0, "duration");
    for (const double fraction : {-0.5, 0.0, 0.25, 0.5, 0.999, 1.0, 2.0}) {
        const TReplayFix fix = replay.At(fraction * duration);
        Require(IsValidPoint(fix.point), "replayed point off the globe");
        Require(std::isfinite(fix.speedKmh) && fix.speedKmh >= 0, "speed");
        Require(fix.headingDegrees >= 0 && fix.headingDegrees < 360, "heading");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckScenario(text);
    CheckGazetteer(text);
    std::vector<TTrackPoint> points;
    std::string error;
    bool accepted = ParseNmeaLog(text, &points, &error);
    CheckTrack(accepted, points, error);
    error.clear();
    accepted = ParseGpx(text, &points, &error);
    CheckTrack(accepted, points, error);
    return 0;
}
