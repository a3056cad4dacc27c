// Behaviour every platform implementation shares, run against each of them, so that the fake
// used by unit tests cannot drift from the emulated device.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"

namespace oxsdk::platform {
namespace {

// The fake, or the posix platform on a temporary device root of its own.
class PlatformContractTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!GetParam()) {
            auto fake = std::make_unique<FakePlatform>();
            fake_ = fake.get();
            platform_ = std::move(fake);
            return;
        }
        std::string pattern = std::filesystem::temp_directory_path() / "oxsdk-contract-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        platform_ = NewPosixPlatform(root_);
    }
    void TearDown() override {
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }

    Platform& platform() { return *platform_; }

    void SetPlatformType(const std::string& text) {
        if (fake_ != nullptr) return fake_->SetPlatformType(text);
        std::ofstream(root_ + "/.platform-type") << text << " \t\r\n";  // blanks are ignored
    }

    Error WriteFile(const char16_t* path, const std::string& bytes) {
        std::unique_ptr<File> file;
        Error error = platform().CreateForWriting(path, &file);
        if (error != Error::kNone) return error;
        std::uint32_t written = 0;
        error = file->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
        EXPECT_EQ(file->GetSize(), bytes.size());
        return error == Error::kNone && written != bytes.size() ? Error::kOther : error;
    }

    std::string ReadFile(const char16_t* path, Error* error) {
        std::unique_ptr<File> file;
        std::string bytes;
        if ((*error = platform().OpenForReading(path, &file)) != Error::kNone) return bytes;
        char buffer[7];  // small, so that reads continue
        std::uint32_t count = 0;
        while ((*error = file->Read(buffer, sizeof buffer, &count)) == Error::kNone && count > 0) {
            bytes.append(buffer, count);
        }
        return bytes;
    }

    // Names listed for `pattern`, with their attributes, in name order.
    std::map<std::u16string, std::uint32_t> List(const char16_t* pattern, Error* error) {
        std::map<std::u16string, std::uint32_t> names;
        std::unique_ptr<FindHandle> find;
        FindData entry;
        if ((*error = platform().FindFirst(pattern, &find, &entry)) != Error::kNone) return names;
        do {
            EXPECT_TRUE(names.emplace(entry.name, entry.attributes).second) << "listed twice";
        } while (find->FindNext(&entry));
        return names;
    }

    std::unique_ptr<Platform> platform_;
    FakePlatform* fake_ = nullptr;
    std::string root_;
};

TEST_P(PlatformContractTest, FileIsWrittenReadRewrittenAndDeleted) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    const std::string bytes("hello\0world|\n", 13);
    ASSERT_EQ(WriteFile(u"\\d\\f.txt", bytes), Error::kNone);
    Error error;
    EXPECT_EQ(ReadFile(u"\\d\\f.txt", &error), bytes);
    EXPECT_EQ(error, Error::kNone);
    ASSERT_EQ(WriteFile(u"\\d\\f.txt", "short"), Error::kNone);  // creating again empties it
    EXPECT_EQ(ReadFile(u"\\d\\f.txt", &error), "short");
    EXPECT_EQ(platform().DeleteFile(u"\\d\\f.txt"), Error::kNone);
    EXPECT_EQ(platform().GetFileAttributes(u"\\d\\f.txt"), kInvalidAttributes);
}

TEST_P(PlatformContractTest, MissingThingsAreNotFound) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    ASSERT_EQ(WriteFile(u"\\file", "x"), Error::kNone);
    std::unique_ptr<File> file;
    EXPECT_EQ(platform().OpenForReading(u"\\d\\missing", &file), Error::kNotFound);
    EXPECT_EQ(platform().OpenForReading(u"\\nowhere\\missing", &file), Error::kNotFound);
    EXPECT_EQ(platform().CreateForWriting(u"\\nowhere\\new", &file), Error::kNotFound);
    EXPECT_EQ(platform().DeleteFile(u"\\d\\missing"), Error::kNotFound);
    EXPECT_EQ(platform().SetFileAttributes(u"\\d\\missing", kAttributeReadOnly), Error::kNotFound);
    EXPECT_EQ(platform().CreateFolder(u"\\nowhere\\sub"), Error::kNotFound);
    EXPECT_EQ(platform().StartProcess(u"\\d\\missing.exe"), Error::kNotFound);
    EXPECT_EQ(file, nullptr);
    Error error;
    for (const char16_t* pattern : {u"\\missing\\*.*", u"\\file\\*.*", u"\\d\\*.zip"}) {
        EXPECT_TRUE(List(pattern, &error).empty());
        EXPECT_EQ(error, Error::kNotFound);
    }
}

