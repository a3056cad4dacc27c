// Behaviour every platform implementation shares, run against each of them, so that the fake
// used by unit tests cannot drift from the emulated device.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"

namespace oxsdk::platform {
namespace {

// One implementation under test, with the means to script the world around it.
class Subject {
public:
    virtual ~Subject() = default;
    virtual Platform& platform() = 0;
    /// Shows a window of `className` and returns its handle.
    virtual WindowHandle ShowWindowOfClass(const std::string& className) = 0;
    virtual void CloseWindowOfClass(const std::string& className) = 0;
    virtual void SetPlatformType(const std::string& text) = 0;
};

class FakeSubject : public Subject {
public:
    Platform& platform() override { return fake_; }
    WindowHandle ShowWindowOfClass(const std::string& className) override {
        fake_.SetWindow(std::u16string(className.begin(), className.end()), 4 * 4321);
        return 4 * 4321;
    }
    void CloseWindowOfClass(const std::string& className) override {
        fake_.RemoveWindow(std::u16string(className.begin(), className.end()));
    }
    void SetPlatformType(const std::string& text) override { fake_.SetPlatformType(text); }

private:
    FakePlatform fake_;
};

class PosixSubject : public Subject {
public:
    PosixSubject() {
        std::string pattern = (std::filesystem::temp_directory_path() / "oxsdk-contract-XXXXXX");
        root_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
        platform_ = NewPosixPlatform(root_);
    }
    ~PosixSubject() override {
        windows_.clear();
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    Platform& platform() override { return *platform_; }
    WindowHandle ShowWindowOfClass(const std::string& className) override {
        auto window = EmulatedWindow::Create(className, root_);
        if (!window) return 0;
        WindowHandle handle = window->handle();
        windows_[className] = std::move(window);
        return handle;
    }
    void CloseWindowOfClass(const std::string& className) override { windows_.erase(className); }
    void SetPlatformType(const std::string& text) override {
        std::ofstream(root_ + "/.platform-type") << text << "\n";
    }

private:
    std::string root_;
    std::unique_ptr<Platform> platform_;
    std::map<std::string, std::unique_ptr<EmulatedWindow>> windows_;
};

struct Implementation {
    const char* name;
    std::unique_ptr<Subject> (*make)();
};

class PlatformContractTest : public testing::TestWithParam<Implementation> {
protected:
    void SetUp() override { subject_ = GetParam().make(); }

    Platform& platform() { return subject_->platform(); }

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
        *error = platform().OpenForReading(path, &file);
        if (*error != Error::kNone) return bytes;
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
        *error = platform().FindFirst(pattern, &find, &entry);
        if (*error != Error::kNone) return names;
        do {
            EXPECT_TRUE(names.emplace(entry.name, entry.attributes).second) << "listed twice";
        } while (find->FindNext(&entry));
        return names;
    }

    std::unique_ptr<Subject> subject_;
};

TEST_P(PlatformContractTest, FileIsWrittenReadSizedAndDeleted) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    const std::string bytes("hello\0world|\n", 13);
    ASSERT_EQ(WriteFile(u"\\d\\f.txt", bytes), Error::kNone);
    Error error;
    EXPECT_EQ(ReadFile(u"\\d\\f.txt", &error), bytes);
    EXPECT_EQ(error, Error::kNone);
    std::unique_ptr<File> file;
    ASSERT_EQ(platform().OpenForReading(u"\\d\\f.txt", &file), Error::kNone);
    EXPECT_EQ(file->GetSize(), 13u);
    file.reset();
    EXPECT_EQ(platform().DeleteFile(u"\\d\\f.txt"), Error::kNone);
    EXPECT_EQ(platform().GetFileAttributes(u"\\d\\f.txt"), kInvalidAttributes);
    EXPECT_EQ(platform().OpenForReading(u"\\d\\f.txt", &file), Error::kNotFound);
}

TEST_P(PlatformContractTest, CreatingAgainEmptiesTheFile) {
    ASSERT_EQ(WriteFile(u"\\f", "a long first content"), Error::kNone);
    ASSERT_EQ(WriteFile(u"\\f", "short"), Error::kNone);
    Error error;
    EXPECT_EQ(ReadFile(u"\\f", &error), "short");
}

TEST_P(PlatformContractTest, MissingThingsAreNotFound) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    std::unique_ptr<File> file;
    EXPECT_EQ(platform().OpenForReading(u"\\d\\missing", &file), Error::kNotFound);
    EXPECT_EQ(platform().OpenForReading(u"\\nowhere\\missing", &file), Error::kNotFound);
    EXPECT_EQ(platform().CreateForWriting(u"\\nowhere\\new", &file), Error::kNotFound);
    EXPECT_EQ(platform().DeleteFile(u"\\d\\missing"), Error::kNotFound);
    EXPECT_EQ(platform().SetFileAttributes(u"\\d\\missing", kAttributeReadOnly), Error::kNotFound);
    EXPECT_EQ(platform().CreateFolder(u"\\nowhere\\sub"), Error::kNotFound);
    EXPECT_EQ(platform().GetFileAttributes(u"\\d\\missing"), kInvalidAttributes);
    EXPECT_EQ(platform().StartProcess(u"\\d\\missing.exe"), Error::kNotFound);
    EXPECT_EQ(file, nullptr);
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
    EXPECT_EQ(platform().GetFileAttributes(u"\\r"), kAttributeNormal);
    EXPECT_EQ(platform().DeleteFile(u"\\r"), Error::kNone);
}

