// Behaviour every platform implementation shares, run against each of them, so that the fake
// used by unit tests cannot drift from the device of the native platform (the emulated device
// on POSIX hosts, the Windows file system and desktop on Windows).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/native_device.h"
#include "platform/platform.h"

namespace oxsdk::platform {
namespace {

namespace fs = std::filesystem;

constexpr fs::perms kReadOnly =
    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;

// Sets (or, given null, unsets) an environment variable, restored at the end of the scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(old_ ? old_->c_str() : nullptr); }
    void Set(const char* value) {
#ifdef _WIN32
        _putenv_s(name_, value != nullptr ? value : "");  // an empty value removes it
#else
        value != nullptr ? setenv(name_, value, 1) : unsetenv(name_);
#endif
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A host path written with "/", in the host's own form.
std::string HostForm(std::string path) {
#ifdef _WIN32
    for (char& c : path) c = c == '/' ? '\\' : c;
    return "D:" + path;
#else
    return path;
#endif
}

// The fake, or the native platform on a temporary device root of its own.
class PlatformContractTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!GetParam()) {
            auto fake = std::make_unique<FakePlatform>();
            fake_ = fake.get();
            platform_ = std::move(fake);
            return;
        }
        root_ = MakePrivateTemporaryFolder("oxsdk-contract");
        outside_ = MakePrivateTemporaryFolder("oxsdk-outside");
        ASSERT_FALSE(root_.empty() || outside_.empty());
        platform_ = NewNativePlatform(root_);
        std::ofstream(outside_ + "/f") << "outside";
        fs::permissions(outside_ + "/f", kReadOnly);
    }
    void TearDown() override {
        window_.reset();
        std::error_code ignored;
        fs::permissions(outside_ + "/f", fs::perms::owner_all, ignored);  // so that it can go
        for (const std::string& folder : {root_, outside_}) {
            if (!folder.empty()) fs::remove_all(folder, ignored);
        }
    }

    std::string Host(const std::u16string& path) {
        std::string host = root_;
        for (char16_t c : path) host += c == u'\\' ? '/' : static_cast<char>(c);
        return host;
    }

    // A host link at `path` to a file (or a folder) outside the device. False when this host
    // cannot make one that its file system reports as a link.
    bool PlantLink(const std::u16string& path, bool toFolder) {
        if (fake_ != nullptr) {
            fake_->AddLink(path);
            return true;
        }
        return PlantHostLink(Host(path), toFolder ? outside_ : outside_ + "/f", toFolder);
    }

    // Makes the folder at `path` writable by other users.
    void OpenToOthers(const std::u16string& path) {
        if (fake_ != nullptr) return fake_->OpenToOthers(path);
        ASSERT_TRUE(OpenHostFolderToOthers(Host(path == u"\\" ? u"" : path)));
    }

    // Shows a top-level window of `className`; its handle.
    WindowHandle ShowWindowOfClass(const std::u16string& className) {
        if (fake_ != nullptr) {
            fake_->SetWindow(className, 4 * 77);
            return 4 * 77;
        }
        window_ = DeviceWindow::Create(std::string(className.begin(), className.end()), root_);
        return window_ != nullptr ? window_->handle() : 0;
    }
    void CloseWindowOfClass(const std::u16string& className) {
        if (fake_ != nullptr) return fake_->RemoveWindow(className);
        window_.reset();
    }

