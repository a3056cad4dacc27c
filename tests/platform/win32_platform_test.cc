// What only the Windows platform does: names Windows cannot hold, and the sharing of open files
// that the exchange relies on.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/native_device.h"
#include "platform/platform.h"
#include "platform/win32/windows_api.h"

namespace oxsdk::platform {
namespace {

namespace fs = std::filesystem;

class Win32PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakePrivateTemporaryFolder("oxsdk-win32");
        ASSERT_FALSE(root_.empty());
        platform_ = NewNativePlatform(root_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    Platform& platform() { return *platform_; }

    std::string root_;
    std::unique_ptr<Platform> platform_;
};

// Names that Windows cannot hold are refused as unmappable paths are, and nothing is created.
TEST_F(Win32PlatformTest, NamesWindowsCannotHoldAreRefused) {
    const struct {
        const char16_t* path;
        bool held;
    } cases[] = {
        {u"\\a<b", false},    {u"\\a:b", false}, {u"\\a\"b", false},    {u"\\a|b", false},
        {u"\\a*b", false},    {u"\\a?b", false}, {u"\\a\x01", false},   {u"\\dot.", false},
        {u"\\end ", false},   {u"\\CON", false}, {u"\\nul.txt", false}, {u"\\Lpt1", false},
        {u"\\com9.x", false}, {u"\\con1", true}, {u"\\.hidden", true},  {u"\\a.b c", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path)));
        std::unique_ptr<File> file;
        EXPECT_EQ(platform().CreateForWriting(c.path, &file),
                  c.held ? Error::kNone : Error::kNotFound);
        file.reset();
        EXPECT_EQ(platform().GetFileAttributes(c.path) != kInvalidAttributes, c.held);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator{}), 3);
}

// A writer shares nothing: a reader meeting a file being written sees access denied, and so
// does a second writer or a deletion. A reader lets others read and delete, not write.
TEST_F(Win32PlatformTest, OpenFilesAreSharedAsTheExchangeNeeds) {
    std::unique_ptr<File> writer, reader, other;
    ASSERT_EQ(platform().CreateForWriting(u"\\f", &writer), Error::kNone);
    EXPECT_EQ(platform().OpenForReading(u"\\f", &reader), Error::kAccessDenied);
    EXPECT_EQ(platform().CreateForWriting(u"\\f", &other), Error::kAccessDenied);
    EXPECT_EQ(platform().DeleteFile(u"\\f"), Error::kAccessDenied);
    std::uint32_t written = 0;
    ASSERT_EQ(writer->Write("abc", 3, &written), Error::kNone);
    writer.reset();

    ASSERT_EQ(platform().OpenForReading(u"\\f", &reader), Error::kNone);
    EXPECT_EQ(platform().OpenForReading(u"\\f", &other), Error::kNone);
    other.reset();
    EXPECT_EQ(platform().CreateForWriting(u"\\f", &other), Error::kAccessDenied);
    EXPECT_EQ(platform().DeleteFile(u"\\f"), Error::kNone);
    char text[4] = {};
    std::uint32_t count = 0;
    EXPECT_EQ(reader->Read(text, 3, &count), Error::kNone);  // still readable once deleted
    EXPECT_STREQ(text, "abc");
}

}  // namespace
}  // namespace oxsdk::platform
