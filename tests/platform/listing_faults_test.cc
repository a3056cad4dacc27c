// The emulated device's folder listings under failed allocations: whichever allocation fails
// while a listing is built, its folder descriptor is closed again (no DIR, no descriptor left).
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>

#include "platform/posix/emulated_device.h"
#include "support/allocation_faults.h"

namespace oxsdk::platform {
namespace {

namespace fs = std::filesystem;

int OpenDescriptors() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

TEST(ListingFaultsTest, AFailedAllocationWhileListingLeavesNoDescriptorOpen) {
    std::string pattern = fs::temp_directory_path() / "oxsdk-listing-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string root = pattern + "/device";
    fs::create_directories(root + "/Ostrel");
    fs::permissions(pattern, fs::perms::owner_all);
    for (const std::string& folder : {root, root + "/Ostrel"}) {
        fs::permissions(folder, fs::perms::owner_all);
    }
    for (int i = 0; i < 100; ++i) std::ofstream(root + "/Ostrel/file" + std::to_string(i)) << "x";
    std::unique_ptr<Platform> platform = NewPosixPlatform(root);

    auto list = [&] {
        std::unique_ptr<FindHandle> find;
        FindData entry;
        try {
            return platform->FindFirst(u"\\Ostrel\\*.*", &find, &entry) == Error::kNone;
        } catch (const std::bad_alloc&) {
            return false;
        }
    };
    ASSERT_TRUE(list());  // the folders on the way are checked and kept from here on
    const int before = OpenDescriptors();
    int failed = 0;
    for (long n = 1; n < 1000; ++n) {
        testing::ArmAllocationFailure(n);
        list();
        if (!testing::DisarmAllocationFailure()) break;  // the listing needs fewer allocations
        ++failed;
        EXPECT_EQ(before, OpenDescriptors()) << "allocation " << n;
    }
    EXPECT_GT(failed, 0);
    EXPECT_TRUE(list());
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
}

}  // namespace
}  // namespace oxsdk::platform
