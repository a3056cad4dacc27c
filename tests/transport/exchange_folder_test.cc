#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "transport/exchange_folder.h"

namespace {

using oxsdk::platform::FakePlatform;
using oxsdk::platform::kMaxPath;
using oxsdk::platform::ScopedPlatform;

// Only a smartphone (either spelling, on the CE platform) without "\Ostrel" takes the first
// "\*\Ostrel" instead; files, entries starting with "." and paths too long are no candidates.
TEST(ExchangeFolderTest, OnlyASmartphoneWithoutTheRootFolderFindsAnother) {
    // "\" + 251 + "\Ostrel" is too long to be a candidate; with 240 it is one, but the
    // exchange folder inside it would not fit.
    const std::u16string tooLong = u"\\" + std::u16string(251, u'c') + u"\\Ostrel";
    const std::u16string noRoom = u"\\" + std::u16string(240, u'c') + u"\\Ostrel";
    const std::u16string card = u"\\Storage Card\\Ostrel";
    struct Case {
        const char* type;
        bool ce, typeFails;
        std::vector<std::u16string> folders, files;
        std::u16string expected;
    } cases[] = {
        {"PocketPC", true, false, {card}, {}, u"\\Ostrel\\"},
        {"Smartphone", false, false, {card}, {}, u"\\Ostrel\\"},
        {"Smartphone", true, true, {card}, {}, u"\\Ostrel\\"},
        {"smartphone", true, false, {card}, {}, u"\\Ostrel\\"},
        {"MS SmartPhone 2003", true, false, {card}, {}, card + u"\\"},
        {"Smartphone", true, false, {card, u"\\Ostrel"}, {}, u"\\Ostrel\\"},
        {"Smartphone",
         true,
         false,
         {u"\\Zeta\\Ostrel", u"\\Alpha\\Ostrel"},
         {},
         u"\\Zeta\\Ostrel\\"},
        {"Smartphone",
         true,
         false,
         {u"\\Card2\\Ostrel"},
         {u"\\Card\\Ostrel"},
         u"\\Card2\\Ostrel\\"},
        {"Smartphone", true, false, {u"\\.hidden\\Ostrel"}, {u"\\Ostrel"}, u"\\Ostrel\\"},
        {"Smartphone", true, false, {tooLong, u"\\Card\\Ostrel"}, {}, u"\\Card\\Ostrel\\"},
        {"Smartphone", true, false, {noRoom}, {}, noRoom + u"\\"},
    };
    for (const Case& c : cases) {
        FakePlatform fake;
        ScopedPlatform use(fake);
        fake.SetPlatformType(c.type);
        fake.SetCePlatform(c.ce);
        fake.FailPlatformType(c.typeFails);
        fake.SetListDotEntries(true);
        for (const std::u16string& folder : c.folders) fake.AddFolder(folder);
        for (const std::u16string& file : c.files) fake.AddFile(file, "x");
        SCOPED_TRACE(std::string(c.expected.begin(), c.expected.end()));
        char16_t folder[kMaxPath];
        ASSERT_TRUE(oxsdk::transport::GetNavigatorFolder(folder));
        EXPECT_EQ(c.expected, folder);
        EXPECT_EQ(
            c.expected == noRoom + u"\\" ? u"" : c.expected + u"SdkFileCalls\\",
            oxsdk::transport::GetExchangeFolder(folder, false) ? std::u16string(folder) : u"");
    }
}

}  // namespace
