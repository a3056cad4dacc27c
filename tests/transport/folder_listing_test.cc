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
    for (bool more = listing.First("a"); more; more = listing.Next()) {
        entries.push_back(std::string(listing.isDirectory != 0 ? "dir:" : "") + listing.entryName);
    }
    EXPECT_FALSE(listing.Next()) << "an exhausted listing stays exhausted";
    return entries;
}

// Only the markers addressed to the receiver are listed, in folder order.
TEST(FolderListingTest, ListsInFolderOrderPassingOverWhatCannotBeAMarkerForTheReceiver) {
    FakePlatform fake;
    ScopedPlatform use(fake);
    fake.SetListDotEntries(true);
    const std::u16string longest = std::u16string(240, u'l') + u".A.1.1.finished";  // 255
    fake.AddFile(kExchange + u"b.a.1.1.finished");
    fake.AddFolder(kExchange + u"sub.a.1.1.finished");
    fake.AddFile(kExchange + u"wide\u0100.a.1.1.finished");
    fake.AddFile(kExchange + u"x" + longest);
    fake.AddFile(kExchange + longest);
    fake.AddFile(kExchange + u"c.b.1.1.finished");  // addressed to another
    fake.AddFile(kExchange + u"c.a.1.1.message");
    fake.AddFile(kExchange + u"c.a.1.1.finished");
    EXPECT_EQ((std::vector<std::string>{"b.a.1.1.finished", "dir:sub.a.1.1.finished",
                                        std::string(240, 'l') + ".A.1.1.finished",
                                        "c.a.1.1.finished"}),
              ListAll());
}

}  // namespace
