// The emulator under --replay as a person first meets it: the start-up log already gives the
// track's first point as the position (what GetCurrentPositionV01 then reports is shown on the
// command handler).
#include <signal.h>

#include <gtest/gtest.h>

#include <fstream>

#include "test_device.h"

namespace oxsdk::emulator::testing {
namespace {

using tools::testing::CTestDevice;
using tools::testing::kBound;
using tools::testing::ReadFile;
using tools::testing::WaitUntil;

TEST(ReplayUsability, ReadyLineGivesTheTracksFirstPoint) {
    CTestDevice device;
    std::ofstream(device.root() + "/track.nmea")
        << "$GPRMC,100000,A,4851.3960,N,00221.1320,E,0,0,010526,,,A\r\n"
           "$GPRMC,110000,A,4852.3960,N,00221.1320,E,0,0,010526,,,A\r\n";
    const std::string log = device.root() + "/navigator.log";
    const pid_t pid = device.StartNavigator({OXSDK_NAVIGATOR_PATH, "--device-root", device.root(),
                                             "--gazetteer", OXSDK_NAVIGATOR_DATA, "--log", log,
                                             "--replay", device.root() + "/track.nmea"});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(
        WaitUntil(kBound, [&] { return ReadFile(log).find("ready:") != std::string::npos; }));
    EXPECT_NE(ReadFile(log).find("position 48.856600,2.352200 (the replayed track's first point)"),
              std::string::npos)
        << ReadFile(log);
    ::kill(pid, SIGTERM);
    EXPECT_EQ(device.WaitForExit(pid), 0);
}

}  // namespace
}  // namespace oxsdk::emulator::testing
