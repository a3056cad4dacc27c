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

// Reports a scripted size for the message (0: its own) and counts its reads; with `takeAway`,
// another party takes the command between the marker test and the read of the message.
class ScriptedMessage : public oxsdk::platform::PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    class Sized : public File {
    public:
        Sized(std::unique_ptr<File> file, ScriptedMessage& owner)
            : file_(std::move(file)), owner_(owner) {}
        Error Read(void* buffer, std::uint32_t capacity, std::uint32_t* bytesRead) override {
            ++owner_.reads;
            return file_->Read(buffer, capacity, bytesRead);
        }
        Error Write(const void* data, std::uint32_t size, std::uint32_t* written) override {
            return file_->Write(data, size, written);
        }
        std::uint32_t GetSize() override {
            return owner_.size != 0 ? owner_.size : file_->GetSize();
        }

    private:
        std::unique_ptr<File> file_;
        ScriptedMessage& owner_;
    };
    Error OpenForReading(const char16_t* path, std::unique_ptr<File>* file) override {
        if (std::u16string(path) != kMessage) return PlatformWrapper::OpenForReading(path, file);
        if (takeAway) {
            target().DeleteFile(kFinishedMarker.c_str());
            target().DeleteFile(kMessage.c_str());
        }
        Error error = PlatformWrapper::OpenForReading(path, file);
        if (error == Error::kNone) *file = std::make_unique<Sized>(std::move(*file), *this);
        return error;
    }
    std::uint32_t size = 0;
    bool takeAway = false;
    int reads = 0;
};

// A message over the bound, one whose size cannot be told (4 GiB or more), and one without
// room on the heap are removed without being read, and leave no fields (not even the ones
// the list held before). A command taken by another party, or whose marker is not there yet,
// is not complete and not read.
TEST(MessageReceiveTest, MessagesThatCannotBeTakenAreRemovedUnread) {
    const std::string text = "0|" + std::string(2000, 'v') + "|";  // 2004 bytes with its zero byte
    struct Case {
        const char* what;
        std::uint32_t reportedSize;
        bool noHeap = false, takeAway = false, noMarker = false;
    } cases[] = {{"taken", 0},
                 {"over the bound", 2005},
                 {"2 GiB", 0x80000000u},
                 {"size unknown", oxsdk::platform::kInvalidFileSize},
                 {"no heap", 0, true},
                 {"taken by another party", 0, false, true},
                 {"marker not there yet", 0, false, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform fake;
        ScriptedMessage scripted(fake);
        scripted.size = c.reportedSize;
        scripted.takeAway = c.takeAway;
        ScopedPlatform use(scripted);
        fake.AddFile(kMessage, text + '\0');
        if (!c.noMarker) fake.AddFile(kFinishedMarker, "finish\n");
        CCsvArguments arguments('|');
        arguments.AppendArgument("old");
        arguments.DecodeCommand();
        oxsdk::testing::ArmAllocationFailure(c.noHeap ? 1 : 1000000, true);
        const bool complete = !c.takeAway && !c.noMarker;
        EXPECT_EQ(complete ? EReceiveResult::kReceived : EReceiveResult::kNotComplete,
                  ReceiveIfComplete(arguments, "nav", "app", 1, 2, 2004));
        EXPECT_EQ(c.noHeap, oxsdk::testing::DisarmAllocationFailure());
        const bool taken = complete && c.reportedSize == 0 && !c.noHeap;
        EXPECT_EQ(taken ? 2 : c.noMarker ? 1 : 0, arguments.NrReceiveFields());
        EXPECT_EQ(taken ? 1 : 0, scripted.reads);
        EXPECT_EQ(c.noMarker, fake.Exists(kMessage));
        EXPECT_FALSE(fake.Exists(kFinishedMarker));
    }
}

}  // namespace
