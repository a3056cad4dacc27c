// The places that the live view's map is given: the most populous first, at most
// kMaxLivePlaces of them, with their position in microdegrees.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "live_state.h"

namespace oxsdk::emulator::testing {
namespace {

TEST(LivePlaces, MostPopulousFirstAndNoMoreThanTheBound) {
    CGazetteer gazetteer;
    const long count = static_cast<long>(kMaxLivePlaces) + 2;
    for (long i = 0; i < count; ++i) {
        gazetteer.Add({"p" + std::to_string(i),
                       {},
                       "NL",
                       "",
                       "",
                       {52.5 + static_cast<double>(i) * 1e-6, -4.25},
                       i});
    }
    const nlohmann::json places = nlohmann::json::parse(LivePlacesJson(gazetteer))["places"];
    ASSERT_EQ(places.size(), kMaxLivePlaces);
    EXPECT_EQ(places.front(), nlohmann::json::parse(R"(["p5001", 52505001, -4250000, 5001])"));
    EXPECT_EQ(places.back()[0], "p2");
}

}  // namespace
}  // namespace oxsdk::emulator::testing
