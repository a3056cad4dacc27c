// The live view's address: loopback only, with a port.
#include "live_endpoint.h"

#include <gtest/gtest.h>

namespace oxsdk::emulator {
namespace {

TEST(LiveEndpoint, AcceptsLoopbackAddressesOnly) {
    const std::vector<std::tuple<std::string, std::string, int>> accepted = {
        {"127.0.0.1:8080", "127.0.0.1", 8080},
        {"localhost:0", "127.0.0.1", 0},
        {"[::1]:65535", "::1", 65535},
        {"127.10.0.254:1", "127.10.0.254", 1}};
    for (const auto& [text, host, port] : accepted) {
        TLiveEndpoint endpoint;
        std::string error;
        ASSERT_TRUE(ParseLoopbackEndpoint(text, &endpoint, &error)) << text << ": " << error;
        EXPECT_EQ(endpoint.host, host);
        EXPECT_EQ(endpoint.port, port);
    }
    for (const std::string text :
         {"0.0.0.0:80", "192.168.1.2:80", "10.0.0.1:80", "example.com:80", "[::]:80", ":80",
          "127.0.0.1", "127.0.0.1:", "127.0.0.1:65536", "127.0.0.1:-1", "127.0.0.1:8o",
          "127.0.0.01:80", "127.0.0.256:80", "127.0.0:80", "127.0.0.1.2:80", "0x7f.0.0.1:80",
          "127.0.0.1 :80", "[::2]:80", "localhost.example:80"}) {
        TLiveEndpoint endpoint;
        std::string error;
        EXPECT_FALSE(ParseLoopbackEndpoint(text, &endpoint, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    EXPECT_EQ(EndpointAuthority({"::1", 80}), "[::1]:80");
}

}  // namespace
}  // namespace oxsdk::emulator
