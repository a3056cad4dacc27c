// The library on an emulated device whose owner planted links, or that other users can reach:
// nothing outside the device is read, written, truncated or chmod'ed, nothing hangs, and the
// exchange goes on working for the next well-formed command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OXSDK5Link/OXSDK5Link.h"
#include "platform/platform.h"
#include "platform/posix/device_access.h"
#include "platform/posix/emulated_device.h"

namespace oxsdk::platform {
namespace {

namespace fs = std::filesystem;

struct EchoHandler : MCommandHandlerInterface {
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        ++calls;
        std::vector<std::string> fields;
        for (int i = 0; i < layer.NrReceiveFields(); ++i) fields.emplace_back(layer.ReceiveField(i));
        layer.StartReturnResult(session);
        layer.AppendArgument("0");
        for (std::size_t i = 1; i < fields.size(); ++i) layer.AppendArgument(fields[i].c_str());
        layer.SendCommand();
        return 0;
    }
    int calls = 0;
};

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ConfinementTest : public testing::Test {
protected:
    void SetUp() override {
        for (std::string* folder : {&root_, &outside_}) {
            std::string pattern = fs::temp_directory_path() / "oxsdk-confined-XXXXXX";
            ASSERT_NE(mkdtemp(pattern.data()), nullptr);
            *folder = pattern;
        }
        secret_ = outside_ + "/secret";
        std::ofstream(secret_) << "secret";
        chmod(secret_.c_str(), 0444);
        exchange_ = root_ + "/Ostrel/SdkFileCalls";
        platform_ = NewPosixPlatform(root_);
        use_ = std::make_unique<ScopedPlatform>(*platform_);
        client_ = COstrelFileLayer::New("app", "nav", 77);
        ASSERT_NE(client_, nullptr);
    }
    void TearDown() override {
        delete client_;
        use_.reset();
        for (const std::string& folder : {root_, outside_}) fs::remove_all(folder);
    }

    // Sends one command from the client; true when it was written.
    bool Send(const char* text) {
        client_->StartSendCommand();
        client_->AppendArgument("Echo");
        client_->AppendArgument(text);
        session_ = client_->SendCommand();
        return session_ != nullptr;
    }

    // A well-formed command still travels both ways, and only it is answered.
    void ExpectExchangeWorks() {
        ASSERT_TRUE(Send("hello"));
        EchoHandler handler;
        COstrelFileLayer::ProcessEvents("nav", handler);
        EXPECT_EQ(handler.calls, 1);
        ASSERT_EQ(client_->ReturnAvailable(session_), 1);
        client_->StartReceiveCommand(session_);
        ASSERT_EQ(client_->NrReceiveFields(), 2);
        EXPECT_STREQ(client_->ReceiveField(1), "hello");
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
    std::unique_ptr<ScopedPlatform> use_;
    MOstrelCommunicationLayerInterface* client_ = nullptr;
    MOstrelSession* session_ = nullptr;
};

TEST_F(ConfinementTest, LinksInTheExchangeFolderAreNeitherReadNorWrittenThrough) {
    ExpectExchangeWorks();  // creates the folders
    const struct {
        const char* name;  // a link to the outside file under this exchange name
        bool sendFirst;    // the client sends its next command (sequence 2) meanwhile
    } cases[] = {
        {"evil.nav.1.1.message", false},  // a command the navigator would read and answer
        {"evil.nav.1.1.finished", false},
        {"nav.evil.1.1.message", false},  // a reply the navigator would write
        {"app.nav.77.2.message", true},   // the client's next command
        {"app.nav.77.2.finished", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string link = exchange_ + "/" + c.name;
        ASSERT_EQ(symlink(secret_.c_str(), link.c_str()), 0);
        if (c.sendFirst) {
            EXPECT_FALSE(Send("through a link"));
        } else {
            // The rest of a command from "evil", around the link.
            for (const char* name : {"evil.nav.1.1.message", "evil.nav.1.1.finished"}) {
                if (std::string(name) != c.name) std::ofstream(exchange_ + "/" + name) << "Echo|x|";
            }
            EchoHandler handler;
            COstrelFileLayer::ProcessEvents("nav", handler);
        }
        ExpectOutsideUntouched();
        fs::remove(link);
        for (const auto& entry : fs::directory_iterator(exchange_)) fs::remove(entry.path());
        delete client_;
        client_ = COstrelFileLayer::New("app", "nav", 77);
        ExpectExchangeWorks();
    }
}

TEST_F(ConfinementTest, LinkedFoldersOnTheWayAreNotUsed) {
    for (const char* folder : {"/Ostrel", "/Ostrel/SdkFileCalls"}) {
        SCOPED_TRACE(folder);
        fs::remove_all(root_ + "/Ostrel");
        if (std::string(folder) != "/Ostrel") fs::create_directory(root_ + "/Ostrel");
        ASSERT_EQ(symlink(outside_.c_str(), (root_ + folder).c_str()), 0);
        EXPECT_FALSE(Send("outside"));
        EchoHandler handler;
        COstrelFileLayer::ProcessEvents("nav", handler);
        EXPECT_EQ(handler.calls, 0);
        ExpectOutsideUntouched();
        EXPECT_NE(DescribeUntrustedFolder(root_, u"\\Ostrel\\SdkFileCalls"), "");
    }
}

TEST_F(ConfinementTest, NavigatorSearchSkipsLinkedFoldersAndEnds) {
    // Two links to the root would make a search that followed them exponential.
    ASSERT_EQ(symlink(".", (root_ + "/l1").c_str()), 0);
    ASSERT_EQ(symlink(".", (root_ + "/l2").c_str()), 0);
    ASSERT_EQ(symlink(outside_.c_str(), (root_ + "/out").c_str()), 0);
    std::ofstream(outside_ + "/Ostrel Navigator.exe") << "#!/bin/sh\n";
    fs::permissions(outside_ + "/Ostrel Navigator.exe", fs::perms::owner_all);
    COstrelAPI api(*client_);
    COstrelAPI::TError error;
    EXPECT_EQ(api.StartApplication(&error), 0);
    EXPECT_EQ(error.errorCode, -5);
    EXPECT_EQ(Contents(outside_ + "/Ostrel Navigator.exe"), "#!/bin/sh\n");
}

// Folders another user could write are named with the fix; the device root may itself be a
// link, since the user chose it.
TEST_F(ConfinementTest, UntrustedFoldersAreRefusedAndDescribed) {
    ExpectExchangeWorks();
    const std::string linkedRoot = outside_ + "/device";
    ASSERT_EQ(symlink(root_.c_str(), linkedRoot.c_str()), 0);
    EXPECT_EQ(DescribeUntrustedFolder(linkedRoot, u"\\Ostrel\\SdkFileCalls"), "");
    for (const std::string& folder : {root_, root_ + "/Ostrel", exchange_}) {
        SCOPED_TRACE(folder);
        chmod(folder.c_str(), 0777);
        EXPECT_FALSE(Send("refused"));
        EXPECT_EQ(DescribeUntrustedFolder(root_, u"\\Ostrel\\SdkFileCalls"),
                  "the device folder " + folder +
                      " may be written by other users; make it private: chmod go-w '" + folder +
                      "'");
        chmod(folder.c_str(), 0700);
    }
    ExpectExchangeWorks();
}

// A second local user can neither put a command into the device nor read a reply from it.
TEST_F(ConfinementTest, SecondUserCannotReachTheDevice) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
    ExpectExchangeWorks();
    ASSERT_TRUE(Send("private"));
    EchoHandler handler;
    COstrelFileLayer::ProcessEvents("nav", handler);  // the reply waits in the folder
    const std::string reply = exchange_ + "/nav.app.77.2.message";
    ASSERT_TRUE(fs::exists(reply));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        int injected = open((exchange_ + "/x.nav.1.1.message").c_str(), O_WRONLY | O_CREAT, 0666);
        int read = open(reply.c_str(), O_RDONLY);
        int listed = open(exchange_.c_str(), O_RDONLY | O_DIRECTORY);
        _exit(injected < 0 && read < 0 && listed < 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    client_->StartReceiveCommand(session_);
    ASSERT_EQ(client_->NrReceiveFields(), 2);
    EXPECT_STREQ(client_->ReceiveField(1), "private");
}

}  // namespace
}  // namespace oxsdk::platform
