// The watcher against the real navigator emulator on a temporary device, on the emulator's
// simulated clock (the wall clock times the time scale): a route driven to its end with a detour
// on the way, a new destination, a cleared route and a navigator that ends. Each of these gives
// its event once, in order; the test waits for events, never for a fixed time.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/Watcher.h"
#include "test_device.h"

namespace {

using oxsdk::tools::testing::CTestDevice;
using oxsdk::tools::testing::kBound;

constexpr double kTimeScale = 20.0;

std::int64_t SimulatedClock(void*) {
    const auto wall = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::int64_t>(std::chrono::duration<double, std::milli>(wall).count() *
                                     kTimeScale);
}

class CRecorder : public MWatchHandlerInterface {
public:
    void HandleWatchEvent(const COstrelWatcher::TEvent& event) override { events.push_back(event); }
    std::vector<COstrelWatcher::TEvent> events;
};

TEST(WatcherEndToEnd, ReportsEachChangeOnceInOrder) {
    CTestDevice device;
    const std::string scenario = device.root() + "/trip.json";
    // 1.35 km through Amsterdam at 50 km/h; from 400 m on the vehicle leaves the road by up to
    // 120 m for 500 m (beyond the off-route distance for about 26 simulated seconds).
    std::ofstream(scenario) << R"({"destination": {"latitude": 52.3600, "longitude": 4.8852},
        "simulationSpeed": 50,
        "detour": {"afterMetres": 400, "lengthMetres": 500, "offsetMetres": 120}})";
    const pid_t navigator = device.StartNavigator(
        {OXSDK_NAVIGATOR_PATH, "--device-root", device.root(), "--gazetteer", OXSDK_NAVIGATOR_DATA,
         "--scenario", scenario, "--time-scale", std::to_string(kTimeScale), "--log",
         device.root() + "/navigator.log"});
    ASSERT_GT(navigator, 0);

    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("WatchTest", "OstrelNavigator", -1));
    ASSERT_NE(layer, nullptr);
    COstrelAPI api(*layer);
    CRecorder recorder;
    COstrelWatcher watcher(api, recorder);
    watcher.SetClock(SimulatedClock, nullptr);
    const auto pollUntil = [&](COstrelWatcher::EEvent kind) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(kBound);
        while (std::chrono::steady_clock::now() < deadline) {
            if (watcher.Poll() < 0) return false;
            if (!recorder.events.empty() && recorder.events.back().kind == kind) return true;
        }
        return false;
    };

    ASSERT_TRUE(pollUntil(COstrelWatcher::EDestinationReached));
    COstrelAPI::TError error{};
    api.NavigateToCoordinates(&error, 52090737, 5121420, "Utrecht");  // about 35 km
    ASSERT_EQ(error.errorCode, 0);
    ASSERT_TRUE(pollUntil(COstrelWatcher::ERouteChanged));
    api.ClearRoute(&error);
    ASSERT_TRUE(pollUntil(COstrelWatcher::ERouteCleared));
    ASSERT_EQ(kill(navigator, SIGTERM), 0);
    device.WaitForExit(navigator);  // reaped: a child that ended would still count as running
    ASSERT_TRUE(pollUntil(COstrelWatcher::ENavigatorStopped));

    std::vector<COstrelWatcher::EEvent> edges;
    std::size_t progressBeforeArrival = 0;
    for (std::size_t i = 0; i < recorder.events.size(); ++i) {
        const COstrelWatcher::TEvent& event = recorder.events[i];
        EXPECT_EQ(event.sequence, i + 1);
        if (event.kind != COstrelWatcher::EProgress) {
            edges.push_back(event.kind);
        } else if (edges.size() < 5) {
            ++progressBeforeArrival;
        }
        if (event.kind == COstrelWatcher::EDestinationReached) {
            EXPECT_NEAR(event.travelledMetres, event.routeMetres, 100.0);
        }
    }
    const std::vector<COstrelWatcher::EEvent> expected = {
        COstrelWatcher::ENavigatorStarted,   COstrelWatcher::ERouteStarted,
        COstrelWatcher::EOffRoute,           COstrelWatcher::EBackOnRoute,
        COstrelWatcher::EDestinationReached, COstrelWatcher::ERouteChanged,
        COstrelWatcher::ERouteCleared,       COstrelWatcher::ENavigatorStopped};
    EXPECT_EQ(edges, expected);
    EXPECT_GT(progressBeforeArrival, 0u);
}

}  // namespace