TEST_P(PlatformContractTest, PathsThatCannotBeMappedTouchNothing) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    for (const char16_t* path :
         {u"\\d\\..\\f", u"\\d\\.\\f", u"\\d\\\\f", u"d\\f", u"\\d\\a/b", u"\\d\\f\\", u""}) {
        SCOPED_TRACE(std::string(path, path + std::char_traits<char16_t>::length(path)));
        std::unique_ptr<File> file;
        EXPECT_NE(platform().CreateForWriting(path, &file), Error::kNone);
        EXPECT_NE(platform().CreateFolder(path), Error::kNone);
        EXPECT_EQ(platform().GetFileAttributes(path), kInvalidAttributes);
    }
    Error error;
    EXPECT_EQ(List(u"\\*", &error).size(), 1u);  // only "d"
    EXPECT_EQ(List(u"\\d\\*", &error).size(), 0u);
}

TEST_P(PlatformContractTest, ReadOnlyFileRefusesDeletionUntilCleared) {
    ASSERT_EQ(WriteFile(u"\\r", "x"), Error::kNone);
    ASSERT_EQ(platform().SetFileAttributes(u"\\r", kAttributeReadOnly), Error::kNone);
    EXPECT_EQ(platform().GetFileAttributes(u"\\r"), kAttributeReadOnly);
    EXPECT_EQ(platform().DeleteFile(u"\\r"), Error::kAccessDenied);
    std::unique_ptr<File> file;
    EXPECT_EQ(platform().CreateForWriting(u"\\r", &file), Error::kAccessDenied);
    Error error;
    EXPECT_EQ(ReadFile(u"\\r", &error), "x");
    ASSERT_EQ(platform().SetFileAttributes(u"\\r", kAttributeNormal), Error::kNone);
    EXPECT_EQ(platform().DeleteFile(u"\\r"), Error::kNone);
}

TEST_P(PlatformContractTest, FoldersAreDirectoriesAndNotFiles) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    EXPECT_EQ(platform().CreateFolder(u"\\d"), Error::kAlreadyExists);
    EXPECT_EQ(platform().GetFileAttributes(u"\\d"), kAttributeDirectory);
    EXPECT_EQ(platform().GetFileAttributes(u"\\"), kAttributeDirectory);
    EXPECT_EQ(platform().DeleteFile(u"\\d"), Error::kAccessDenied);
    std::unique_ptr<File> file;
    EXPECT_EQ(platform().OpenForReading(u"\\d", &file), Error::kAccessDenied);
    EXPECT_EQ(platform().CreateForWriting(u"\\d", &file), Error::kAccessDenied);
    ASSERT_EQ(WriteFile(u"\\d\\f", ""), Error::kNone);
    EXPECT_EQ(platform().CreateFolder(u"\\d\\f"), Error::kAlreadyExists);
    EXPECT_EQ(platform().GetFileAttributes(u"\\d\\f"), kAttributeNormal);
}

TEST_P(PlatformContractTest, EnumerationMatchesPatternsWithoutRegardToCase) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    for (const char16_t* name : {u"\\d\\a.exe", u"\\d\\B.EXE", u"\\d\\readme", u"\\d\\a.exe.bak"}) {
        ASSERT_EQ(WriteFile(name, "x"), Error::kNone);
    }
    ASSERT_EQ(platform().CreateFolder(u"\\d\\sub"), Error::kNone);
    using Listed = std::map<std::u16string, std::uint32_t>;
    const std::uint32_t file = kAttributeNormal;
    Error error;
    EXPECT_EQ(List(u"\\d\\*.EXE", &error), (Listed{{u"a.exe", file}, {u"B.EXE", file}}));
    EXPECT_EQ(List(u"\\d\\R?ADME", &error), (Listed{{u"readme", file}}));
    EXPECT_EQ(List(u"\\d\\*.*", &error), (Listed{{u"a.exe", file},
                                                 {u"B.EXE", file},
                                                 {u"readme", file},
                                                 {u"a.exe.bak", file},
                                                 {u"sub", kAttributeDirectory}}));
}

TEST_P(PlatformContractTest, PlatformTypeDefaultsToPocketPcAndCanBeChanged) {
    EXPECT_TRUE(platform().IsCePlatform());
    char text[32];
    ASSERT_TRUE(platform().GetPlatformType(text, sizeof text));
    EXPECT_STREQ(text, "PocketPC");
    SetPlatformType("Smartphone");
    ASSERT_TRUE(platform().GetPlatformType(text, sizeof text));
    EXPECT_STREQ(text, "Smartphone");
    EXPECT_FALSE(platform().GetPlatformType(text, 10));  // no room for the terminator
    EXPECT_STREQ(text, "");
}

TEST_P(PlatformContractTest, ForegroundIsStoredWithoutTheOwnedWindowsBit) {
    EXPECT_EQ(platform().FindWindow(u"NoSuchClass"), 0u);
    EXPECT_FALSE(platform().ShowWindow(4 * 77, 5));  // no such window
    EXPECT_EQ(platform().GetForegroundWindow(), 0u);
    EXPECT_FALSE(platform().SetForegroundWindow(0));
    EXPECT_TRUE(platform().SetForegroundWindow(4 * 77 + 1));
    EXPECT_EQ(platform().GetForegroundWindow(), 4u * 77);
}

INSTANTIATE_TEST_SUITE_P(Implementations, PlatformContractTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& param) {
                             return param.param ? "Posix" : "Fake";
                         });

}  // namespace
}  // namespace oxsdk::platform
