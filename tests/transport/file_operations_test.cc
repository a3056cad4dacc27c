#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/device_text.h"
#include "platform/fake/fake_platform.h"
#include "transport/file_operations.h"
#include "transport/folder_listing.h"
#include "transport/sleep_microseconds.h"

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

TEST_F(FileOperationsTest, OpenAndCreateMakeTheFoldersDeleteDoesNotPathsBeyond259AreRefused) {
    EXPECT_EQ(nullptr, OpenExchangeFile("a.b.1.1.message"));
    EXPECT_TRUE(fake_.Exists(u"\\Ostrel\\SdkFileCalls"));

    FakePlatform other;
    ScopedPlatform use(other);
    DeleteExchangeFile("a.b.1.1.message");
    EXPECT_FALSE(other.Exists(u"\\Ostrel"));
    // The exchange folder "\Ostrel\SdkFileCalls\" has 21 characters.
    const std::string fits(238, 'f');
    const std::string tooLong(239, 't');
    char16_t path[oxsdk::platform::kMaxPath];
    EXPECT_TRUE(BuildExchangePath(fits.c_str(), false, path));
    EXPECT_EQ(259, oxsdk::platform::WideLength(path));
    EXPECT_FALSE(BuildExchangePath(tooLong.c_str(), false, path));
    auto file = CreateExchangeFile(fits.c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(0, WriteAllBytes(*file, "12345", 5));
    EXPECT_EQ(5u, FileSize(*file));
    EXPECT_EQ(nullptr, CreateExchangeFile(tooLong.c_str()));
    EXPECT_EQ(nullptr, OpenExchangeFile(std::string(600, 'x').c_str()));
    EXPECT_EQ(1u, other.ListFolder(u"\\Ostrel\\SdkFileCalls").size());
}

TEST(SleepMicrosecondsTest, SleepsWholeMillisecondsTruncatingAndNeverNegative) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::vector<std::int32_t> counts = {100000, 1000000, 999,   1000,  1999, 0,
                                              -1,     -999,    -1000, -5000, kMax, kMin};
    const std::vector<std::uint32_t> expected = {100, 1000, 0, 1, 1, 0, 0, 0, 0, 0, 2147483, 0};
    FakePlatform fake;
    ScopedPlatform use(fake);
    for (std::int32_t count : counts) SleepMicroseconds(count);
    EXPECT_EQ(expected, fake.sleeps());
}

// Only the markers addressed to the receiver are listed, in folder order.
TEST_F(FileOperationsTest, FolderListingPassesOverWhatCannotBeAMarkerForTheReceiver) {
    const std::u16string exchange = u"\\Ostrel\\SdkFileCalls\\";
    const std::u16string longest = std::u16string(240, u'l') + u".A.1.1.finished";  // 255
    fake_.SetListDotEntries(true);
    fake_.AddFile(exchange + u"b.a.1.1.finished");
    fake_.AddFolder(exchange + u"sub.a.1.1.finished");
    fake_.AddFile(exchange + u"wide\u0100.a.1.1.finished");
    fake_.AddFile(exchange + u"x" + longest);
    fake_.AddFile(exchange + longest);
    fake_.AddFile(exchange + u"c.b.1.1.finished");  // addressed to another
    fake_.AddFile(exchange + u"c.a.1.1.message");
    fake_.AddFile(exchange + u"c.a.1.1.finished");
    std::vector<std::string> entries;
    CFolderListing listing;
    for (bool more = listing.First("a"); more; more = listing.Next()) {
        entries.push_back(std::string(listing.isDirectory != 0 ? "dir:" : "") + listing.entryName);
    }
    EXPECT_FALSE(listing.Next()) << "an exhausted listing stays exhausted";
    EXPECT_EQ(
        (std::vector<std::string>{"b.a.1.1.finished", "dir:sub.a.1.1.finished",
                                  std::string(240, 'l') + ".A.1.1.finished", "c.a.1.1.finished"}),
        entries);
}

}  // namespace