TEST_P(PlatformContractTest, FoldersAreDirectoriesAndNotFiles) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    EXPECT_EQ(platform().CreateFolder(u"\\d"), Error::kAlreadyExists);
    ASSERT_EQ(platform().CreateFolder(u"\\d\\e"), Error::kNone);
    EXPECT_EQ(platform().GetFileAttributes(u"\\d\\e"), kAttributeDirectory);
    EXPECT_EQ(platform().GetFileAttributes(u"\\"), kAttributeDirectory);
    EXPECT_EQ(platform().DeleteFile(u"\\d\\e"), Error::kAccessDenied);
    std::unique_ptr<File> file;
    EXPECT_EQ(platform().OpenForReading(u"\\d", &file), Error::kAccessDenied);
    EXPECT_EQ(platform().CreateForWriting(u"\\d", &file), Error::kAccessDenied);
    ASSERT_EQ(WriteFile(u"\\d\\f", ""), Error::kNone);
    EXPECT_EQ(platform().CreateFolder(u"\\d\\f"), Error::kAlreadyExists);
    EXPECT_EQ(platform().GetFileAttributes(u"\\d\\f"), kAttributeNormal);
}

struct PatternCase {
    const char16_t* pattern;
    std::set<std::u16string> expected;  // empty: kNotFound
};

TEST_P(PlatformContractTest, EnumerationMatchesPatternsWithoutRegardToCase) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    for (const char16_t* name : {u"a.exe", u"B.EXE", u"readme", u"notes.txt", u"ab.exe.bak"}) {
        ASSERT_EQ(WriteFile((std::u16string(u"\\d\\") + name).c_str(), "x"), Error::kNone);
    }
    ASSERT_EQ(platform().CreateFolder(u"\\d\\sub"), Error::kNone);
    const std::set<std::u16string> all{u"a.exe",     u"B.EXE",      u"readme",
                                       u"notes.txt", u"ab.exe.bak", u"sub"};
    const PatternCase cases[] = {
        {u"\\d\\*.EXE", {u"a.exe", u"B.EXE"}},
        {u"\\d\\*.exe", {u"a.exe", u"B.EXE"}},
        {u"\\d\\?.exe", {u"a.exe", u"B.EXE"}},
        {u"\\d\\*.*", all},
        {u"\\d\\*", all},
        {u"\\d\\README", {u"readme"}},
        {u"\\d\\re*e", {u"readme"}},
        {u"\\d\\*.exe*", {u"a.exe", u"B.EXE", u"ab.exe.bak"}},
        {u"\\d\\*.zip", {}},
        {u"\\d\\??.exe", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            std::string(c.pattern, c.pattern + std::char_traits<char16_t>::length(c.pattern)));
        Error error;
        auto listed = List(c.pattern, &error);
        EXPECT_EQ(error, c.expected.empty() ? Error::kNotFound : Error::kNone);
        std::set<std::u16string> names;
        for (const auto& [name, attributes] : listed) names.insert(name);
        EXPECT_EQ(names, c.expected);
    }
    Error error;
    auto listed = List(u"\\d\\*", &error);
    EXPECT_EQ(listed[u"sub"], kAttributeDirectory);
    EXPECT_EQ(listed[u"readme"], kAttributeNormal);
}

