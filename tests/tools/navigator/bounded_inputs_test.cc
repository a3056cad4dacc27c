// The emulator's input files and routes are bounded: a FIFO or an oversized file named as the
// scenario or gazetteer is refused at once, and a route through many far-apart stops has no
// more points than one long route.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include "gazetteer.h"
#include "navigator_fixture.h"
#include "route_planner.h"
#include "scenario.h"

namespace oxsdk::emulator::testing {
namespace {

TEST(BoundedInputs, AFifoOrAnOversizedFileIsRefusedAtOnce) {
    CTemporaryFolder folder;
    const std::string fifo = folder.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = folder.path() + "/big.json";
    std::ofstream(big) << std::string(kMaxScenarioBytes, ' ') << "{}";
    const std::vector<std::pair<std::string, std::function<bool(std::string*)>>> loads = {
        {"scenario fifo",
         [&](std::string* e) {
             TScenario s;
             return LoadScenario(fifo, &s, e);
         }},
        {"scenario big",
         [&](std::string* e) {
             TScenario s;
             return LoadScenario(big, &s, e);
         }},
        {"gazetteer fifo", [&](std::string* e) {
             CGazetteer g;
             return g.LoadFile(fifo, e);
         }}};
    for (const auto& [name, load] : loads) {
        std::string error;
        auto done = std::async(std::launch::async, [&] { return load(&error); });
        if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            // Waiting for a writer: give it one so that the test can end.
            ::close(::open(fifo.c_str(), O_WRONLY));
            done.wait();
            ADD_FAILURE() << name << ": still waiting after 60 s";
            continue;
        }
        EXPECT_FALSE(done.get()) << name;
        EXPECT_NE(error.find(name.find("fifo") != std::string::npos ? "not a regular file"
                                                                    : "larger than"),
                  std::string::npos)
            << name << ": " << error;
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
