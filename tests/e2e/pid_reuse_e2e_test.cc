// Two clients, one after the other, each pid 1 of a pid namespace of its own (as in
// containers), number their commands apart, so that a late reply to the first one is never
// taken for the second one's. The clients are this program run again under `unshare -pf`,
// which needs root (CI runs as root); elsewhere the test is skipped with a message.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "OXSDK5Link/FileLayer.h"

namespace pid_reuse {
namespace {

namespace fs = std::filesystem;

// Run again as a client, this program sends one command, leaves it unanswered and exits.
const bool kRunAsClient = [] {
    if (std::getenv("OXSDK_PID_REUSE_CLIENT") == nullptr) return false;
    MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New("client", "nav", -1);
    if (layer == nullptr) _exit(1);
    layer->StartSendCommand();
    layer->AppendArgument("EchoV01");
    _exit(layer->SendCommand() != nullptr ? 0 : 1);
}();

TEST(PidReuseEndToEndTest, ClientsWithTheSamePidNumberTheirCommandsApart) {
    (void)kRunAsClient;
    if (geteuid() != 0 || std::system("unshare -pf true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs root and 'unshare -pf' to give each client pid 1";
    }
    char pattern[] = "/tmp/oxsdk-pid-reuse-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    const std::string root = pattern;
    const std::string client = "OXSDK_DEVICE_ROOT=" + root +
                               " OXSDK_PID_REUSE_CLIENT=1 unshare -pf " +
                               fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(0, std::system(client.c_str()));
    EXPECT_EQ(0, std::system(client.c_str()));
    std::set<std::string> commands;  // the markers of pid 1's commands
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(root + "/Ostrel/SdkFileCalls", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("client.nav.1.", 0) == 0 && name.find(".finished") != std::string::npos) {
            commands.insert(name);
        }
    }
    EXPECT_EQ(2u, commands.size());
    fs::remove_all(root, error);
}

}  // namespace
}  // namespace pid_reuse