    // What lies outside the device is as it was: one file, its text and its read-only mode.
    void ExpectOutsideUntouched() {
        if (fake_ != nullptr) return;
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(outside_)) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names, std::vector<std::string>{"f"});
        std::ifstream in(outside_ + "/f");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "outside");
        EXPECT_EQ(fs::status(outside_ + "/f").permissions() & fs::perms::owner_write,
                  fs::perms::none);
    }

    Platform& platform() { return *platform_; }

    // The type of the device is read once: a platform made afterwards sees the new one.
    void SetPlatformType(const std::string& text) {
        if (fake_ != nullptr) return fake_->SetPlatformType(text);
        std::ofstream(root_ + "/.platform-type") << text << " \t\r\n";  // blanks are ignored
        platform_ = NewNativePlatform(root_);
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

    // The bytes of the file at `path`, read in small pieces, so that reads continue.
    std::string ReadFile(const char16_t* path, Error* error) {
        std::unique_ptr<File> file;
        std::string bytes;
        if ((*error = platform().OpenForReading(path, &file)) != Error::kNone) return bytes;
        char buffer[7];
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
    std::unique_ptr<DeviceWindow> window_;
};

TEST_P(PlatformContractTest, FileIsWrittenReadRewrittenAndDeleted) {
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    const std::string bytes("hello\0world|\n", 13);
    ASSERT_EQ(WriteFile(u"\\d\\f.txt", bytes), Error::kNone);
    // Listed with the time of its last write, which the removal of orphaned markers reads.
    std::unique_ptr<FindHandle> find;
    FindData entry;
    ASSERT_EQ(platform().FindFirst(u"\\d\\f.txt", &find, &entry), Error::kNone);
    EXPECT_NEAR(static_cast<double>(entry.lastWriteTime),
                static_cast<double>(platform().GetSystemTime()), 60000.0);
    find.reset();
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
    const std::u16string tooLong = u"\\d\\" + std::u16string(kMaxPath - 3, u'a');
    for (const char16_t* path : {u"\\d\\..\\f", u"\\d\\.\\f", u"\\d\\\\f", u"d\\f", u"\\d\\a/b",
                                 u"\\d\\f\\", u"", tooLong.c_str()}) {
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
    // A host whose file system does not report links to files as links (wine) cannot have
    // them refused: that half is skipped there.
    const bool fileLink = PlantLink(u"\\d\\link", false);
    const bool folderLink = PlantLink(u"\\d\\folder", true);
    if (!fileLink || !folderLink) {
        std::printf("note: this host cannot make a link to a %s that it reports as a link\n",
                    fileLink ? "folder" : "file");
    }
    if (!fileLink && !folderLink) GTEST_SKIP() << "this host cannot make links";
    std::vector<const char16_t*> throughLinks;
    if (fileLink) throughLinks.push_back(u"\\d\\link");
    if (folderLink) throughLinks.push_back(u"\\d\\folder\\f");
    Error error;
    using Listed = std::map<std::u16string, std::uint32_t>;
    EXPECT_EQ(List(u"\\d\\*.*", &error), (Listed{{u"real", kAttributeNormal}}));
    std::unique_ptr<File> file;
    for (const char16_t* path : throughLinks) {
        SCOPED_TRACE(std::string(path, path + std::char_traits<char16_t>::length(path)));
        EXPECT_NE(platform().OpenForReading(path, &file), Error::kNone);
        EXPECT_NE(platform().CreateForWriting(path, &file), Error::kNone);
        EXPECT_NE(platform().DeleteFile(path), Error::kNone);
        EXPECT_NE(platform().SetFileAttributes(path, kAttributeNormal), Error::kNone);
        EXPECT_EQ(platform().GetFileAttributes(path), kInvalidAttributes);
        EXPECT_NE(platform().StartProcess(path), Error::kNone);
    }
    // Creation at a link's name fails as an access failure would.
    if (fileLink) {
        EXPECT_EQ(platform().CreateForWriting(u"\\d\\link", &file), Error::kAccessDenied);
    }
    if (folderLink) {
        EXPECT_NE(platform().CreateForWriting(u"\\d\\folder\\new", &file), Error::kNone);
        EXPECT_NE(platform().CreateFolder(u"\\d\\folder\\sub"), Error::kNone);
        EXPECT_TRUE(List(u"\\d\\folder\\*.*", &error).empty());
    }
    // Nor is a second name of a file outside (a hard link): it is listed, never opened, where
    // the host counts the names of a file (wine may not).
    std::error_code failed;
    if (fake_ == nullptr) fs::create_hard_link(outside_ + "/f", Host(u"\\d\\hard"), failed);
    if (fake_ == nullptr && fs::hard_link_count(Host(u"\\d\\hard"), failed) != 2) {
        std::printf("note: this host does not count the names of a file\n");
    } else if (fake_ == nullptr) {
        EXPECT_NE(platform().OpenForReading(u"\\d\\hard", &file), Error::kNone);
        EXPECT_NE(platform().CreateForWriting(u"\\d\\hard", &file), Error::kNone);
    }
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

// Windows are found by class and brought forward; the lowest bit of a handle handed to
// SetForegroundWindow (bring the owned windows along) is not part of the handle.
TEST_P(PlatformContractTest, WindowIsFoundByClassAndBroughtForward) {
    // Processes may share one desktop: a class of this process alone.
    std::u16string className = u"OxsdkContract";
    for (char c : std::to_string(platform().GetCurrentProcessId())) className.push_back(c);
    EXPECT_EQ(platform().FindWindow(className.c_str()), 0u);
    EXPECT_FALSE(platform().SetForegroundWindow(0));
    const WindowHandle window = ShowWindowOfClass(className);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(window & 1, 0u);
    EXPECT_EQ(platform().FindWindow(className.c_str()), window);
    EXPECT_TRUE(platform().ShowWindow(window, 1));
    EXPECT_TRUE(platform().SetForegroundWindow(window | 1));
    EXPECT_EQ(platform().GetForegroundWindow(), window);
    CloseWindowOfClass(className);
    EXPECT_EQ(platform().FindWindow(className.c_str()), 0u);
    EXPECT_FALSE(platform().ShowWindow(window, 1));  // no such window any more
}

TEST_P(PlatformContractTest, WaitCursorIsShownAndTheFormerOneRestored) {
    const CursorHandle wait = platform().LoadWaitCursor();
    ASSERT_NE(wait, 0u);
    EXPECT_EQ(platform().LoadWaitCursor(), wait);  // the one system cursor
    const CursorHandle before = platform().GetCursor();
    EXPECT_EQ(platform().SetCursor(wait), before);
    EXPECT_EQ(platform().GetCursor(), wait);
    EXPECT_EQ(platform().SetCursor(before), wait);
    EXPECT_EQ(platform().GetCursor(), before);
}

// Host paths lie below the device root that the environment names at every call.
TEST_P(PlatformContractTest, HostPathsLieBelowTheRootTheEnvironmentNames) {
    if (fake_ != nullptr) GTEST_SKIP() << "the fake has no host";
    ScopedEnvironment root("OXSDK_DEVICE_ROOT", HostForm("/r/dev/").c_str());
    EXPECT_EQ(DeviceRootFolder(), HostForm("/r/dev"));
    const struct {
        const char16_t* device;
        const char* host;  // null: cannot be mapped
    } cases[] = {
        {u"\\a\\b", "/r/dev/a/b"},
        {u"\\", "/r/dev"},
        {u"\\caf\u00e9\\\U0001F600", "/r/dev/caf\xc3\xa9/\xf0\x9f\x98\x80"},
        {u"\\a\\..\\b", nullptr},
        {u"\\a/..\\b", nullptr},
#ifndef _WIN32
        {u"\\\xD800x", nullptr},  // unpaired surrogate
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host != nullptr ? c.host : "refused");
        std::string host;
        EXPECT_EQ(DevicePathToHost(c.device, &host), c.host != nullptr);
        if (c.host != nullptr) {
            EXPECT_EQ(host, HostForm(c.host));
        }
    }
    // The platform of the environment finds its files below the root named now.
    root.Set(outside_.c_str());
    EXPECT_EQ(NativePlatform().GetFileAttributes(u"\\f"), kAttributeReadOnly);
    root.Set(root_.c_str());
    EXPECT_EQ(NativePlatform().GetFileAttributes(u"\\f"), kInvalidAttributes);
}

INSTANTIATE_TEST_SUITE_P(Implementations, PlatformContractTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "Native" : "Fake";
                         });

}  // namespace
}  // namespace oxsdk::platform
