// The emulator's input files and routes are bounded: a FIFO or an oversized input file is
// refused at once, and a route through far-apart stops has no more points than one long route.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>

#include "gazetteer.h"
#include "navigator_fixture.h"
#include "route_planner.h"
#include "scenario.h"

namespace oxsdk::emulator::testing {
namespace {

TEST(BoundedInputs, AFifoOrAnOversizedFileIsRefusedAtOnce) {
    CTemporaryFolder folder;
    const std::string fifo = folder.path() + "/fifo", big = folder.path() + "/big.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(big) << std::string(kMaxScenarioBytes, ' ') << "{}";
    const struct {
        bool gazetteer;
        std::string path;
        const char* error;
    } cases[] = {{false, fifo, "not a regular file"},
                 {false, big, "larger than"},
                 {true, fifo, "not a regular file"}};
    for (const auto& item : cases) {
        SCOPED_TRACE((item.gazetteer ? "gazetteer " : "scenario ") + item.path);
        std::string error;
        auto done = std::async(std::launch::async, [&] {
            TScenario scenario;
            CGazetteer gazetteer;
            return item.gazetteer ? gazetteer.LoadFile(item.path, &error)
                                  : LoadScenario(item.path, &scenario, &error);
        });
        if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ::close(::open(fifo.c_str(), O_WRONLY));  // the writer it waits for, to end the test
            done.wait();
            ADD_FAILURE() << "still waiting after 60 s";
            continue;
        }
        EXPECT_FALSE(done.get());
        EXPECT_NE(error.find(item.error), std::string::npos) << error;
    }
}

TEST(BoundedInputs, ARouteThroughFarApartStopsHasNoMorePointsThanOneLongRoute) {
    std::vector<TGeoPoint> stops;
    for (int i = 0; i < 40; ++i) {
        stops.push_back(i % 2 ? TGeoPoint{-33.87, 151.21} : TGeoPoint{52.37, 4.90});
    }
    const TRoute route = PlanRouteThrough(stops, {});
    EXPECT_LE(route.points.size(), kMaxRoutePoints + stops.size());
    EXPECT_EQ(route.points.size(), route.cumulativeMetres.size());
    EXPECT_NEAR(route.lengthMetres, route.cumulativeMetres.back(), 1.0);
    EXPECT_GT(route.lengthMetres, 39 * 16.0e6);  // each leg at least the great circle
}

}  // namespace
}  // namespace oxsdk::emulator::testing
