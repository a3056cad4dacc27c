// End to end: hostile HTTP clients against the live view of the real oxsdk-navigator, run with
// few descriptors (128). None of them may grow it, stall the page for others, or keep the
// command loop from answering commands.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "OXSDK5Link/FileLayer.h"
#include "test_device.h"

namespace oxsdk::emulator::testing {
namespace {

using tools::testing::CTestDevice;
using tools::testing::kBound;
using tools::testing::ReadFile;
using tools::testing::WaitUntil;

// A client socket of its own, closed on destruction.
class CConnection {
public:
    explicit CConnection(int port) : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~CConnection() { ::close(socket_); }
    bool Send(const std::string& text) {
        return ::send(socket_, text.data(), text.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(text.size());
    }
    // Whether the server answered or closed within the bound.
    bool Readable(double seconds) {
        pollfd polled{socket_, POLLIN, 0};
        return ::poll(&polled, 1, static_cast<int>(seconds * 1000)) > 0;
    }
    // What the server sends until it closes or `limit` bytes came (or the bound passed).
    std::string ReadAll(std::size_t limit = 1 << 20) {
        std::string text;
        char buffer[65536];
        while (text.size() < limit && Readable(kBound)) {
            const ssize_t got = ::recv(socket_, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            text.append(buffer, static_cast<std::size_t>(got));
        }
        return text;
    }

private:
    int socket_;
};

// The status code of an HTTP answer ("HTTP/1.1 200 OK" -> 200), 0 for none.
int Status(const std::string& answer) {
    return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

std::string Request(const std::string& path, const std::string& headers = "",
                    const std::string& host = "127.0.0.1") {
    return "GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers + "\r\n";
}

class LiveViewLimits : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access("/usr/bin/prlimit", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/prlimit";
        pid_ = device_.StartNavigator({"/usr/bin/prlimit", "--nofile=128:128", "--",
                                       OXSDK_NAVIGATOR_PATH, "--device-root", device_.root(),
                                       "--gazetteer", OXSDK_NAVIGATOR_DATA, "--log",
                                       device_.root() + "/navigator.log", "--http", "127.0.0.1:0"});
        ASSERT_GT(pid_, 0);
        std::string url;  // "http://127.0.0.1:PORT/?token=...\n" (the query is the page's key)
        ASSERT_TRUE(WaitUntil(kBound, [&] {
            url = ReadFile(device_.root() + "/.live-view-url");
            return !url.empty() && url.back() == '\n';
        }));
        port_ = std::atoi(url.c_str() + url.rfind(':') + 1);
        query_ = url.substr(url.find('/', url.rfind(':')) + 1);
        query_.pop_back();
        layer_.reset(COstrelFileLayer::New("LiveClient", "OstrelNavigator", -1));
        ASSERT_NE(layer_, nullptr);
    }

    // The answer to a GET of `path` (the page with its token by default) on a connection of
    // its own.
    std::string Get(std::string path = "", const std::string& headers = "",
                    const std::string& host = "127.0.0.1") {
        CConnection connection(port_);
        if (!connection.Send(Request(path.empty() ? "/" + query_ : path, headers, host))) return "";
        return connection.ReadAll();
    }

    // Whether the navigator answers a command.
    bool AnswersACommand() {
        layer_->StartSendCommand();
        layer_->AppendArgument("GetCurrentPositionV01");
        MOstrelSession* session = layer_->SendCommand();
        if (session == nullptr ||
            !WaitUntil(kBound, [&] { return layer_->ReturnAvailable(session) != 0; })) {
            return false;
        }
        layer_->StartReceiveCommand(session);  // takes the reply and ends the session
        return layer_->NrReceiveFields() > 0;
    }

    CTestDevice device_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string query_;
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer_;
};

TEST_F(LiveViewLimits, IdleConnectionsTakeNoDescriptorsTheCommandLoopNeeds) {
    std::vector<std::unique_ptr<CConnection>> idle;
    for (int i = 0; i < 300; ++i) idle.push_back(std::make_unique<CConnection>(port_));
    // Of its 128 descriptors, many stay free for the command loop.
    std::error_code error;
    const auto open = std::distance(
        std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error), {});
    EXPECT_LE(open, 100);
    EXPECT_TRUE(AnswersACommand());
    EXPECT_TRUE(AnswersACommand());
    idle.clear();
    EXPECT_TRUE(WaitUntil(kBound, [&] { return Status(Get()) == 200; }));
}

TEST_F(LiveViewLimits, SlowClientsDoNotStallThePage) {
    std::vector<std::unique_ptr<CConnection>> slow;
    for (int i = 0; i < 16; ++i) {
        slow.push_back(std::make_unique<CConnection>(port_));
        slow.back()->Send("GET / HTTP/1.1\r\n");
    }
    std::atomic<bool> done{false};
    std::thread dribble([&] {  // a byte per connection every second, until the page came
        for (int second = 0; !done && second < 2 * static_cast<int>(kBound); ++second) {
            for (auto& connection : slow) connection->Send("X");
            WaitUntil(1.0, [&] { return done.load(); });
        }
    });
    EXPECT_EQ(Status(Get()), 200);
    done = true;
    dribble.join();
}

TEST_F(LiveViewLimits, HugeRequestsAreRefusedBeforeTheyGrowTheEmulator) {
    std::string ranges = "Range: bytes=0-";
    while (ranges.size() < 8000) ranges += ",0-";
    CConnection ranged(port_);
    ASSERT_TRUE(ranged.Send(Request("/" + query_, ranges + "\r\n")));
    const std::string answer = ranged.ReadAll(64 << 20);
    EXPECT_LT(answer.size(), 1u << 20) << "status " << Status(answer);

    std::string fields;
    for (int i = 0; i < 1000; ++i) fields += "X-Field-" + std::to_string(i) + ": x\r\n";
    EXPECT_EQ(Status(Get("", fields)), 431);

    // Header lines without end: the emulator stops reading long before 64 MiB.
    CConnection flood(port_);
    ASSERT_TRUE(flood.Send("GET /" + query_ + " HTTP/1.1\r\n"));
    const std::string line = "X-Flood: " + std::string(8000, 'x') + "\r\n";
    std::size_t sent = 0;
    while (sent < (64u << 20) && !flood.Readable(0) && flood.Send(line)) sent += line.size();
    EXPECT_LT(sent, 64u << 20);
    EXPECT_TRUE(AnswersACommand());
}

TEST_F(LiveViewLimits, OnlyWhoHasTheTokenSeesTheState) {
    // The URL printed is also in a file of the device root that only its owner can read.
    struct stat status {};
    ASSERT_EQ(::stat((device_.root() + "/.live-view-url").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    const std::string out = ReadFile(device_.root() + "/navigator.out");
    EXPECT_NE(out.find("live view: http://127.0.0.1:"), std::string::npos) << out;
    EXPECT_NE(out.find("/" + query_ + "\n"), std::string::npos) << out;
    for (const std::string path : {"/", "/state.json", "/route.json", "/state.json?token=0",
                                   "/state.json?token=00000000000000000000000000000000"}) {
        const std::string answer = Get(path);
        EXPECT_EQ(Status(answer), 403) << path;
        EXPECT_EQ(answer.find("position"), std::string::npos) << path;
    }
    // The page keeps the token in a cookie of its own, which its requests then carry.
    const std::string page = Get();
    ASSERT_EQ(Status(page), 200);
    const std::size_t start = page.find("Set-Cookie: ");
    ASSERT_NE(start, std::string::npos);
    const std::string cookie = page.substr(start + 12, page.find(';', start) - start - 12);
    const std::string reply = Get("/state.json", "Cookie: other=1; " + cookie + "\r\n");
    EXPECT_EQ(Status(reply), 200);
    EXPECT_NE(reply.find("\"position\""), std::string::npos);
    // With the token too: no other path, and nothing to a page whose host name only leads here.
    EXPECT_EQ(Status(Get("/../../../etc/passwd" + query_)), 404);
    for (const char* host : {"attacker.example:80", "127.0.0.1.example"})
        EXPECT_EQ(Status(Get("/state.json" + query_, "", host)), 403) << host;
}

}  // namespace
}  // namespace oxsdk::emulator::testing
