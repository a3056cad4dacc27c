// Whichever allocation fails while the emulated device builds a folder listing, the folder's
// descriptor is closed again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <string>

#include "platform/native_device.h"
#include "platform/posix/emulated_device.h"
#include "support/allocation_faults.h"

namespace oxsdk::platform {
namespace {

namespace fs = std::filesystem;

TEST(ListingFaultsTest, AFailedAllocationWhileListingLeavesNoDescriptorOpen) {
    const std::string root = MakePrivateTemporaryFolder("oxsdk-listing");
    std::unique_ptr<Platform> platform = NewPosixPlatform(root);
    ASSERT_TRUE(!root.empty() && platform->CreateFolder(u"\\Ostrel") == Error::kNone);
    for (int i = 0; i < 100; ++i) std::ofstream(root + "/Ostrel/file" + std::to_string(i)) << "x";
    auto list = [&] {
        std::unique_ptr<FindHandle> find;
        FindData entry;
        try {
            return platform->FindFirst(u"\\Ostrel\\*.*", &find, &entry) == Error::kNone;
        } catch (const std::bad_alloc&) {
            return false;
        }
    };
    auto descriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    ASSERT_TRUE(list());  // the folders on the way are checked and kept from here on
    const auto before = descriptors();
    int failed = 0;
    for (long n = 1; n < 1000; ++n) {
        testing::ArmAllocationFailure(n);
        list();
        if (!testing::DisarmAllocationFailure()) break;  // the listing needs fewer allocations
        ++failed;
        EXPECT_EQ(before, descriptors()) << "allocation " << n;
    }
    EXPECT_GT(failed, 0);
    EXPECT_TRUE(list());
    fs::remove_all(root);
}

}  // namespace
}  // namespace oxsdk::platform
