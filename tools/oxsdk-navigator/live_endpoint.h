// The address the live view listens on: a loopback address and a port, read from the
// emulator's --http option. Only loopback addresses are accepted, so the view never reaches
// another machine; the parser knows no host names but "localhost".
#pragma once

#include <string>

namespace oxsdk::emulator {

struct TLiveEndpoint {
    std::string host;  ///< a numeric loopback address: "127.0.0.1", "127.1.2.3" or "::1"
    int port = 0;      ///< 0: any free port
};

/// Reads "HOST:PORT": HOST is 127.A.B.C (four decimal numbers 0 to 255, no leading zero),
/// "localhost" (127.0.0.1) or "[::1]"; PORT is 0 to 65535. False with the reason otherwise.
bool ParseLoopbackEndpoint(const std::string& text, TLiveEndpoint* endpoint, std::string* error);

/// The endpoint as a URL host and port ("127.0.0.1:8080", "[::1]:8080").
std::string EndpointAuthority(const TLiveEndpoint& endpoint);

}  // namespace oxsdk::emulator
