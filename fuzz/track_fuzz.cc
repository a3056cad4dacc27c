// The emulator's track readers (NMEA log and GPX) on arbitrary text, and the replay of what they
// accept: refusals say why, points lie on the globe, speeds are finite, headings 0 to 360.
#include <cmath>

#include "fuzz_support.h"
#include "track_replay.h"

namespace {

using namespace oxsdk::emulator;

using oxsdk::fuzz::Require;

void CheckTrack(bool accepted, std::vector<TTrackPoint> points, const std::string& error) {
    if (!accepted) {
        Require(!error.empty(), "refused without a message");
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
    std::vector<TTrackPoint> points;
    std::string error;
    bool accepted = ParseNmeaLog(text, &points, &error);
    CheckTrack(accepted, points, error);
    error.clear();
    accepted = ParseGpx(text, &points, &error);
    CheckTrack(accepted, points, error);
    return 0;
}
