#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "transport/folder_listing.h"

namespace {

using oxsdk::platform::FakePlatform;
using oxsdk::platform::ScopedPlatform;
using oxsdk::transport::CFolderListing;

const std::u16string kFolder = u"\\Ostrel\\SdkFileCalls";
const std::u16string kExchange = kFolder + u"\\";

std::vector<std::string> ListAll() {
    std::vector<std::string> entries;
    CFolderListing listing;
    for (bool more = listing.First(); more; more = listing.Next()) {
        entries.push_back(std::string(listing.isDirectory != 0 ? "dir:" : "") + listing.entryName);
    }
    EXPECT_FALSE(listing.Next()) << "an exhausted listing stays exhausted";
    return entries;
}

TEST(FolderListingTest, ListsInFolderOrderPassingOverWhatCannotBeAnExchangeFile) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    fake.SetListDotEntries(true);
    const std::u16string longest = std::u16string(246, u'l') + u".finished";  // 255 characters
    fake.AddFile(kExchange + u"b.a.1.1.finished");
    fake.AddFolder(kExchange + u"sub.finished");
    fake.AddFile(kExchange + u"wide\u0100.a.1.1.finished");
    fake.AddFile(kExchange + u"x" + longest);
    fake.AddFile(kExchange + u"a.b.1.1.message");  // only markers are listed
    fake.AddFile(kExchange + longest);
    fake.AddFile(kExchange + u"a.b.1.1.finished");
    EXPECT_EQ((std::vector<std::string>{"b.a.1.1.finished", "dir:sub.finished",
                                        std::string(246, 'l') + ".finished", "a.b.1.1.finished"}),
              ListAll());
}

}  // namespace
