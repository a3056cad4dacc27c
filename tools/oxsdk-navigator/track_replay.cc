#include "track_replay.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "gps_input.h"
#include "nmea.h"

#if OXSDK_NAVIGATOR_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace oxsdk::emulator {
namespace {

constexpr double kKnotKmh = 1.852;
constexpr double kDaySeconds = 86400.0;

// The fields of a sentence's body, split at ",".
std::vector<std::string_view> SplitFields(std::string_view body) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = body.find(',', start);
        fields.push_back(body.substr(start, comma - start));
        if (comma == std::string_view::npos) return fields;
        start = comma + 1;
    }
}

// A plain decimal number ("-12.5", no exponent, blank or hexadecimal) that fills the field.
std::optional<double> Number(std::string_view field) {
    if (field.empty() || field.size() > 32 ||
        field.find_first_not_of("0123456789+-.") != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string text(field);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// "ddmm.mmmm" with its hemisphere, as signed degrees up to `limit`.
std::optional<double> Angle(std::string_view field, std::string_view hemisphere,
                            std::size_t degreeDigits, double limit) {
    if (field.size() < degreeDigits + 2 || hemisphere.size() != 1) return std::nullopt;
    const std::optional<double> degrees = Number(field.substr(0, degreeDigits));
    const std::optional<double> minutes = Number(field.substr(degreeDigits));
    if (!degrees || !minutes || *degrees < 0 || *minutes < 0 || *minutes >= 60.0) {
        return std::nullopt;
    }
    const double value = *degrees + *minutes / 60.0;
    if (value > limit) return std::nullopt;
    if (hemisphere == "S" || hemisphere == "W") return -value;
    if (hemisphere == "N" || hemisphere == "E") return value;
    return std::nullopt;
}

// "hhmmss[.ss]" as seconds of the day.
std::optional<double> TimeOfDay(std::string_view field) {
    if (field.size() < 6) return std::nullopt;
    const std::optional<double> hours = Number(field.substr(0, 2));
    const std::optional<double> minutes = Number(field.substr(2, 2));
    const std::optional<double> seconds = Number(field.substr(4));
    if (!hours || !minutes || !seconds || *hours < 0 || *hours > 23 || *minutes < 0 ||
        *minutes > 59 || *seconds < 0 || *seconds >= 61) {
        return std::nullopt;
    }
    return *hours * 3600 + *minutes * 60 + *seconds;
}

#if OXSDK_NAVIGATOR_HAVE_PUGIXML
// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
long DaysFromCivil(long year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long>(dayOfEra) - 719468;
}

// An XML Schema dateTime ("2026-05-01T10:00:05Z", "...05.5+02:00") as seconds since 1970.
std::optional<double> IsoTime(const char* text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, used = 0;
    double second = 0;
    if (std::sscanf(text, "%4d-%2d-%2dT%2d:%2d:%lf%n", &year, &month, &day, &hour, &minute, &second,
                    &used) != 6 ||
        month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second < 0 ||
        second >= 61) {
        return std::nullopt;
    }
    double offset = 0;
    const std::string zone = text + used;
    int zoneHours = 0, zoneMinutes = 0;
    if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') &&
        std::sscanf(zone.c_str() + 1, "%2d:%2d", &zoneHours, &zoneMinutes) == 2) {
        offset = (zone[0] == '-' ? -1 : 1) * (zoneHours * 3600.0 + zoneMinutes * 60.0);
    } else if (!zone.empty() && zone != "Z") {
        return std::nullopt;
    }
    return static_cast<double>(
               DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))) *
               kDaySeconds +
           hour * 3600.0 + minute * 60.0 + second - offset;
}

std::optional<double> Coordinate(const pugi::xml_node& node, const char* name, double limit) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) return std::nullopt;
    const std::optional<double> value = Number(attribute.value());
    if (!value || std::fabs(*value) > limit) return std::nullopt;
    return value;
}
#endif

}  // namespace

std::optional<TNmeaFix> ParseNmeaSentence(std::string_view sentence) {
    while (!sentence.empty() && (sentence.back() == '\r' || sentence.back() == '\n')) {
        sentence.remove_suffix(1);
    }
    if (sentence.size() < 7 || sentence[0] != '$') return std::nullopt;
    std::string_view body = sentence.substr(1);
    if (const std::size_t star = body.find('*'); star != std::string_view::npos) {
        if (body.size() != star + 3) return std::nullopt;
        std::string expected(body.substr(star + 1));
        for (char& c : expected) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        body = body.substr(0, star);
        if (NmeaChecksum(body) != expected) return std::nullopt;
    }
    const std::vector<std::string_view> fields = SplitFields(body);
    const std::string_view type = fields[0].size() == 5 ? fields[0].substr(2) : std::string_view();
    TNmeaFix fix;
    std::optional<double> time, latitude, longitude;
    if (type == "RMC" && fields.size() >= 9) {
        if (fields[2] != "A") return std::nullopt;
        time = TimeOfDay(fields[1]);
        latitude = Angle(fields[3], fields[4], 2, 90.0);
        longitude = Angle(fields[5], fields[6], 3, 180.0);
        const std::optional<double> knots = Number(fields[7]);
        fix.speedKmh = knots && *knots >= 0 ? *knots * kKnotKmh : 0.0;
        if (const std::optional<double> course = Number(fields[8]);
            course && *course >= 0 && *course < 360) {
            fix.courseDegrees = course;
        }
    } else if (type == "GGA" && fields.size() >= 7) {
        const std::optional<double> quality = Number(fields[6]);
        if (!quality || *quality <= 0) return std::nullopt;
        time = TimeOfDay(fields[1]);
        latitude = Angle(fields[2], fields[3], 2, 90.0);
        longitude = Angle(fields[4], fields[5], 3, 180.0);
    }
    if (!time || !latitude || !longitude) return std::nullopt;
    fix.point = TGeoPoint{*latitude, *longitude};
    fix.secondsOfDay = *time;
    return fix;
}

