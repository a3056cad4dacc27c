// The live view's HTTP server: its page and state on a loopback port, nothing else, and only
// to requests that name this machine.
#include "live_view.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <nlohmann/json.hpp>
#include <thread>

#include "navigator_fixture.h"

namespace oxsdk::emulator::testing {
namespace {

TEST(LiveView, ServesItsPageAndStateToRequestsNamingThisMachineOnly) {
    CTemporaryFolder folder;
    CLog log;
    log.CaptureInMemory();
    CUserDataStore store(folder.path(), "data");
    CSimulationClock clock(1.0, 1780000000.0);
    CEmulatedNavigator navigator(ShippedGazetteer(), store, clock, log, {52.370216, 4.895168}, {});
    navigator.model().FlashMessage("<b>hello</b>", 0);
    CLiveState state;
    // The command loop, publishing after each pass.
    std::atomic<bool> stop{false};
    std::thread loop([&] {
        while (!stop) {
            state.Publish(navigator);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    CLiveView view;
    std::string error;
    ASSERT_TRUE(view.Start({"127.0.0.1", 0}, state, &error)) << error;
    ASSERT_GT(view.port(), 0);

    httplib::Client client("127.0.0.1", view.port());
    const std::string key = "?token=" + view.token();
    const httplib::Result page = client.Get("/" + key);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("<svg"), std::string::npos);
    EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'none'"),
              std::string::npos);
    const httplib::Result stateReply = client.Get("/state.json" + key);
    ASSERT_TRUE(stateReply);
    const nlohmann::json json = nlohmann::json::parse(stateReply->body);
    EXPECT_EQ(json["position"]["lat"], 52370216);
    EXPECT_EQ(json["message"]["text"], "<b>hello</b>");
    for (const std::string path : {"/live_view.cc", "/../../../etc/passwd", "/state.json/x"}) {
        const httplib::Result other = client.Get(path + key);
        ASSERT_TRUE(other) << path;
        EXPECT_EQ(other->status, 404) << path;
    }
    for (const char* host : {"attacker.example", "attacker.example:80", "127.0.0.1.example"}) {
        const httplib::Result foreign = client.Get("/state.json" + key, {{"Host", host}});
        ASSERT_TRUE(foreign) << host;
        EXPECT_EQ(foreign->status, 403) << host;
    }
    const httplib::Result named = client.Get("/state.json" + key, {{"Host", "localhost:1"}});
    ASSERT_TRUE(named);
    EXPECT_EQ(named->status, 200);

    CLiveView second;
    EXPECT_FALSE(second.Start({"127.0.0.1", view.port()}, state, &error));
    view.Stop();
    EXPECT_FALSE(client.Get("/" + key));
    stop = true;
    loop.join();
}

}  // namespace
}  // namespace oxsdk::emulator::testing
