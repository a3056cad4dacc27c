#include <cstdint>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "OXSDK5Link/Arguments.h"
#include "platform/fake/fake_platform.h"
#include "support/allocation_faults.h"
#include "transport/message_receive.h"

namespace {

using oxsdk::platform::Error;
using oxsdk::platform::FakePlatform;
using oxsdk::platform::File;
using oxsdk::platform::ScopedPlatform;
using namespace oxsdk::transport;

const std::u16string kMessage = u"\\Ostrel\\SdkFileCalls\\nav.app.1.2.message";
const std::u16string kFinishedMarker = u"\\Ostrel\\SdkFileCalls\\nav.app.1.2.finished";

// Reports a scripted size for the message and counts the reads of it.
class SizedMessage : public oxsdk::platform::PlatformWrapper {
public:
    SizedMessage(oxsdk::platform::Platform& target, std::uint32_t size)
        : PlatformWrapper(target), size_(size) {}
    class Sized : public File {
    public:
        Sized(std::unique_ptr<File> file, SizedMessage& owner)
            : file_(std::move(file)), owner_(owner) {}
        Error Read(void* buffer, std::uint32_t capacity, std::uint32_t* bytesRead) override {
            ++owner_.reads;
            return file_->Read(buffer, capacity, bytesRead);
        }
        Error Write(const void* data, std::uint32_t size, std::uint32_t* written) override {
            return file_->Write(data, size, written);
        }
        std::uint32_t GetSize() override { return owner_.size_; }

    private:
        std::unique_ptr<File> file_;
        SizedMessage& owner_;
    };
    Error OpenForReading(const char16_t* path, std::unique_ptr<File>* file) override {
        Error error = PlatformWrapper::OpenForReading(path, file);
        if (error == Error::kNone && std::u16string(path) == kMessage)
            *file = std::make_unique<Sized>(std::move(*file), *this);
        return error;
    }
    int reads = 0;

private:
    std::uint32_t size_;
};

// A message over the bound, one whose size cannot be told (4 GiB or more), and one without
// room on the heap are removed without being read, and leave no fields (not even the ones
// the list held before).
TEST(MessageReceiveTest, MessagesThatCannotBeTakenAreRemovedUnread) {
    const std::string text = "0|" + std::string(2000, 'v') + "|";  // 2004 bytes with its zero byte
    struct Case {
        std::uint32_t reportedSize;
        bool noHeap;
    } cases[] = {{2004, false},
                 {2005, false},
                 {0x80000000u, false},
                 {oxsdk::platform::kInvalidFileSize, false},
                 {2004, true}};
    for (const Case& c : cases) {
        FakePlatform fake;
        SizedMessage sized(fake, c.reportedSize);
        ScopedPlatform use(sized);
        fake.AddFile(kMessage, text + '\0');
        fake.AddFile(kFinishedMarker, "finish\n");
        CCsvArguments arguments('|');
        arguments.AppendArgument("old");
        arguments.DecodeCommand();
        oxsdk::testing::ArmAllocationFailure(c.noHeap ? 1 : 1000000, true);
        EXPECT_EQ(EReceiveResult::kReceived,
                  ReceiveIfComplete(arguments, "nav", "app", 1, 2, 2004));
        EXPECT_EQ(c.noHeap, oxsdk::testing::DisarmAllocationFailure());
        const bool taken = c.reportedSize == 2004 && !c.noHeap;
        EXPECT_EQ(taken ? 2 : 0, arguments.NrReceiveFields()) << c.reportedSize;
        EXPECT_EQ(taken ? 1 : 0, sized.reads) << c.reportedSize;
        EXPECT_FALSE(fake.Exists(kMessage) || fake.Exists(kFinishedMarker)) << c.reportedSize;
    }
}

// Another party takes the command between the marker test and the read of the message.
class TakenAway : public oxsdk::platform::PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    Error OpenForReading(const char16_t* path, std::unique_ptr<File>* file) override {
        if (std::u16string(path) == kMessage) {
            target().DeleteFile(kFinishedMarker.c_str());
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
    fake.AddFile(kFinishedMarker, "finish\n");
    CCsvArguments arguments('|');
    EXPECT_EQ(EReceiveResult::kNotComplete,
              ReceiveIfComplete(arguments, "nav", "app", 1, 2, 1u << 20));
    EXPECT_EQ(0, arguments.NrReceiveFields());
}

}  // namespace
