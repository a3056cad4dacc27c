// Copies for a monitor: a send leaves a copy of its message in the monitor's copies folder only
// while a registration younger than its lifetime is there, and within the process's budget for
// that registration; a registration written again renews the budget.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"
#include "platform/fake/fake_platform.h"
#include "support/exchange_files.h"

namespace {

using oxsdk::platform::FakePlatform;

const std::u16string kRegistration = u"\\Ostrel\\SdkMonitor\\Registration";
const std::u16string kCopies = u"\\Ostrel\\SdkMonitor\\Copies";

TEST(MonitorCopiesTest, CopiesOnlyForAFreshRegistrationAndWithinTheBudget) {
    FakePlatform fake;
    oxsdk::platform::ScopedPlatform scope(fake);
    fake.AddFolder(kCopies);
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer(
        COstrelFileLayer::New("app", "nav", 1234));
    // Sends one command, as a monitor takes each copy: the copies there now, deleted.
    const auto send = [&](std::uint32_t pause) {
        fake.Sleep(pause);
        layer->StartSendCommand();
        layer->AppendArgument("EchoV01");
        std::unique_ptr<MOstrelSession> session(layer->SendCommand());
        std::size_t copies = 0;
        for (const std::u16string& name : fake.ListFolder(kCopies)) {
            EXPECT_EQ(fake.FileContents(oxsdk::testing::kExchange + name),
                      fake.FileContents(kCopies + u"\\" + name));
            fake.DeleteFile((kCopies + u"\\" + name).c_str());
            ++copies;
        }
        return copies;
    };
    const std::uint32_t look = COstrelFileLayer::kMonitorCheckMilliseconds;
    EXPECT_EQ(0u, send(look));  // no monitor
    fake.AddFile(kRegistration);
    EXPECT_EQ(1u, send(look));
    EXPECT_EQ(0u, send(COstrelFileLayer::kMonitorRegistrationLifetimeMilliseconds));  // stale
    fake.AddFile(kRegistration);
    std::size_t copied = send(look);
    for (std::uint32_t i = 0; i < COstrelFileLayer::kMonitorCopyCount; ++i) copied += send(0);
    EXPECT_EQ(COstrelFileLayer::kMonitorCopyCount, copied);
    fake.AddFile(kRegistration);  // written again: a new budget
    EXPECT_EQ(1u, send(look));
}

}  // namespace
