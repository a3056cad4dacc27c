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
using Pairs = std::vector<std::pair<int, int>>;

int allocations = 0;
void* CountingAllocation(std::size_t bytes) {
    ++allocations;
    return std::malloc(bytes);
}
void* FailingAllocation(std::size_t) {
    ++allocations;
    return nullptr;
}

struct Retrieved {
    int result;
    API::TError error;
    API::TRouteCoordinates route;
    Pairs pairs;  ///< copied out; the array is freed
};

/// Retrieves `reply` into a record that holds a count and pointer left from elsewhere.
Retrieved Retrieve(const std::string& reply, oxsdk::api::PairAllocation allocation,
                   bool withSession = true) {
    static API::TRouteCoordinatePair stale[1];
    ScopedPairAllocation replaced(allocation);
    allocations = 0;
    ScriptedLayer layer;
    API api(layer);
    layer.QueueReply(reply);
    Retrieved out{0, {12345}, {77, stale}, {}};
    MOstrelSession* session = withSession ? api.GetRouteCoordinatesAsync(1) : nullptr;
    out.result = api.GetRouteCoordinatesAsyncRetrieve(session, &out.error, &out.route);
    EXPECT_EQ(0, layer.liveSessions());
    EXPECT_TRUE(withSession || layer.calls().empty());
    for (int i = 0; out.route.coordinates != nullptr && i < out.route.count; ++i) {
        out.pairs.emplace_back(out.route.coordinates[i].first, out.route.coordinates[i].second);
    }
    std::free(out.route.coordinates);
    return out;
}

TEST(RouteCoordinatesTest, EveryReplyShapeAndNullSessionGiveTheirResultCountAndPairs) {
    // A hundred thousand pairs are taken whole.
    std::string big = "0|100000|";
    Pairs bigPairs;
    for (int i = 0; i < 100000; ++i) {
        big += std::to_string(i) + "|" + std::to_string(-i) + "|";
        bigPairs.emplace_back(i, -i);
    }
    struct Case {
        const char* reply;
        int result, errorCode, count;
        Pairs pairs;
        oxsdk::api::PairAllocation allocation = CountingAllocation;
        bool withSession = true;
    };
    const Case cases[] = {
        // Announced 5, three complete pairs present: fields 2 to 7 are read.
        {"0|5|1|-2|3|-4|5|-6|", 0, 0, 3, {{1, -2}, {3, -4}, {5, -6}}},
        // Announced 2, four present: fields 6 to 9 are not read.
        {"0|2|10|20|30|40|50|60|70|80|", 0, 0, 2, {{10, 20}, {30, 40}}},
        {"0|2|7|8|9|", 0, 0, 1, {{7, 8}}},  // the odd fifth field makes no pair
        {"0|2147483647|-2147483648|2147483647|", 0, 0, 1, {{INT32_MIN, INT32_MAX}}},
        {big.c_str(), 0, 0, 100000, bigPairs},
        // No pair to take: announced 0 or negative, exactly two fields, none present.
        {"0|0|1|2|", -5, -5, 0, {}},
        {"0|-3|1|2|", -5, -5, 0, {}},
        {"0|4|", -5, -5, 0, {}},
        {"0|1|9|", -5, -5, 0, {}},
        // Nothing read past the navigator's code: no field, one field, a non-zero code.
        {"", 0, -2, -1, {}},
        {"9|", 0, -2, -1, {}},
        {"3|2|1|2|3|4|", 0, 3, -1, {}},
        {"-7|2|1|2|3|4|", 0, -7, -1, {}},
        // The array cannot be had: the count stays.
        {"0|3|1|2|3|4|5|6|", 0, -5, 3, {}, FailingAllocation},
        // No session: the record is reset, and the result is still 0.
        {"0|1|1|2|", 0, -1, -1, {}, CountingAllocation, false},
    };
    for (const Case& c : cases) {
        const Retrieved out = Retrieve(c.reply, c.allocation, c.withSession);
        SCOPED_TRACE(std::string(c.reply).substr(0, 40));
        EXPECT_EQ(c.result, out.result);
        EXPECT_EQ(c.errorCode, out.error.errorCode);
        EXPECT_EQ(c.count, out.route.count);
        EXPECT_EQ(c.pairs, out.pairs);
        EXPECT_EQ(c.pairs.empty(), out.route.coordinates == nullptr);
        EXPECT_EQ(c.count > 0 ? 1 : 0, allocations);
    }
}

}  // namespace
