// The live view's address (loopback only, with a port) and its snapshots: what they hold of the
// navigator, and that the loop builds them only once somebody watches.
#include "live_state.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "live_endpoint.h"
#include "navigator_fixture.h"

namespace oxsdk::emulator::testing {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;

TEST(LiveEndpoint, AcceptsLoopbackAddressesOnly) {
    const std::vector<std::tuple<std::string, std::string, int>> accepted = {
        {"127.0.0.1:8080", "127.0.0.1", 8080},
        {"localhost:0", "127.0.0.1", 0},
        {"[::1]:65535", "::1", 65535}};
    for (const auto& [text, host, port] : accepted) {
        TLiveEndpoint endpoint;
        std::string error;
        ASSERT_TRUE(ParseLoopbackEndpoint(text, &endpoint, &error)) << text << ": " << error;
        EXPECT_EQ(endpoint.host, host);
        EXPECT_EQ(endpoint.port, port);
    }
    for (const std::string text : {"0.0.0.0:80", "192.168.1.2:80", "example.com:80", "[::]:80",
                                   "127.0.0.1", "127.0.0.1:65536", "127.0.0.1:8o", "127.0.0.01:80",
                                   "0x7f.0.0.1:80", "[::2]:80", "localhost.example:80"}) {
        TLiveEndpoint endpoint;
        std::string error;
        EXPECT_FALSE(ParseLoopbackEndpoint(text, &endpoint, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    EXPECT_EQ(EndpointAuthority({"::1", 80}), "[::1]:80");
}

class LiveStateTest : public ::testing::Test {
protected:
    LiveStateTest()
        : store_(folder_.path(), "data"),
          clock_(100.0, 1780000000.0, [this] { return wallSeconds_; }),
          navigator_(ShippedGazetteer(), store_, clock_, log_, {52.370216, 4.895168}, {}) {
        log_.CaptureInMemory();
    }

    // What the loop publishes for a reader.
    json Published() {
        state_.Latest(milliseconds(0));
        state_.Publish(navigator_);
        return json::parse(state_.Latest(milliseconds(0))->stateJson);
    }

    CTemporaryFolder folder_;
    double wallSeconds_ = 1000.0;
    CLog log_;
    CUserDataStore store_;
    CSimulationClock clock_;
    CEmulatedNavigator navigator_;
    CLiveState state_;
};

TEST_F(LiveStateTest, SnapshotsFollowTheVehicleAndItsRouteOnceSomebodyWatches) {
    state_.Publish(navigator_);  // nobody asked yet: nothing is built
    EXPECT_EQ(state_.Latest(milliseconds(0))->stateJson, "{}");
    EXPECT_EQ(Published()["position"], json({{"lat", 52370216}, {"lon", 4895168}}));

    const TTrip& trip = navigator_.model().NavigateTo({52.090737, 5.121420}, "Utrecht");
    wallSeconds_ += 6;  // 10 simulated minutes: on the way
    navigator_.Update();
    const json state = Published();
    EXPECT_EQ(state["route"]["number"], 1);
    EXPECT_EQ(state["route"]["destinationName"], "Utrecht");
    EXPECT_LT(state["position"]["lat"], 52370216);
    EXPECT_GT(state["route"]["travelledMetres"], 0);
    const json route = json::parse(*state_.Latest(milliseconds(0))->routeJson);
    EXPECT_EQ(route["number"], 1);
    EXPECT_EQ(route["points"].size(), 2 * trip.route.points.size());

    navigator_.model().ClearRoute();
    EXPECT_TRUE(Published()["route"].is_null());
    EXPECT_EQ(json::parse(*state_.Latest(milliseconds(0))->routeJson)["points"].size(), 0u);
}

TEST_F(LiveStateTest, StoredTextsOfAnyBytesArePublishedAsValidJson) {
    // Stored as they came, as texts loaded from an older data file could be.
    navigator_.model().FlashMessage("\xe0\x80\x80", 5);
    ASSERT_TRUE(store_.SetFavorite(1, {"\xed\xa0\x80", "\xff", 52000000, 5000000}));
    const json published = Published();
    EXPECT_EQ(published["message"]["text"], "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(published["favorites"][0]["name"], "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(published["favorites"][0]["description"], "\xef\xbf\xbd");
}

}  // namespace
}  // namespace oxsdk::emulator::testing
