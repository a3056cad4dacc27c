// Several client threads, each with its own layer and COstrelAPI, and a navigator thread in
// the same process, all on one emulated device: every reply reaches the thread that asked, and
// the shared parts behind them (the platform's folder waits, the library's navigator state)
// hold up. Built with ThreadSanitizer by the tsan preset, which reports any data race.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "OXSDK5Link/OXSDK5Link.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"
#include "support/echo_navigator.h"
#include "transport/exchange_folder.h"

namespace {

namespace fs = std::filesystem;
using oxsdk::platform::EmulatedWindow;

constexpr int kClients = 4;
constexpr int kCommandsPerClient = 300;

TEST(ThreadsTest, ClientThreadsAndNavigatorThreadShareOneDevice) {
    std::string root = fs::temp_directory_path() / "oxsdk-threads-XXXXXX";
    ASSERT_NE(mkdtemp(root.data()), nullptr);
    std::unique_ptr<oxsdk::platform::Platform> device = oxsdk::platform::NewPosixPlatform(root);
    oxsdk::platform::ScopedPlatform use(*device);
    std::unique_ptr<EmulatedWindow> window = EmulatedWindow::Create("AldernWinClass", root);
    ASSERT_NE(window, nullptr);

    std::atomic<bool> stop{false};
    std::thread navigator([&] {
        oxsdk::testing::EchoNavigator handler;
        while (!stop) {
            COstrelFileLayer::ProcessEvents("nav", handler);
            COstrelFileLayer::WaitForCommand("nav", 100);
        }
    });

    std::atomic<int> wrong{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            const std::string name = "client" + std::to_string(c);
            MOstrelCommunicationLayerInterface* layer =
                COstrelFileLayer::New(name.c_str(), "nav", -1);
            COstrelAPI api(*layer);
            COstrelAPI::TError error;
            for (int i = 0; i < kCommandsPerClient; ++i) {
                const std::string text = name + "-" + std::to_string(i);
                layer->StartSendCommand();
                layer->AppendArgument("Echo");
                layer->AppendArgument(text.c_str());
                layer->StartReceiveCommand(layer->SendCommand());
                if (layer->NrReceiveFields() != 2 || text != layer->ReceiveField(1)) ++wrong;
                // A blocking command: the running test and the navigator state on the way.
                if (i % 10 == 0 && (api.NavigateToCoordinates(&error, i, c, text.c_str()) != 0 ||
                                    error.errorCode != 0)) {
                    ++wrong;
                }
            }
            delete layer;
        });
    }
    for (std::thread& client : clients) client.join();
    stop = true;
    navigator.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(fs::is_empty(root + "/Ostrel/SdkFileCalls"));
    window.reset();
    fs::remove_all(root);
}

}  // namespace
