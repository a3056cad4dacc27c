#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/device_text.h"
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

TEST_F(FileOperationsTest, OpenAndCreateMakeTheFoldersDeleteDoesNot) {
    EXPECT_EQ(nullptr, OpenExchangeFile("a.b.1.1.message"));
    EXPECT_TRUE(fake_.Exists(u"\\Ostrel\\SdkFileCalls"));

    FakePlatform other;
    ScopedPlatform use(other);
    DeleteExchangeFile("a.b.1.1.message");
    EXPECT_FALSE(other.Exists(u"\\Ostrel"));
    auto file = CreateExchangeFile("a.b.1.1.message");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(0, WriteAllBytes(*file, "12345", 5));
    EXPECT_EQ(5u, FileSize(*file));
}

TEST_F(FileOperationsTest, PathsBeyond259CharactersAreRefusedNotCut) {
    // The exchange folder "\Ostrel\SdkFileCalls\" has 21 characters.
    std::string fits(238, 'f');
    std::string tooLong(239, 't');
    char16_t path[oxsdk::platform::kMaxPath];
    EXPECT_TRUE(BuildExchangePath(fits.c_str(), false, path));
    EXPECT_EQ(259, oxsdk::platform::WideLength(path));
    EXPECT_FALSE(BuildExchangePath(tooLong.c_str(), false, path));
    EXPECT_EQ(nullptr, CreateExchangeFile(tooLong.c_str()));
    EXPECT_EQ(nullptr, OpenExchangeFile(std::string(600, 'x').c_str()));
    EXPECT_NE(nullptr, CreateExchangeFile(fits.c_str()));
    EXPECT_EQ(1u, fake_.ListFolder(u"\\Ostrel\\SdkFileCalls").size());
}

}  // namespace
