// Recorded positions: NMEA sentences and logs, GPX tracks, the replay along them, and the
// syntax of scripted faults. How the navigator reports a replayed or fed position is shown
// through its commands (command_handler_test.cc) and end to end.
#include "track_replay.h"

#include <gtest/gtest.h>

#include "fault_script.h"

namespace oxsdk::emulator {
namespace {

TEST(NmeaSentence, GivesTheFixOfRmcAndGgaOnly) {
    const struct {
        std::string sentence;
        double latitude, longitude, secondsOfDay, speedKmh;  // speed -1: none
    } fixes[] = {
        {"$GPRMC,120005.50,A,5222.2130,N,00453.7101,E,10.0,90.0,010526,,,A*57\r\n", 52.370217,
         4.895168, 43205.5, 18.52},
        {"$GNGGA,235959,3351.0000,S,15112.0000,W,1,08,0.9,2.0,M,46.9,M,,", -33.85, -151.2, 86399,
         -1},
    };
    for (const auto& test : fixes) {
        const std::optional<TNmeaFix> fix = ParseNmeaSentence(test.sentence);
        ASSERT_TRUE(fix.has_value()) << test.sentence;
        EXPECT_NEAR(fix->point.latitude, test.latitude, 1e-6) << test.sentence;
        EXPECT_NEAR(fix->point.longitude, test.longitude, 1e-6) << test.sentence;
        EXPECT_DOUBLE_EQ(fix->secondsOfDay, test.secondsOfDay) << test.sentence;
        EXPECT_NEAR(fix->speedKmh.value_or(-1), test.speedKmh, 1e-9) << test.sentence;
    }
    for (const char* refused :
         {"$GPRMC,120005.50,A,5222.2130,N,00453.7101,E,10.0,90.0,010526,,,A*58",  // checksum
          "$GPRMC,120005,V,5222.2130,N,00453.7101,E,0,0,010526,,,N",              // no fix
          "$GPGGA,120005,5222.2130,N,00453.7101,E,0,00,,,M,,M,,",                 // no fix
          "$GPGGA,120005,5260.0000,N,00453.7101,E,1,08,0.9,2.0,M,46.9,M,,",       // 60 minutes
          "$GPGGA,120005,9100.0000,N,00453.7101,E,1,08,0.9,2.0,M,46.9,M,,",       // beyond 90
          "$GPGGA,120005,5222.2130,X,00453.7101,E,1,08,0.9,2.0,M,46.9,M,,",       // hemisphere
          "$GPGGA,246005,5222.2130,N,00453.7101,E,1,08,0.9,2.0,M,46.9,M,,",       // hour
          "$GPGGA,120005,52 2.2130,N,00453.7101,E,1,08,0.9,2.0,M,46.9,M,,",       // a blank
          "$GPGGA,120005,5222.2130,N,0x453.7101,E,1,08,0.9,2.0,M,46.9,M,,",       // hexadecimal
          "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00",
          "GPGGA,120005,5222.2130,N,00453.7101,E,1,08,0.9,2.0,M,46.9,M,,"}) {
        EXPECT_FALSE(ParseNmeaSentence(refused).has_value()) << refused;
    }
}

TEST(NmeaLog, OneTimedPointPerFixAcrossMidnight) {
    const std::string log =
        "$GPGGA,235958,5200.0000,N,00500.0000,E,1,08,0.9,2.0,M,46.9,M,,\n"
        "$GPRMC,235958,A,5200.0000,N,00500.0000,E,0,0,010526,,,A\n"
        "garbage line\n"
        "$GPRMC,000002,A,5201.0000,N,00500.0000,E,0,0,020526,,,A\n";
    std::vector<TTrackPoint> points;
    std::string error;
    ASSERT_TRUE(ParseNmeaLog(log, &points, &error)) << error;
    ASSERT_EQ(points.size(), 2u);
    EXPECT_DOUBLE_EQ(*points[1].seconds - *points[0].seconds, 4.0);
    EXPECT_FALSE(ParseNmeaLog("$GPGSV,1,1,00*79\n", &points, &error));
}

TEST(Gpx, TracksRoutesAndWaypointsWithTheirTimes) {
    if (!GpxSupported()) GTEST_SKIP() << "built without pugixml";
    const struct {
        std::string document;
        std::size_t points;  // 0: refused
        bool timed;
    } cases[] = {
        {R"(<gpx><trk><trkseg><trkpt lat="52.1" lon="5.1"><time>2026-05-01T10:00:00Z</time>
            </trkpt><trkpt lat="52.2" lon="5.2"><time>2026-05-01T12:00:30+02:00</time></trkpt>
            </trkseg></trk><wpt lat="1" lon="1"/></gpx>)",
         2, true},
        {R"(<gpx><rte><rtept lat="52.1" lon="5.1"><time>2026-05-01T10:00:00Z</time></rtept>
            <rtept lat="52.2" lon="5.2"/></rte></gpx>)",
         2, false},
        {R"(<gpx><wpt lat="-33.8" lon="151.2"/></gpx>)", 1, false},
        {R"(<gpx><wpt lat="91" lon="5"/></gpx>)", 0, false},
        {R"(<gpx><wpt lat="52"/></gpx>)", 0, false},
        {R"(<kml><wpt lat="52" lon="5"/></kml>)", 0, false},
        {R"(<gpx><trk><trkpt lat="52" lon="5">)", 0, false},
        {R"(<gpx></gpx>)", 0, false},
    };
    for (const auto& test : cases) {
        std::vector<TTrackPoint> points;
        std::string error;
        ASSERT_EQ(ParseGpx(test.document, &points, &error), test.points > 0) << test.document;
        ASSERT_EQ(points.size(), test.points) << test.document;
        if (test.points == 0) continue;
        EXPECT_EQ(points[0].seconds.has_value(), test.timed) << test.document;
        if (test.points == 2 && test.timed) {
            EXPECT_DOUBLE_EQ(*points[1].seconds - *points[0].seconds, 30.0);
        }
    }
}

