// GetRouteCoordinatesAsyncRetrieve: how many pairs it takes from a reply of any length, the
// values it leaves in count, coordinates and errorCode on every failure, and the allocation
// failure driven through a replaced allocation.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/OXSDK5Link.h"
#include "api/route_coordinates.h"
#include "support/scripted_layer.h"

namespace {

using API = COstrelAPI;
using oxsdk::api::ScopedPairAllocation;
using oxsdk::testing::ScriptedLayer;

/// Counts allocations made through it and hands them to malloc.
int allocations = 0;
void* CountingAllocation(std::size_t bytes) {
    ++allocations;
    return std::malloc(bytes);
}
void* FailingAllocation(std::size_t) {
    ++allocations;
    return nullptr;
}

/// A record as a caller might reuse it: a count and pointer left from elsewhere.
API::TRouteCoordinates StaleRoute() {
    static API::TRouteCoordinatePair stale[1];
    return {77, stale};
}

struct Retrieved {
    int result;
    API::TError error;
    API::TRouteCoordinates route;
    std::vector<API::TRouteCoordinatePair> pairs;  ///< copied out; the array is freed
};

Retrieved Retrieve(const std::string& reply) {
    ScriptedLayer layer;
    API api(layer);
    layer.QueueReply(reply);
    Retrieved out{0, {12345}, StaleRoute(), {}};
    out.result = api.GetRouteCoordinatesAsyncRetrieve(api.GetRouteCoordinatesAsync(1), &out.error,
                                                      &out.route);
    EXPECT_EQ(0, layer.liveSessions());
    if (out.route.coordinates != nullptr) {
        out.pairs.assign(out.route.coordinates, out.route.coordinates + out.route.count);
        std::free(out.route.coordinates);
    }
    return out;
}

class RouteCoordinatesTest : public ::testing::Test {
protected:
    RouteCoordinatesTest() : counting(CountingAllocation) { allocations = 0; }
    ScopedPairAllocation counting;
};

TEST_F(RouteCoordinatesTest, TakesTheSmallerOfAnnouncedAndPresentPairs) {
    struct Case {
        const char* reply;
        std::vector<API::TRouteCoordinatePair> pairs;
    };
    const Case cases[] = {
        // Announced 5, three complete pairs present (8 fields): fields 2 to 7 are read.
        {"0|5|1|-2|3|-4|5|-6|", {{1, -2}, {3, -4}, {5, -6}}},
        // Announced 2, four present (10 fields): fields 6 to 9 are not read.
        {"0|2|10|20|30|40|50|60|70|80|", {{10, 20}, {30, 40}}},
        // Announced 2, five fields: the odd fifth field does not make a pair.
        {"0|2|7|8|9|", {{7, 8}}},
        // A very large announcement stays within the pairs present.
        {"0|2147483647|-2147483648|2147483647|", {{-2147483647 - 1, 2147483647}}},
    };
    for (const Case& c : cases) {
        allocations = 0;
        const Retrieved out = Retrieve(c.reply);
        EXPECT_EQ(0, out.result) << c.reply;
        EXPECT_EQ(0, out.error.errorCode) << c.reply;
        EXPECT_EQ(static_cast<int>(c.pairs.size()), out.route.count) << c.reply;
        ASSERT_EQ(c.pairs.size(), out.pairs.size()) << c.reply;
        for (std::size_t i = 0; i < c.pairs.size(); ++i) {
            EXPECT_EQ(c.pairs[i].first, out.pairs[i].first) << c.reply << " pair " << i;
            EXPECT_EQ(c.pairs[i].second, out.pairs[i].second) << c.reply << " pair " << i;
        }
        EXPECT_EQ(1, allocations) << c.reply;
    }
}

TEST_F(RouteCoordinatesTest, ReplyWithoutAPairGivesMinusFiveAndAllocatesNothing) {
    // Announced 0, announced negative, exactly two fields, and pairs announced but none present.
    for (const char* reply : {"0|0|1|2|", "0|-3|1|2|", "0|4|", "0|1|9|"}) {
        const Retrieved out = Retrieve(reply);
        EXPECT_EQ(-5, out.result) << reply;
        EXPECT_EQ(-5, out.error.errorCode) << reply;
        EXPECT_EQ(0, out.route.count) << reply;
        EXPECT_EQ(nullptr, out.route.coordinates) << reply;
    }
    EXPECT_EQ(0, allocations);
}

TEST_F(RouteCoordinatesTest, FailuresBeforeThePairNumberLeaveNoPairsRead) {
    struct Case {
        const char* reply;
        int errorCode;
    };
    const Case cases[] = {
        {"", -2},               // nothing decoded: no field at all
        {"0|", -2},             // one field: the navigator's code in it is not read
        {"9|", -2},             //
        {"3|2|1|2|3|4|", 3},    // the navigator's own code: nothing else is read
        {"-7|2|1|2|3|4|", -7},  //
    };
    for (const Case& c : cases) {
        const Retrieved out = Retrieve(c.reply);
        EXPECT_EQ(0, out.result) << c.reply;
        EXPECT_EQ(c.errorCode, out.error.errorCode) << c.reply;
        EXPECT_EQ(-1, out.route.count) << c.reply;
        EXPECT_EQ(nullptr, out.route.coordinates) << c.reply;
    }
    EXPECT_EQ(0, allocations);
}

TEST_F(RouteCoordinatesTest, NullSessionResetsTheRecordAndReturnsZero) {
    ScriptedLayer layer;
    API api(layer);
    API::TError error{0};
    API::TRouteCoordinates route = StaleRoute();
    EXPECT_EQ(0, api.GetRouteCoordinatesAsyncRetrieve(nullptr, &error, &route));
    EXPECT_EQ(-1, error.errorCode);
    EXPECT_EQ(-1, route.count);
    EXPECT_EQ(nullptr, route.coordinates);
    EXPECT_TRUE(layer.calls().empty());
}

TEST_F(RouteCoordinatesTest, AllocationFailureKeepsTheCountAndGivesMinusFive) {
    ScopedPairAllocation failing(FailingAllocation);
    const Retrieved out = Retrieve("0|3|1|2|3|4|5|6|");
    EXPECT_EQ(0, out.result);
    EXPECT_EQ(-5, out.error.errorCode);
    EXPECT_EQ(3, out.route.count);
    EXPECT_EQ(nullptr, out.route.coordinates);
    EXPECT_EQ(1, allocations);
}

TEST_F(RouteCoordinatesTest, ReplacedAllocationIsRestoredAtTheEndOfItsScope) {
    {
        ScopedPairAllocation failing(FailingAllocation);
        EXPECT_EQ(nullptr, Retrieve("0|1|1|2|").route.coordinates);
    }
    allocations = 0;
    const Retrieved out = Retrieve("0|1|1|2|");
    EXPECT_EQ(0, out.error.errorCode);
    EXPECT_EQ(1u, out.pairs.size());
    EXPECT_EQ(1, allocations);  // the counting allocation of the fixture is back
}

TEST_F(RouteCoordinatesTest, HundredThousandPairsAreTakenWhole) {
    constexpr int kPairs = 100000;
    std::string reply = "0|" + std::to_string(kPairs) + "|";
    for (int i = 0; i < kPairs; ++i) {
        reply += std::to_string(i) + "|" + std::to_string(-i) + "|";
    }
    const Retrieved out = Retrieve(reply);
    EXPECT_EQ(0, out.result);
    EXPECT_EQ(0, out.error.errorCode);
    ASSERT_EQ(kPairs, out.route.count);
    ASSERT_EQ(static_cast<std::size_t>(kPairs), out.pairs.size());
    for (int i : {0, 1, kPairs / 2, kPairs - 1}) {
        EXPECT_EQ(i, out.pairs[static_cast<std::size_t>(i)].first);
        EXPECT_EQ(-i, out.pairs[static_cast<std::size_t>(i)].second);
    }
}

}  // namespace