TEST_P(PlatformContractTest, EnumeratingAMissingFolderFindsNothing) {
    Error error;
    EXPECT_TRUE(List(u"\\missing\\*.*", &error).empty());
    EXPECT_EQ(error, Error::kNotFound);
    ASSERT_EQ(WriteFile(u"\\file", "x"), Error::kNone);
    List(u"\\file\\*.*", &error);
    EXPECT_EQ(error, Error::kNotFound);
}

TEST_P(PlatformContractTest, PlatformTypeDefaultsToPocketPcAndCanBeChanged) {
    EXPECT_TRUE(platform().IsCePlatform());
    char text[32];
    ASSERT_TRUE(platform().GetPlatformType(text, sizeof text));
    EXPECT_STREQ(text, "PocketPC");
    subject_->SetPlatformType("Smartphone");
    ASSERT_TRUE(platform().GetPlatformType(text, sizeof text));
    EXPECT_STREQ(text, "Smartphone");
    EXPECT_FALSE(platform().GetPlatformType(text, 10));  // no room for the terminator
    EXPECT_STREQ(text, "");
}

TEST_P(PlatformContractTest, WindowsComeAndGo) {
    EXPECT_EQ(platform().FindWindow(u"ContractClass"), 0u);
    EXPECT_FALSE(platform().ShowWindow(4 * 4321, 5));
    WindowHandle shown = subject_->ShowWindowOfClass("ContractClass");
    ASSERT_NE(shown, 0u);
    EXPECT_EQ(shown % 4, 0u);
    EXPECT_EQ(platform().FindWindow(u"ContractClass"), shown);
    EXPECT_EQ(platform().FindWindow(u"OtherClass"), 0u);
    EXPECT_TRUE(platform().ShowWindow(shown, 5));
    subject_->CloseWindowOfClass("ContractClass");
    EXPECT_EQ(platform().FindWindow(u"ContractClass"), 0u);
    EXPECT_FALSE(platform().ShowWindow(shown, 5));
}

TEST_P(PlatformContractTest, ForegroundWindowIsStoredWithoutTheOwnedWindowsBit) {
    EXPECT_EQ(platform().GetForegroundWindow(), 0u);
    EXPECT_FALSE(platform().SetForegroundWindow(0));
    EXPECT_TRUE(platform().SetForegroundWindow(4 * 77 + 1));
    EXPECT_EQ(platform().GetForegroundWindow(), 4u * 77);
    EXPECT_TRUE(platform().SetForegroundWindow(4 * 78));
    EXPECT_EQ(platform().GetForegroundWindow(), 4u * 78);
}

TEST_P(PlatformContractTest, CursorIsSetAndRestored) {
    CursorHandle before = platform().GetCursor();
    EXPECT_EQ(platform().LoadWaitCursor(), 32514u);
    EXPECT_EQ(platform().SetCursor(platform().LoadWaitCursor()), before);
    EXPECT_EQ(platform().GetCursor(), 32514u);
    EXPECT_EQ(platform().SetCursor(before), 32514u);
    EXPECT_EQ(platform().GetCursor(), before);
}

TEST_P(PlatformContractTest, ZeroWaitsReturn) {
    platform().Sleep(0);
    platform().WaitForFolderChange(u"\\missing", 0);
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    platform().WaitForFolderChange(u"\\d", 0);
    EXPECT_NE(platform().GetCurrentProcessId(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Implementations, PlatformContractTest,
    testing::Values(
        Implementation{"Fake", [] { return std::unique_ptr<Subject>(new FakeSubject); }},
        Implementation{"Posix", [] { return std::unique_ptr<Subject>(new PosixSubject); }}),
    [](const testing::TestParamInfo<Implementation>& param) { return param.param.name; });

}  // namespace
}  // namespace oxsdk::platform
