#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"
#include "transport/exchange_folder.h"
#include "transport/file_operations.h"

namespace {

using oxsdk::platform::FakeOperation;
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
        bool ce;
        bool fails;
        bool expected;
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

TEST(ExchangeFolderTest, PocketPcUsesOstrelAndCreatesBothFoldersOnRequest) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    fake.AddFolder(u"\\Storage Card\\Ostrel");
    EXPECT_EQ(u"\\Ostrel\\", NavigatorFolder());
    EXPECT_EQ(u"\\Ostrel\\SdkFileCalls\\", ExchangeFolder(false));
    EXPECT_FALSE(fake.Exists(u"\\Ostrel"));
    EXPECT_EQ(u"\\Ostrel\\SdkFileCalls\\", ExchangeFolder(true));
    EXPECT_TRUE(fake.Exists(u"\\Ostrel\\SdkFileCalls"));
    // Existing folders are fine.
    EXPECT_EQ(u"\\Ostrel\\SdkFileCalls\\", ExchangeFolder(true));
}

TEST(ExchangeFolderTest, SmartphoneFindsTheNavigatorFolder) {
    struct Case {
        const char* what;
        std::function<void(FakePlatform&)> prepare;
        std::u16string expected;
    } cases[] = {
        {"root folder wins over a card",
         [](FakePlatform& f) {
             f.AddFolder(u"\\Storage Card\\Ostrel");
             f.AddFolder(u"\\Ostrel");
         },
         u"\\Ostrel\\"},
        {"storage card", [](FakePlatform& f) { f.AddFolder(u"\\Storage Card\\Ostrel"); },
         u"\\Storage Card\\Ostrel\\"},
        {"first candidate in listing order",
         [](FakePlatform& f) {
             f.AddFolder(u"\\Zeta\\Ostrel");
             f.AddFolder(u"\\Alpha\\Ostrel");
         },
         u"\\Zeta\\Ostrel\\"},
        {"a file named Ostrel is no folder",
         [](FakePlatform& f) {
             f.AddFile(u"\\Card\\Ostrel", "x");
             f.AddFile(u"\\Ostrel", "x");
         },
         u"\\Ostrel\\"},
        {"a file beside a real one",
         [](FakePlatform& f) {
             f.AddFile(u"\\Card\\Ostrel", "x");
             f.AddFolder(u"\\Card2\\Ostrel");
         },
         u"\\Card2\\Ostrel\\"},
        {"dot entries are never candidates",
         [](FakePlatform& f) {
             f.SetListDotEntries(true);
             f.AddFolder(u"\\.hidden\\Ostrel");
         },
         u"\\Ostrel\\"},
        {"a root file is not scanned", [](FakePlatform& f) { f.AddFile(u"\\readme.txt", "x"); },
         u"\\Ostrel\\"},
        {"empty root", [](FakePlatform&) {}, u"\\Ostrel\\"},
        {"candidate that cannot fit",
         [](FakePlatform& f) {
             f.AddFolder(u"\\" + std::u16string(251, u'c') + u"\\Ostrel");
             f.AddFolder(u"\\Card\\Ostrel");
         },
         u"\\Card\\Ostrel\\"},
    };
    for (const Case& c : cases) {
        FakePlatform fake;
        ScopedPlatform use(fake);
        fake.SetPlatformType("Smartphone");
        c.prepare(fake);
        EXPECT_EQ(c.expected, NavigatorFolder()) << c.what;
    }
}

TEST(ExchangeFolderTest, NothingIsCachedBetweenCalls) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    fake.SetPlatformType("Smartphone");
    EXPECT_EQ(u"\\Ostrel\\SdkFileCalls\\", ExchangeFolder(false));
    fake.AddFolder(u"\\Storage Card\\Ostrel");
    EXPECT_EQ(u"\\Storage Card\\Ostrel\\SdkFileCalls\\", ExchangeFolder(true));
    EXPECT_TRUE(fake.Exists(u"\\Storage Card\\Ostrel\\SdkFileCalls"));
    EXPECT_FALSE(fake.Exists(u"\\Ostrel"));
}

TEST(ExchangeFolderTest, FolderCreationFailuresAreLeftToTheFileOperations) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    fake.InjectFault(FakeOperation::kCreateFolder, u"", oxsdk::platform::Error::kOther,
                     FakePlatform::kAlways);
    EXPECT_EQ(u"\\Ostrel\\SdkFileCalls\\", ExchangeFolder(true));
    EXPECT_EQ(nullptr, oxsdk::transport::CreateExchangeFile("a.b.1.1.message"));
}

TEST(ExchangeFolderTest, ExchangeFolderThatWouldNotFitIsRefused) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    fake.SetPlatformType("Smartphone");
    // "\" + 240 + "\Ostrel\" fits, but "SdkFileCalls\" after it does not.
    std::u16string card(240, u'c');
    fake.AddFolder(u"\\" + card + u"\\Ostrel");
    EXPECT_EQ(u"\\" + card + u"\\Ostrel\\", NavigatorFolder());
    EXPECT_EQ(u"<none>", ExchangeFolder(true));
}

TEST(ExchangeFolderTest, SmartphoneOnTheEmulatedDevice) {
    std::filesystem::path root = std::filesystem::temp_directory_path() /
                                 ("oxsdk-exchange-folder-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "Storage Card" / "Ostrel");
    std::filesystem::create_directories(root / ".cache" / "Ostrel");
    std::filesystem::create_directories(root / "Apps");
    std::ofstream(root / "Apps" / "Ostrel") << "not a folder";
    std::ofstream(root / ".platform-type") << "Smartphone";
    {
        std::unique_ptr<oxsdk::platform::Platform> posix =
            oxsdk::platform::NewPosixPlatform(root.string());
        ScopedPlatform use(*posix);
        EXPECT_TRUE(IsSmartphone());
        EXPECT_EQ(u"\\Storage Card\\Ostrel\\SdkFileCalls\\", ExchangeFolder(true));
        EXPECT_TRUE(
            std::filesystem::is_directory(root / "Storage Card" / "Ostrel" / "SdkFileCalls"));
        std::filesystem::create_directories(root / "Ostrel");
        EXPECT_EQ(u"\\Ostrel\\", NavigatorFolder());
    }
    std::filesystem::remove_all(root);
}

}  // namespace
