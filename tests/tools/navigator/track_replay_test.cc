// NMEA sentences and the replay along a track; logs and GPX documents are left to the track
// fuzzer's corpus, fed positions to the command handler's tests.
#include "track_replay.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace oxsdk::emulator
