#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/Arguments.h"
#include "platform/fake/fake_platform.h"
#include "transport/message_receive.h"

namespace {

using oxsdk::platform::Error;
using oxsdk::platform::FakePlatform;
using oxsdk::platform::ScopedPlatform;
using namespace oxsdk::transport;

const std::u16string kMessage = u"\\Ostrel\\SdkFileCalls\\nav.app.1.2.message";
const std::u16string kMarker = u"\\Ostrel\\SdkFileCalls\\nav.app.1.2.finished";

// An argument list whose heap buffer can never be had.
class NoHeapArguments : public CCsvArguments {
public:
    NoHeapArguments() : CCsvArguments('|') {}
    int PrepareLargeBuffer(int) override {
        Reset();
        return 0;
    }
};

TEST(MessageReceiveTest, HeapBufferFailureEndsWithNoFieldsAndConsumesTheMessage) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    std::string big = "0|" + std::string(2000, 'b') + "|";
    fake.AddFile(kMessage, big + '\0');
    fake.AddFile(kMarker, "finish\n");
    NoHeapArguments arguments;
    arguments.AppendArgument("old");  // fields a failed receive must not pass off as its own
    arguments.DecodeCommand();
    EXPECT_EQ(EReceiveResult::kReceived, ReceiveIfComplete(arguments, "nav", "app", 1, 2));
    EXPECT_EQ(0, arguments.NrReceiveFields());
    EXPECT_FALSE(fake.Exists(kMessage));
    EXPECT_FALSE(fake.Exists(kMarker));
}

// Another party takes the command between the marker test and the read of the message.
class TakenAway : public oxsdk::platform::PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    Error OpenForReading(const char16_t* path,
                         std::unique_ptr<oxsdk::platform::File>* file) override {
        if (std::u16string(path) == kMessage) {
            target().DeleteFile(kMarker.c_str());
            target().DeleteFile(kMessage.c_str());
        }
        return PlatformWrapper::OpenForReading(path, file);
    }
};

TEST(MessageReceiveTest, CommandTakenByAnotherPartyIsNotReported) {
    FakePlatform fake;
    TakenAway taken(fake);
    ScopedPlatform use(taken);
    fake.AddFile(kMessage, std::string("0|\0", 3));
    fake.AddFile(kMarker, "finish\n");
    CCsvArguments arguments('|');
    EXPECT_EQ(EReceiveResult::kNotComplete, ReceiveIfComplete(arguments, "nav", "app", 1, 2));
    EXPECT_EQ(0, arguments.NrReceiveFields());
}

}  // namespace