bool ParseNmeaLog(const std::string& text, std::vector<TTrackPoint>* points, std::string* error) {
    points->clear();
    double day = 0.0;
    std::optional<double> previousTime;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::optional<TNmeaFix> fix =
            ParseNmeaSentence(std::string_view(text).substr(start, end - start));
        start = end + 1;
        if (!fix) continue;
        if (previousTime && fix->secondsOfDay == *previousTime) continue;  // GGA and RMC of one fix
        if (previousTime && fix->secondsOfDay < *previousTime - kDaySeconds / 2) day += kDaySeconds;
        previousTime = fix->secondsOfDay;
        if (points->size() == kMaxTrackPoints) {
            *error = "more than " + std::to_string(kMaxTrackPoints) + " fixes";
            return false;
        }
        points->push_back(TTrackPoint{fix->point, day + fix->secondsOfDay});
    }
    if (points->empty()) {
        *error = "no $--RMC or $--GGA sentence with a valid fix";
        return false;
    }
    return true;
}

bool GpxSupported() {
#if OXSDK_NAVIGATOR_HAVE_PUGIXML
    return true;
#else
    return false;
#endif
}

bool ParseGpx(const std::string& text, std::vector<TTrackPoint>* points, std::string* error) {
    points->clear();
#if OXSDK_NAVIGATOR_HAVE_PUGIXML
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
    const pugi::xml_node gpx = document.child("gpx");
    if (!parsed || !gpx) {
        *error = parsed ? "not GPX (no <gpx> element)"
                        : std::string("not XML: ") + parsed.description() + " at byte " +
                              std::to_string(parsed.offset);
        return false;
    }
    for (const char* query : {"trk/trkseg/trkpt", "rte/rtept", "wpt"}) {
        const pugi::xpath_node_set nodes = gpx.select_nodes(query);
        if (nodes.size() > kMaxTrackPoints) {
            *error = "more than " + std::to_string(kMaxTrackPoints) + " points";
            return false;
        }
        bool timed = true;
        for (const pugi::xpath_node& node : nodes) {
            const std::optional<double> latitude = Coordinate(node.node(), "lat", 90.0);
            const std::optional<double> longitude = Coordinate(node.node(), "lon", 180.0);
            if (!latitude || !longitude) {
                *error = std::string("a <") + node.node().name() + "> without a valid lat and lon";
                return false;
            }
            const std::optional<double> time = IsoTime(node.node().child_value("time"));
            timed = timed && time.has_value();
            points->push_back(TTrackPoint{TGeoPoint{*latitude, *longitude}, time});
        }
        if (!timed) {
            for (TTrackPoint& point : *points) point.seconds.reset();
        }
        if (!points->empty()) return true;
    }
    *error = "no <trkpt>, <rtept> or <wpt>";
    return false;
#else
    (void)text;
    *error = "GPX tracks are not supported by this build (it was built without pugixml)";
    return false;
#endif
}

bool LoadTrack(const std::string& path, std::vector<TTrackPoint>* points, std::string* error) {
    std::string text;
    if (!ReadBoundedFile(path, kMaxTrackFileBytes, &text, error)) return false;
    const std::size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    const bool gpx = first != std::string::npos && text[first] == '<';
    if (!(gpx ? ParseGpx(text, points, error) : ParseNmeaLog(text, points, error))) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

bool CTrackReplay::Load(std::vector<TTrackPoint> points, std::string* error,
                        double untimedSpeedKmh) {
    if (points.empty()) {
        *error = "the track holds no point";
        return false;
    }
    const bool timed = std::all_of(points.begin(), points.end(),
                                   [](const TTrackPoint& point) { return point.seconds; });
    points_.clear();
    times_.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
        double time = 0.0;
        if (i > 0 && timed) {
            time = *points[i].seconds - *points[0].seconds;
            if (time < times_.back()) {
                *error = "the time of point " + std::to_string(i + 1) + " runs back";
                return false;
            }
        } else if (i > 0) {
            time = times_.back() +
                   DistanceMetres(points[i - 1].point, points[i].point) / (untimedSpeedKmh / 3.6);
        }
        points_.push_back(points[i].point);
        times_.push_back(time);
    }
    return true;
}

TReplayFix CTrackReplay::At(double seconds) const {
    TReplayFix fix;
    if (points_.empty()) return fix;
    // The segment [index, index + 1] that holds `seconds`, or the last point.
    const std::size_t next = static_cast<std::size_t>(
        std::upper_bound(times_.begin(), times_.end(), seconds) - times_.begin());
    const std::size_t index = next == 0 ? 0 : next - 1;
    // The heading of the segment under way, else of the last one that moved.
    for (std::size_t i = std::min(index + 1, points_.size() - 1); i > 0; --i) {
        if (DistanceMetres(points_[i - 1], points_[i]) > 0.0) {
            fix.headingDegrees = BearingDegrees(points_[i - 1], points_[i]);
            break;
        }
    }
    if (next >= points_.size()) {
        fix.point = points_.back();
        fix.finished = true;
        return fix;
    }
    const double span = times_[index + 1] - times_[index];
    const double fraction = span > 0 ? (std::max(seconds, 0.0) - times_[index]) / span : 0.0;
    fix.point = Interpolate(points_[index], points_[index + 1], std::clamp(fraction, 0.0, 1.0));
    fix.speedKmh = span > 0 ? DistanceMetres(points_[index], points_[index + 1]) / span * 3.6 : 0;
    return fix;
}

}  // namespace oxsdk::emulator