TEST(TrackReplay, FollowsTheTrackInItsOwnTime) {
    const TGeoPoint a{52.0, 5.0}, b{52.01, 5.0}, c{52.01, 5.02};
    CTrackReplay replay;
    std::string error;
    ASSERT_TRUE(replay.Load({{a, 100.0}, {b, 160.0}, {b, 200.0}, {c, 260.0}}, &error)) << error;
    const double ab = DistanceMetres(a, b);
    const struct {
        double seconds;
        TGeoPoint point;
        double heading, speedKmh;
        bool finished;
    } cases[] = {
        {-5, a, 0, ab / 60 * 3.6, false},
        {30, Interpolate(a, b, 0.5), 0, ab / 60 * 3.6, false},
        {80, b, 0, 0, false},  // standing at b, still heading north
        {130, Interpolate(b, c, 0.5), BearingDegrees(b, c), DistanceMetres(b, c) / 60 * 3.6, false},
        {999, c, BearingDegrees(b, c), 0, true},
    };
    for (const auto& test : cases) {
        const TReplayFix fix = replay.At(test.seconds);
        EXPECT_LT(DistanceMetres(fix.point, test.point), 0.01) << test.seconds;
        EXPECT_NEAR(fix.headingDegrees, test.heading, 0.01) << test.seconds;
        EXPECT_NEAR(fix.speedKmh, test.speedKmh, 0.01) << test.seconds;
        EXPECT_EQ(fix.finished, test.finished) << test.seconds;
    }
    // Untimed points at the untimed speed; times that run back are refused.
    ASSERT_TRUE(replay.Load({{a, {}}, {b, 5.0}}, &error));
    EXPECT_NEAR(replay.durationSeconds(), ab / (CTrackReplay::kUntimedSpeedKmh / 3.6), 1e-6);
    EXPECT_FALSE(replay.Load({{a, 10.0}, {b, 5.0}}, &error));
    EXPECT_FALSE(replay.Load({}, &error));
}

TEST(FaultScript, Syntax) {
    const struct {
        std::string text;
        EFaultKind kind;
        long value;
        bool once;
    } faults[] = {
        {"GetApplicationVersionV01:delay=2000", EFaultKind::kDelay, 2000, false},
        {"NavigateToAddressV01:code=3:once", EFaultKind::kCode, 3, true},
        {"*:code=-7", EFaultKind::kCode, -7, false},
        {"GetRouteInfoV01:never", EFaultKind::kNever, 0, false},
        {"GetRouteInfoV01:malformed:once", EFaultKind::kMalformed, 0, true},
        {"StopApplicationV01:exit", EFaultKind::kExit, 0, false},
    };
    for (const auto& test : faults) {
        TFault fault;
        std::string error;
        ASSERT_TRUE(ParseFault(test.text, &fault, &error)) << test.text << ": " << error;
        EXPECT_EQ(fault.kind, test.kind) << test.text;
        EXPECT_EQ(fault.value, test.value) << test.text;
        EXPECT_EQ(fault.once, test.once) << test.text;
    }
    for (const char* refused :
         {"GetRouteInfoV01:delay=3600001", "GetRouteInfoV01:delay=", "GetRouteInfoV01:delay=1e3",
          "GetRouteInfoV01:code=x", "GetRouteInfoV01:never:twice", "GetRouteInfoV01:never=1",
          "getrouteinfov01:never", "GetRouteInfoV01", "GetRouteInfoV01:sleep=5"}) {
        TFault fault;
        std::string error;
        EXPECT_FALSE(ParseFault(refused, &fault, &error)) << refused;
        EXPECT_NE(error.find(refused), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace oxsdk::emulator
