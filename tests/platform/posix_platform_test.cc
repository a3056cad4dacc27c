// What only the emulated device does: private modes, folders of the group or of other users,
// detached program start and folder watching.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/posix/emulated_device.h"

namespace oxsdk::platform {
namespace {

namespace fs = std::filesystem;

class PosixPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = fs::temp_directory_path() / "oxsdk-posix-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
        root_ = base_ + "/state/device";  // not there yet: created when first needed
        platform_ = NewPosixPlatform(root_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }
    Platform& platform() { return *platform_; }

    void WriteHostFile(const std::string& relative, const std::string& text, fs::perms perms) {
        fs::create_directories(fs::path(root_ + "/" + relative).parent_path());
        std::ofstream(root_ + "/" + relative) << text;
        fs::permissions(root_ + "/" + relative, perms);
    }

    std::string base_;
    std::string root_;
    std::unique_ptr<Platform> platform_;
};

TEST_F(PosixPlatformTest, OnlyExecutableFilesStartAndRunDetachedWithoutArguments) {
    const std::string out = root_ + "/out";
    WriteHostFile("bin/probe.sh",
                  "#!/bin/sh\n"
                  "args=$#\n"
                  "stdin=$(readlink /proc/$$/fd/0)\n"
                  "session=$(cut -d' ' -f6 /proc/$$/stat)\n"
                  "echo \"$args $$ $session $stdin $OXSDK_PROBE_MARK\" > '" +
                      out + ".tmp'\n" + "mv '" + out + ".tmp' '" + out + "'\n",
                  fs::perms::owner_all);
    setenv("OXSDK_PROBE_MARK", "inherited", 1);
    ASSERT_EQ(platform().StartProcess(u"\\bin\\probe.sh"), Error::kNone);
    unsetenv("OXSDK_PROBE_MARK");
    WriteHostFile("plain.exe", "#!/bin/sh\n", fs::perms::owner_read | fs::perms::owner_write);
    WriteHostFile("garbage.exe", "not a program\n", fs::perms::owner_all);
    fs::create_directories(root_ + "/folder.exe");
    EXPECT_EQ(platform().StartProcess(u"\\plain.exe"), Error::kAccessDenied);
    EXPECT_EQ(platform().StartProcess(u"\\folder.exe"), Error::kAccessDenied);
    EXPECT_EQ(platform().StartProcess(u"\\garbage.exe"), Error::kOther);  // exec refused it
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child of ours remained";
    for (int pass = 0; pass < 3000 && !fs::exists(out); ++pass) usleep(10000);
    int arguments = -1;
    long pid = 0, session = -1;
    std::string input, marker;
    std::ifstream(out) >> arguments >> pid >> session >> input >> marker;
    EXPECT_EQ(arguments, 0);
    EXPECT_EQ(session, pid) << "not in a session of its own";
    EXPECT_EQ(input, "/dev/null");
    EXPECT_EQ(marker, "inherited");
}

// Folders and files are created private (and the folders on the way to the device root), and
// beyond the contract's folders open to all, one its group may write or (for the superuser, who
// alone can give one away) another user's is refused as missing.
TEST_F(PosixPlatformTest, FoldersAreMadePrivateAndOnlyPrivateOnesAreUsed) {
    mode_t previous = umask(022);
    ASSERT_EQ(platform().CreateFolder(u"\\d"), Error::kNone);
    std::unique_ptr<File> file;
    ASSERT_EQ(platform().CreateForWriting(u"\\d\\f", &file), Error::kNone);
    umask(previous);
    auto mode = [](const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0u;
    };
    const std::string folder = root_ + "/d";
    for (const std::string& made : {base_ + "/state", root_, folder}) {
        EXPECT_EQ(mode(made), 0700u) << made;
    }
    EXPECT_EQ(mode(folder + "/f"), 0600u);
    chmod(folder.c_str(), 0770);
    EXPECT_EQ(platform().OpenForReading(u"\\d\\f", &file), Error::kNotFound);
    chmod(folder.c_str(), 0700);
    if (geteuid() != 0) return;
    ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    EXPECT_EQ(platform().OpenForReading(u"\\d\\f", &file), Error::kNotFound);
}

// A folder change ends the wait, also when made between waits, and a wait for a name is woken
// neither by its own files nor by those of others; waits keep no descriptors open.
TEST_F(PosixPlatformTest, FolderWaitsEndAtTheChangesTheyWatchFor) {
    // The folder is named as the exchange folder is, with its trailing separator. Were a change
    // missed, the wait would last its full minute.
    ASSERT_EQ(platform().CreateFolder(u"\\x"), Error::kNone);
    auto waitEndsEarly = [this] {
        auto start = std::chrono::steady_clock::now();
        platform().WaitForFolderChange(u"\\x\\", 60000);
        return std::chrono::steady_clock::now() - start < std::chrono::seconds(30);
    };
    platform().WaitForFolderChange(u"\\x\\", 1);
    std::ofstream(root_ + "/x/between") << "x";
    EXPECT_TRUE(waitEndsEarly());
    std::atomic<bool> done{false};
    std::thread writer([&] {
        // Keeps creating files until the wait ended, so that one lands after the watch began.
        for (int i = 0; !done; ++i) {
            std::ofstream(root_ + "/x/f" + std::to_string(i)) << "x";
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    EXPECT_TRUE(waitEndsEarly());
    done = true;
    writer.join();

    const char16_t* pattern = u"*.nav.*.finished";
    EXPECT_FALSE(platform().WaitForFolderChange(u"\\x", 0, pattern));  // the watch begins
    for (const char* name : {"a.other.1.finished", "a.nav.1.message"}) {
        std::ofstream(root_ + "/x/" + name) << "x";
    }
    EXPECT_FALSE(platform().WaitForFolderChange(u"\\x", 1, pattern));
    std::ofstream(root_ + "/x/a.NAV.1.finished") << "x";
    EXPECT_TRUE(platform().WaitForFolderChange(u"\\x", 60000, pattern));

    auto openDescriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
    };
    platform().WaitForFolderChange(u"\\x", 1);  // the watch itself stays open between waits
    auto before = openDescriptors();
    for (int i = 0; i < 20; ++i) {
        platform().WaitForFolderChange(u"\\x", 1);
        platform().WaitForFolderChange(u"\\missing", 1);
        platform().WaitForFolderChange(u"\\..", 1);
    }
    EXPECT_EQ(openDescriptors(), before);
}

}  // namespace
}  // namespace oxsdk::platform
