// Recorded positions for the navigator emulator: NMEA 0183 sentences ($--RMC and $--GGA) read
// one at a time (the external GPS input) or as a whole log, GPX tracks, and the replay of such
// a track: where the vehicle is, which way it heads and how fast it goes at a given moment of
// the track's own time, interpolated along the geodesic between two recorded points.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geo.h"

namespace oxsdk::emulator {

/// A position read from one sentence: an $--RMC with status A, or an $--GGA with a fix.
struct TNmeaFix {
    TGeoPoint point;
    double secondsOfDay = 0.0;            ///< UTC time of day of the fix
    std::optional<double> speedKmh;       ///< RMC only
    std::optional<double> courseDegrees;  ///< RMC only, when the receiver gave one
};

/// The fix of one NMEA sentence (with or without its line end); nothing for any other
/// sentence, a sentence without a valid fix, a wrong checksum or a malformed field.
std::optional<TNmeaFix> ParseNmeaSentence(std::string_view sentence);

/// A point of a track; `seconds` is its time (any origin) when the recording has one.
struct TTrackPoint {
    TGeoPoint point;
    std::optional<double> seconds;
};

/// Most points a track may hold, and the largest track file read.
constexpr std::size_t kMaxTrackPoints = 1000000;
constexpr std::size_t kMaxTrackFileBytes = 64u * 1024u * 1024u;

/// The fixes of an NMEA log in their order, timed by their time of day (a time that runs back
/// by more than half a day starts the next day). A GGA and an RMC of the same time give one
/// point. False with a message when the log holds no fix or too many.
bool ParseNmeaLog(const std::string& text, std::vector<TTrackPoint>* points, std::string* error);

/// True when GPX tracks can be read (the emulator was built with pugixml).
bool GpxSupported();
/// The points of a GPX document: those of its tracks (trkpt), else of its routes (rtept), else
/// its waypoints (wpt), each timed by its <time> when every point has one. False with a message
/// when it is not GPX, a coordinate is missing or out of range, or it holds no point.
bool ParseGpx(const std::string& text, std::vector<TTrackPoint>* points, std::string* error);

/// Reads a track file: GPX when its text begins with "<" (after blanks), else an NMEA log.
bool LoadTrack(const std::string& path, std::vector<TTrackPoint>* points, std::string* error);

/// Where the replay stands at a moment of the track's time.
struct TReplayFix {
    TGeoPoint point;
    double headingDegrees = 0.0;
    double speedKmh = 0.0;
    bool finished = false;  ///< at the last point: standing still
};

/// A track followed in its own time: by the recorded times when every point has one (and they
/// never run back), else at `untimedSpeedKmh`.
class CTrackReplay {
public:
    /// Speed of a track recorded without times, km/h.
    static constexpr double kUntimedSpeedKmh = 50.0;

    /// False with a message when `points` is empty or its times run back.
    bool Load(std::vector<TTrackPoint> points, std::string* error,
              double untimedSpeedKmh = kUntimedSpeedKmh);
    /// The fix `seconds` after the first point (clamped to the track).
    TReplayFix At(double seconds) const;
    double durationSeconds() const { return times_.empty() ? 0.0 : times_.back(); }
    std::size_t size() const { return points_.size(); }

private:
    std::vector<TGeoPoint> points_;
    std::vector<double> times_;  ///< seconds from the first point
};

}  // namespace oxsdk::emulator
