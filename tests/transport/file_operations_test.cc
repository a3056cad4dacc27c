#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "transport/file_operations.h"

namespace {

using oxsdk::platform::Error;
using oxsdk::platform::FakeOperation;
using oxsdk::platform::FakePlatform;
using oxsdk::platform::ScopedPlatform;
using namespace oxsdk::transport;

const std::u16string kFile = u"\\Ostrel\\SdkFileCalls\\a.b.1.1.message";

class FileOperationsTest : public ::testing::Test {
protected:
    FakePlatform fake_;
    ScopedPlatform use_{fake_};
};

TEST(FileOperationsRetryTest, OnlyABusyFileIsRetriedThreeTimesEvery500Milliseconds) {
    struct Case {
        FakeOperation operation;
        Error error;
        int times;
        bool succeeds;
        std::size_t sleeps;
    } cases[] = {{FakeOperation::kWrite, Error::kAccessDenied, 3, true, 3},
                 {FakeOperation::kWrite, Error::kAccessDenied, 4, false, 4},
                 {FakeOperation::kWrite, Error::kOther, 1, false, 0},
                 {FakeOperation::kWrite, Error::kNone, 0, true, 0},
                 {FakeOperation::kRead, Error::kAccessDenied, 3, true, 3},
                 {FakeOperation::kRead, Error::kAccessDenied, 4, false, 4},
                 {FakeOperation::kRead, Error::kOther, 1, false, 0}};
    for (const Case& c : cases) {
        FakePlatform fake;
        ScopedPlatform use(fake);
        const bool write = c.operation == FakeOperation::kWrite;
        if (!write) fake.AddFile(kFile, "ok|");
        auto file =
            write ? CreateExchangeFile("a.b.1.1.message") : OpenExchangeFile("a.b.1.1.message");
        ASSERT_NE(file, nullptr);
        if (c.times > 0) fake.InjectFault(c.operation, kFile, c.error, c.times);
        char buffer[16];
        if (write) {
            EXPECT_EQ(c.succeeds ? 0 : kWriteFailed, WriteAllBytes(*file, "abc", 3));
            EXPECT_EQ(c.succeeds ? "abc" : "", fake.FileContents(kFile));
        } else {
            EXPECT_EQ(c.succeeds ? 3 : kReadFailed, ReadLine(*file, buffer, sizeof(buffer)));
        }
        EXPECT_EQ(std::vector<std::uint32_t>(c.sleeps, 500), fake.sleeps());
    }
}

TEST_F(FileOperationsTest, ReadLineCutsAfterTheFirstLineFeedAndKeepsRoomForTheTerminator) {
    struct Case {
        std::string contents;
        std::uint32_t capacity;
        int result;
        std::string text;
    } cases[] = {{"0|a|", 1024, 4, "0|a|"},
                 {"0|a|\nb|", 1024, 5, "0|a|\n"},
                 {"", 1024, kNothingRead, ""},
                 {"abcdefgh", 5, 4, "abcd"},
                 {"abc\ndef", 4, 3, "abc"}};
    for (const Case& c : cases) {
        fake_.AddFile(kFile, c.contents);
        auto file = OpenExchangeFile("a.b.1.1.message");
        ASSERT_NE(file, nullptr);
        std::vector<char> buffer(c.capacity + 1, '#');
        EXPECT_EQ(c.result, ReadLine(*file, buffer.data(), c.capacity)) << c.contents;
        if (c.result > 0) {
            EXPECT_EQ(c.text, std::string(buffer.data())) << c.contents;
        }
        EXPECT_EQ('#', buffer[c.capacity]) << "wrote past the capacity";
    }
}

}  // namespace
