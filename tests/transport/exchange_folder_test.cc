#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "transport/exchange_folder.h"
#include "transport/file_operations.h"

namespace {

using oxsdk::platform::FakePlatform;
using oxsdk::platform::kMaxPath;
using oxsdk::platform::ScopedPlatform;
using oxsdk::transport::GetExchangeFolder;
using oxsdk::transport::GetNavigatorFolder;
using oxsdk::transport::IsSmartphone;

std::u16string NavigatorFolder() {
    char16_t folder[kMaxPath];
    EXPECT_TRUE(GetNavigatorFolder(folder));
    return folder;
}

std::u16string ExchangeFolder(bool create) {
    char16_t folder[kMaxPath];
    if (!GetExchangeFolder(folder, create)) return u"<none>";
    return folder;
}

TEST(IsSmartphoneTest, LooksForEitherSpellingOnTheCePlatform) {
    struct Case {
        const char* type;
        bool ce, fails, expected;
    } cases[] = {{"PocketPC", true, false, false},   {"Smartphone", true, false, true},
                 {"SmartPhone", true, false, true},  {"MS Smartphone 2003", true, false, true},
                 {"smartphone", true, false, false}, {"Smartphone", false, false, false},
                 {"Smartphone", true, true, false}};
    for (const Case& c : cases) {
        FakePlatform fake;
        ScopedPlatform use(fake);
        fake.SetPlatformType(c.type);
        fake.SetCePlatform(c.ce);
        fake.FailPlatformType(c.fails);
        EXPECT_EQ(c.expected, IsSmartphone()) << c.type << " " << c.ce << " " << c.fails;
    }
}

// A Pocket PC always uses "\Ostrel"; a smartphone without it takes the first "\*\Ostrel".
TEST(ExchangeFolderTest, SmartphoneWithoutTheRootFolderFindsAnother) {
    // "\" + 251 + "\Ostrel" is too long to be a candidate; with 240 it is one, but the
    // exchange folder inside it would not fit.
    const std::u16string tooLong = u"\\" + std::u16string(251, u'c') + u"\\Ostrel";
    const std::u16string noRoom = u"\\" + std::u16string(240, u'c') + u"\\Ostrel";
    struct Case {
        const char* type;
        std::vector<std::u16string> folders, files;
        std::u16string expected;
    } cases[] = {
        {"PocketPC", {u"\\Storage Card\\Ostrel"}, {}, u"\\Ostrel\\"},
        {"Smartphone", {u"\\Storage Card\\Ostrel", u"\\Ostrel"}, {}, u"\\Ostrel\\"},
        {"Smartphone", {u"\\Storage Card\\Ostrel"}, {}, u"\\Storage Card\\Ostrel\\"},
        {"Smartphone", {u"\\Zeta\\Ostrel", u"\\Alpha\\Ostrel"}, {}, u"\\Zeta\\Ostrel\\"},
        {"Smartphone",
         {},
         {u"\\Card\\Ostrel", u"\\Ostrel"},
         u"\\Ostrel\\"},  // files are no folders
        {"Smartphone", {u"\\Card2\\Ostrel"}, {u"\\Card\\Ostrel"}, u"\\Card2\\Ostrel\\"},
        {"Smartphone", {u"\\.hidden\\Ostrel"}, {}, u"\\Ostrel\\"},  // nor entries starting with "."
        {"Smartphone", {}, {u"\\readme.txt"}, u"\\Ostrel\\"},
        {"Smartphone", {tooLong, u"\\Card\\Ostrel"}, {}, u"\\Card\\Ostrel\\"},
        {"Smartphone", {noRoom}, {}, noRoom + u"\\"},
    };
    for (const Case& c : cases) {
        FakePlatform fake;
        ScopedPlatform use(fake);
        fake.SetPlatformType(c.type);
        fake.SetListDotEntries(true);
        for (const std::u16string& folder : c.folders) fake.AddFolder(folder);
        for (const std::u16string& file : c.files) fake.AddFile(file, "x");
        const std::string what(c.expected.begin(), c.expected.end());
        EXPECT_EQ(c.expected, NavigatorFolder()) << what;
        const bool fits = c.expected != noRoom + u"\\";
        EXPECT_EQ(fits ? c.expected + u"SdkFileCalls\\" : u"<none>", ExchangeFolder(false)) << what;
    }
}

TEST(ExchangeFolderTest, BothFoldersAreCreatedOnRequestFailuresLeftToTheFileOperations) {
    const std::u16string card = u"\\Storage Card\\Ostrel\\SdkFileCalls";
    FakePlatform fake;
    ScopedPlatform use(fake);
    fake.SetPlatformType("Smartphone");
    fake.AddFolder(u"\\Storage Card\\Ostrel");
    EXPECT_EQ(card + u"\\", ExchangeFolder(false));
    EXPECT_FALSE(fake.Exists(card));
    EXPECT_EQ(card + u"\\", ExchangeFolder(true));
    EXPECT_TRUE(fake.Exists(card));
    EXPECT_FALSE(fake.Exists(u"\\Ostrel"));
    EXPECT_EQ(card + u"\\", ExchangeFolder(true));  // existing folders are fine

    FakePlatform failing;
    ScopedPlatform useFailing(failing);
    failing.InjectFault(oxsdk::platform::FakeOperation::kCreateFolder, u"",
                        oxsdk::platform::Error::kOther, FakePlatform::kAlways);
    EXPECT_EQ(u"\\Ostrel\\SdkFileCalls\\", ExchangeFolder(true));
    EXPECT_EQ(nullptr, oxsdk::transport::CreateExchangeFile("a.b.1.1.message"));
}

}  // namespace
