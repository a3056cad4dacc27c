// Behaviour every platform implementation shares, run against each of them, so that the fake
// used by unit tests cannot drift from the emulated device.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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
        std::string outside = std::filesystem::temp_directory_path() / "oxsdk-outside-XXXXXX";
        ASSERT_NE(mkdtemp(outside.data()), nullptr);
        outside_ = outside;
        std::ofstream(outside_ + "/f") << "outside";
        chmod((outside_ + "/f").c_str(), 0444);
    }
    void TearDown() override {
        std::error_code ignored;
        for (const std::string& folder : {root_, outside_}) {
            if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
        }
    }

    std::string Host(const std::u16string& path) {
        std::string host = root_;
        for (char16_t c : path) host += c == u'\\' ? '/' : static_cast<char>(c);
        return host;
    }

    // A host link at `path` to a file (or a folder) outside the device.
    void PlantLink(const std::u16string& path, bool toFolder) {
        if (fake_ != nullptr) return fake_->AddLink(path);
        std::string target = toFolder ? outside_ : outside_ + "/f";
        ASSERT_EQ(symlink(target.c_str(), Host(path).c_str()), 0);
    }

    // Makes the folder at `path` writable by other users.
    void OpenToOthers(const std::u16string& path) {
        if (fake_ != nullptr) return fake_->OpenToOthers(path);
        ASSERT_EQ(chmod(Host(path == u"\\" ? u"" : path).c_str(), 0777), 0);
    }

    // What lies outside the device is as it was: one file, its text and its mode.
    void ExpectOutsideUntouched() {
        if (fake_ != nullptr) return;
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(outside_)) {
            names.push_back(entry.path().filename());
        }
        EXPECT_EQ(names, std::vector<std::string>{"f"});
        std::ifstream in(outside_ + "/f");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "outside");
        struct stat info;
        ASSERT_EQ(stat((outside_ + "/f").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0444u);
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
    std::string outside_;
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

// The device has no links: one found below the root is never listed, opened, created or
// written through, deleted, changed or descended into, whatever it points at.
TEST_P(PlatformContractTest, LinksAreNeverFollowed) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    ASSERT_EQ(WriteFile(u"\\d\\real", "x"), Error::kNone);
    PlantLink(u"\\d\\link", false);
    PlantLink(u"\\d\\folder", true);
    Error error;
    using Listed = std::map<std::u16string, std::uint32_t>;
    EXPECT_EQ(List(u"\\d\\*.*", &error), (Listed{{u"real", kAttributeNormal}}));
    std::unique_ptr<File> file;
    for (const char16_t* path : {u"\\d\\link", u"\\d\\folder\\f"}) {
        SCOPED_TRACE(std::string(path, path + std::char_traits<char16_t>::length(path)));
        EXPECT_NE(platform().OpenForReading(path, &file), Error::kNone);
        EXPECT_NE(platform().CreateForWriting(path, &file), Error::kNone);
        EXPECT_NE(platform().DeleteFile(path), Error::kNone);
        EXPECT_NE(platform().SetFileAttributes(path, kAttributeNormal), Error::kNone);
        EXPECT_EQ(platform().GetFileAttributes(path), kInvalidAttributes);
        EXPECT_NE(platform().StartProcess(path), Error::kNone);
    }
    // Creation at a link's name fails as an access failure would.
    EXPECT_EQ(platform().CreateForWriting(u"\\d\\link", &file), Error::kAccessDenied);
    EXPECT_NE(platform().CreateForWriting(u"\\d\\folder\\new", &file), Error::kNone);
    EXPECT_NE(platform().CreateFolder(u"\\d\\folder\\sub"), Error::kNone);
    EXPECT_TRUE(List(u"\\d\\folder\\*.*", &error).empty());
    EXPECT_EQ(file, nullptr);
    ExpectOutsideUntouched();
    EXPECT_EQ(ReadFile(u"\\d\\real", &error), "x");  // the rest of the device still works
}

// A folder that other users may write (the root included) is refused as if it were missing.
TEST_P(PlatformContractTest, FoldersOthersMayWriteAreRefused) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    ASSERT_EQ(WriteFile(u"\\d\\f", "x"), Error::kNone);
    for (const char16_t* folder : {u"\\d", u"\\"}) {
        OpenToOthers(folder);
        std::unique_ptr<File> file;
        Error error;
        EXPECT_EQ(platform().OpenForReading(u"\\d\\f", &file), Error::kNotFound);
        EXPECT_EQ(platform().CreateForWriting(u"\\d\\g", &file), Error::kNotFound);
        EXPECT_EQ(platform().GetFileAttributes(u"\\d\\f"), kInvalidAttributes);
        EXPECT_TRUE(List(u"\\d\\*.*", &error).empty());
        EXPECT_EQ(error, Error::kNotFound);
    }
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
