// Recorded positions: NMEA sentences and logs, the replay along them, and the syntax of
// scripted faults; GPX documents are left to the track fuzzer's corpus. How the navigator reports a
// replayed or fed position is shown through its commands (command_handler_test.cc) and end to end.
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
          "$GPGGA,120005,5260.0000,N,00453.7101,E,1,08,0.9,2.0,M,46.9,M,,",       // 60 minutes
          "$GPGGA,120005,9100.0000,N,00453.7101,E,1,08,0.9,2.0,M,46.9,M,,",       // beyond 90
          "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00"}) {
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
    // What each kind does is shown on the command handler; here the forms it takes or refuses.
    TFault fault;
    std::string error;
    ASSERT_TRUE(ParseFault("*:code=-7", &fault, &error)) << error;
    EXPECT_EQ(fault.kind, EFaultKind::kCode);
    EXPECT_EQ(fault.value, -7);
    ASSERT_TRUE(ParseFault("GetApplicationVersionV01:delay=2000:once", &fault, &error)) << error;
    EXPECT_EQ(fault.kind, EFaultKind::kDelay);
    EXPECT_EQ(fault.value, 2000);
    EXPECT_TRUE(fault.once);
    for (const char* refused :
         {"GetRouteInfoV01:delay=3600001", "GetRouteInfoV01:delay=", "GetRouteInfoV01:code=x",
          "GetRouteInfoV01:never:twice", "getrouteinfov01:never", "GetRouteInfoV01"}) {
        EXPECT_FALSE(ParseFault(refused, &fault, &error)) << refused;
        EXPECT_NE(error.find(refused), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace oxsdk::emulator
