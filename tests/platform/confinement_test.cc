// The library on an emulated device whose owner planted links, or that other users can reach:
// nothing outside the device is read, written, truncated or chmod'ed, nothing hangs, and the
// exchange goes on working for the next well-formed command.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OXSDK5Link/OXSDK5Link.h"
#include "platform/native_device.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"
#include "support/echo_navigator.h"

namespace oxsdk::platform {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The device with a process number of 0, so that a layer's commands are numbered from 1 as the
// file names below expect.
class SequencesFromOne : public PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    std::uint32_t GetProcessNonce() override { return 0; }
};

class ConfinementTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::string* folder : {&root_, &outside_}) {
            *folder = MakePrivateTemporaryFolder("oxsdk-confined");
            ASSERT_FALSE(folder->empty());
        }
        secret_ = outside_ + "/secret";
        std::ofstream(secret_) << "secret";
        chmod(secret_.c_str(), 0444);
        exchange_ = root_ + "/Ostrel/SdkFileCalls";
        platform_ = NewPosixPlatform(root_);
        numbering_ = std::make_unique<SequencesFromOne>(*platform_);
        use_ = std::make_unique<ScopedPlatform>(*numbering_);
        NewClient();
    }
    void TearDown() override {
        delete client_;
        use_.reset();
        for (const std::string& folder : {root_, outside_}) fs::remove_all(folder);
    }
    void NewClient() {
        delete client_;
        client_ = COstrelFileLayer::New("app", "nav", 77);
        ASSERT_NE(client_, nullptr);
    }

    // Sends one command from the client; true when it was written.
    bool Send(const char* text) {
        client_->StartSendCommand();
        client_->AppendArgument("Echo");
        client_->AppendArgument(text);
        session_ = client_->SendCommand();
        return session_ != nullptr;
    }
    // One pass of the navigator; the number of commands it took.
    std::size_t Serve() {
        testing::EchoNavigator navigator;
        COstrelFileLayer::ProcessEvents("nav", navigator);
        return navigator.received.size();
    }

    // A well-formed command still travels both ways, and only it is answered.
    void ExpectExchangeWorks() {
        ASSERT_TRUE(Send("hello"));
        EXPECT_EQ(Serve(), 1u);
        ASSERT_EQ(client_->ReturnAvailable(session_), 1);
        client_->StartReceiveCommand(session_);
        EXPECT_EQ(testing::ReceivedFields(*client_), (Texts{"0", "hello"}));
    }

    void ExpectOutsideUntouched() {
        EXPECT_EQ(Contents(secret_), "secret");
        struct stat info;
        ASSERT_EQ(stat(secret_.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0444u);
        EXPECT_EQ(std::distance(fs::directory_iterator(outside_), fs::directory_iterator{}), 1);
    }

    std::string root_, outside_, secret_, exchange_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<Platform> numbering_;
    std::unique_ptr<ScopedPlatform> use_;
    MOstrelCommunicationLayerInterface* client_ = nullptr;
    MOstrelSession* session_ = nullptr;
};

// Links in the exchange folder are neither read nor written through, hard links to a file
// outside included.
TEST_F(ConfinementTest, LinksInTheExchangeFolderAreNeitherReadNorWrittenThrough) {
    ExpectExchangeWorks();  // creates the folders
    const struct {
        const char* name;  // a link to the outside file under this exchange name
        bool sendFirst;    // the client sends its next command (sequence 2) meanwhile
        bool hard;         // a hard link, else a symbolic one
    } cases[] = {
        {"evil.nav.1.1.message", false, false},  // a command the navigator would read, answer
        {"evil.nav.1.1.finished", false, false},
        {"nav.evil.1.1.message", false, false},  // a reply the navigator would write
        {"app.nav.77.2.message", true, false},   // the client's next command
        {"app.nav.77.2.finished", true, false},
        {"nav.evil.1.1.message", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string link = exchange_ + "/" + c.name;
        ASSERT_EQ(
            c.hard ? ::link(secret_.c_str(), link.c_str()) : symlink(secret_.c_str(), link.c_str()),
            0);
        if (c.hard) chmod(secret_.c_str(), 0644);  // so that only the link can refuse it
        if (c.sendFirst) {
            EXPECT_FALSE(Send("through a link"));
        } else {
            // The rest of a command from "evil", around the link.
            for (const char* name : {"evil.nav.1.1.message", "evil.nav.1.1.finished"}) {
                if (std::string(name) != c.name) std::ofstream(exchange_ + "/" + name) << "Echo|x|";
            }
            Serve();
        }
        chmod(secret_.c_str(), 0444);
        ExpectOutsideUntouched();
        for (const auto& entry : fs::directory_iterator(exchange_)) fs::remove(entry.path());
        NewClient();
        ExpectExchangeWorks();
    }
}

// A folder on the way to the exchange folder that is a link, another user's, or writable by
// other users (of its group too) is not used, and is named with the fix. The device root may itself
// be a link, since the user chose it.
TEST_F(ConfinementTest, UntrustedFoldersOnTheWayAreRefusedAndDescribed) {
    ExpectExchangeWorks();
    const std::string linkedRoot = outside_ + "/device";
    ASSERT_EQ(symlink(root_.c_str(), linkedRoot.c_str()), 0);
    EXPECT_EQ(DescribeUntrustedFolder(linkedRoot, u"\\Ostrel\\SdkFileCalls"), "");
    fs::remove(linkedRoot);
    enum EHazard { kLink, kOpen, kGroupOpen, kForeign };
    const struct {
        std::string folder;
        EHazard hazard;
    } cases[] = {{root_ + "/Ostrel", kLink}, {exchange_, kLink},      {root_, kOpen},
                 {root_ + "/Ostrel", kOpen}, {exchange_, kGroupOpen}, {root_, kForeign},
                 {exchange_, kForeign}};
    for (const auto& c : cases) {
        const std::string& folder = c.folder;
        SCOPED_TRACE(folder + " " + std::to_string(c.hazard));
        if (c.hazard == kForeign && geteuid() != 0) continue;  // needs root to give it away
        std::string fix;
        if (c.hazard == kLink) {
            fs::remove_all(folder);
            ASSERT_EQ(symlink(outside_.c_str(), folder.c_str()), 0);
            fix =
                " is a symbolic link, and the device follows none: replace it with a folder "
                "(rm '" +
                folder + "')";
        } else if (c.hazard != kForeign) {
            chmod(folder.c_str(), c.hazard == kOpen ? 0777 : 0770);
            fix = " may be written by other users; make it private: chmod go-w '" + folder + "'";
        } else {
            ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
            fix =
                " belongs to user 65534, not to you (user 0): use a device of your own (set "
                "OXSDK_DEVICE_ROOT to a folder you own)";
        }
        EXPECT_FALSE(Send("refused"));
        EXPECT_EQ(Serve(), 0u);
        ExpectOutsideUntouched();
        EXPECT_EQ(DescribeUntrustedFolder(root_, u"\\Ostrel\\SdkFileCalls"),
                  "the device folder " + folder + fix);
        if (c.hazard == kLink) fs::remove(folder);
        if (c.hazard == kOpen || c.hazard == kGroupOpen) chmod(folder.c_str(), 0700);
        if (c.hazard == kForeign) {
            ASSERT_EQ(chown(folder.c_str(), geteuid(), getegid()), 0);
        }
        ExpectExchangeWorks();
    }
}

}  // namespace
}  // namespace oxsdk::platform
