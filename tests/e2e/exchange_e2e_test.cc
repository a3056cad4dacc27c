// A client and the test navigator, two processes on a temporary emulated device, exchange
// commands through the file layer.
#include <signal.h>
#include <stdlib.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "platform/platform.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kGenerousWait = std::chrono::seconds(30);
const char16_t kExchangeFolder[] = u"\\Ostrel\\SdkFileCalls";

class ExchangeEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/oxsdk-e2e-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root_ = pattern;
        // The library in this process and the navigator both read the root from here.
        ASSERT_EQ(0, setenv("OXSDK_DEVICE_ROOT", root_.c_str(), 1));
        ASSERT_EQ(0, setenv("OXSDK_TEST_NAVIGATOR_NAME", "testnav", 1));
        ASSERT_EQ(0, setenv("OXSDK_TEST_NAVIGATOR_MODE", Mode(), 1));
        child_ = fork();
        ASSERT_NE(-1, child_);
        if (child_ == 0) {
            execl(OXSDK_TEST_NAVIGATOR_PATH, OXSDK_TEST_NAVIGATOR_PATH,
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_TRUE(WaitFor([] {
            return oxsdk::platform::CurrentPlatform().FindWindow(u"AldernWinClass") != 0;
        })) << "the navigator's window did not appear";
    }

    virtual const char* Mode() const { return ""; }

    void TearDown() override {
        if (child_ > 0) {
            if (!ChildHasExited()) {
                kill(child_, SIGKILL);
                waitpid(child_, nullptr, 0);
            }
            child_ = -1;
        }
        unsetenv("OXSDK_DEVICE_ROOT");
        unsetenv("OXSDK_TEST_NAVIGATOR_MODE");
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }

    // Polls `condition` until it holds or the generous limit passes; also gives up when the
    // navigator has died.
    template <typename Condition>
    bool WaitFor(Condition condition) {
        Clock::time_point deadline = Clock::now() + kGenerousWait;
        while (Clock::now() < deadline) {
            if (condition()) return true;
            if (ChildHasExited()) return condition();
            oxsdk::platform::CurrentPlatform().WaitForFolderChange(kExchangeFolder, 5);
        }
        return false;
    }

    bool ChildHasExited() {
        if (exitStatus_ >= 0) return true;
        int status = 0;
        if (waitpid(child_, &status, WNOHANG) != child_) return false;
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        return true;
    }

    // Waits for the reply of `session` without the layer's unbounded wait, then collects it.
    std::vector<std::string> Retrieve(MOstrelCommunicationLayerInterface& layer,
                                      MOstrelSession* session) {
        std::vector<std::string> fields;
        if (!WaitFor([&] { return layer.ReturnAvailable(session) == 1; })) {
            ADD_FAILURE() << "no reply within the limit";
            delete session;
            return fields;
        }
        layer.StartReceiveCommand(session);
        for (int i = 0; i < layer.NrReceiveFields(); ++i)
            fields.emplace_back(layer.ReceiveField(i));
        return fields;
    }

    std::size_t ExchangeFolderEntries() const {
        std::filesystem::path folder = std::filesystem::path(root_) / "Ostrel" / "SdkFileCalls";
        std::size_t count = 0;
        for (auto it = std::filesystem::directory_iterator(folder);
             it != std::filesystem::directory_iterator(); ++it) {
            ++count;
        }
        return count;
    }

    std::string root_;
    pid_t child_ = -1;
    int exitStatus_ = -1;
};

TEST_F(ExchangeEndToEndTest, ThousandCommandsEachGetTheirOwnReply) {
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("e2eclient", "testnav", -1));
    ASSERT_NE(layer, nullptr);

    constexpr int kCommands = 1000;
    constexpr int kInFlight = 8;  // commands sent before the oldest reply is collected
    struct Pending {
        MOstrelSession* session;
        int number;
    };
    std::vector<Pending> pending;
    int answered = 0;
    Clock::time_point start = Clock::now();
    for (int number = 0; number < kCommands || !pending.empty();) {
        if (number < kCommands && pending.size() < kInFlight) {
            std::string argument = "argument-" + std::to_string(number);
            layer->StartSendCommand();
            layer->AppendArgument("EchoV01");
            layer->AppendArgument(argument.c_str());
            layer->AppendArgument(std::to_string(number * 7).c_str());
            MOstrelSession* session = layer->SendCommand();
            ASSERT_NE(session, nullptr) << number;
            pending.push_back({session, number});
            ++number;
            continue;
        }
        Pending oldest = pending.front();
        pending.erase(pending.begin());
        std::vector<std::string> reply = Retrieve(*layer, oldest.session);
        ASSERT_EQ((std::vector<std::string>{"0", "argument-" + std::to_string(oldest.number),
                                            std::to_string(oldest.number * 7)}),
                  reply);
        ++answered;
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%d commands exchanged in %.3f s (%.2f ms per command, %d in flight)\n", answered,
                seconds, seconds * 1000.0 / answered, kInFlight);
    RecordProperty("exchange_seconds", std::to_string(seconds));
    EXPECT_EQ(kCommands, answered);

    // Stop the navigator: it answers, exits and takes its window with it.
    layer->StartSendCommand();
    layer->AppendArgument("StopApplicationV01");
    EXPECT_EQ((std::vector<std::string>{"0"}), Retrieve(*layer, layer->SendCommand()));
    EXPECT_TRUE(WaitFor([&] { return ChildHasExited(); }));
    EXPECT_EQ(0, exitStatus_);
    EXPECT_EQ(0u, oxsdk::platform::CurrentPlatform().FindWindow(u"AldernWinClass"));
    EXPECT_EQ(0u, ExchangeFolderEntries());
}

TEST_F(ExchangeEndToEndTest, SequentialCommandsThroughTheLayersOwnWait) {
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("waiter", "TESTNAV", -1));
    ASSERT_NE(layer, nullptr);
    for (int number = 0; number < 20; ++number) {
        layer->StartSendCommand();
        layer->AppendArgument("BringNavigatorToForegroundV01");
        layer->AppendArgument(std::to_string(number).c_str());
        MOstrelSession* session = layer->SendCommand();
        ASSERT_NE(session, nullptr);
        // Bounded first, so that a dead navigator fails the test instead of hanging it.
        ASSERT_TRUE(WaitFor([&] { return layer->ReturnAvailable(session) == 1; }));
        layer->StartReceiveCommand(session);
        ASSERT_EQ(2, layer->NrReceiveFields());
        EXPECT_STREQ("0", layer->ReceiveField(0));
        EXPECT_EQ(std::to_string(number), layer->ReceiveField(1));
    }
    kill(child_, SIGTERM);
    EXPECT_TRUE(WaitFor([&] { return ChildHasExited(); }));
    EXPECT_EQ(0, exitStatus_);
    EXPECT_EQ(0u, ExchangeFolderEntries());
}

class SilentNavigatorTest : public ExchangeEndToEndTest {
protected:
    const char* Mode() const override { return "silent"; }
};

TEST_F(SilentNavigatorTest, CommandIsTakenButNeverAnswered) {
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("e2eclient", "testnav", -1));
    ASSERT_NE(layer, nullptr);
    layer->StartSendCommand();
    layer->AppendArgument("GetApplicationVersionV01");
    MOstrelSession* session = layer->SendCommand();
    ASSERT_NE(session, nullptr);
    // Once the navigator has taken the command, the folder is empty and stays without a reply.
    EXPECT_TRUE(WaitFor([&] { return ExchangeFolderEntries() == 0; }));
    EXPECT_EQ(0, layer->ReturnAvailable(session));
    delete session;
}

}  // namespace
