// The emulator's watch on the exchange folder: only files addressed to it wake it, and a pass
// over the arrivals hands the library's handler those commands and no other.
#include "exchange_watch.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "navigator_fixture.h"

namespace oxsdk::emulator::testing {
namespace {

class CRecordingHandler : public MCommandHandlerInterface {
public:
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession*) override {
        received += std::string(layer.ReceiveField(1)) + " ";
        return 0;
    }
    std::string received;
};

TEST(ExchangeWatch, OnlyFilesForItWakeItAndAPassOverArrivalsTakesOnlyThose) {
    CTemporaryFolder device;
    ::setenv("OXSDK_DEVICE_ROOT", device.path().c_str(), 1);
    const std::string folder = device.path() + "/Ostrel/SdkFileCalls";
    std::filesystem::create_directories(folder);
    CExchangeWatch watch;
    ASSERT_TRUE(watch.Open(folder, "Nav"));

    std::set<std::string> arrivals;
    std::ofstream(folder + "/client.Other.7.1.finished");  // someone else's command
    std::ofstream(folder + "/Nav.client.7.1.message");     // a reply of its own
    EXPECT_FALSE(watch.Wait(100, &arrivals));
    EXPECT_TRUE(arrivals.empty());

    std::unique_ptr<MOstrelCommunicationLayerInterface> client(
        COstrelFileLayer::New("client", "nav", -1));  // letter case aside, it is for "Nav"
    auto send = [&client](const char* text) {
        client->StartSendCommand();
        client->AppendArgument("Echo");
        client->AppendArgument(text);
        // No reply will come: the session is the caller's to release.
        std::unique_ptr<MOstrelSession> session(client->SendCommand());
        return session != nullptr;
    };
    ASSERT_TRUE(send("first"));
    while (arrivals.empty() && !watch.Wait(10000, &arrivals)) {
    }
    ASSERT_EQ(arrivals.size(), 1u);
    EXPECT_EQ(arrivals.begin()->rfind("client.nav.", 0), 0u) << *arrivals.begin();

    ASSERT_TRUE(send("second"));  // complete, but not among the arrivals handed over
    CRecordingHandler handler;
    watch.ProcessArrivals(arrivals, handler);
    EXPECT_EQ(handler.received, "first ");
    COstrelFileLayer::ProcessEvents("Nav", handler);  // a whole pass finds the rest
    EXPECT_EQ(handler.received, "first second ");
    ::unsetenv("OXSDK_DEVICE_ROOT");
}

}  // namespace
}  // namespace oxsdk::emulator::testing
