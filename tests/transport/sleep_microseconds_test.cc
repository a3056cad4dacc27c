#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "transport/sleep_microseconds.h"

namespace {

TEST(SleepMicrosecondsTest, SleepsWholeMillisecondsTruncatingAndNeverNegative) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::vector<std::int32_t> counts = {100000, 1000000, 999,   1000,  1999, 0,
                                              -1,     -999,    -1000, -5000, kMax, kMin};
    const std::vector<std::uint32_t> expected = {100, 1000, 0, 1, 1, 0, 0, 0, 0, 0, 2147483, 0};
    oxsdk::platform::FakePlatform fake;
    oxsdk::platform::ScopedPlatform use(fake);
    for (std::int32_t count : counts) oxsdk::transport::SleepMicroseconds(count);
    EXPECT_EQ(expected, fake.sleeps());
}

}  // namespace
