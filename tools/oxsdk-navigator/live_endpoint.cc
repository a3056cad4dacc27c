#include "live_endpoint.h"

#include <cstddef>

namespace oxsdk::emulator {
namespace {

// A decimal number of 1 to `digits` digits, without a leading zero, at most `highest`.
bool ParseNumber(const std::string& text, std::size_t digits, long highest, long* value) {
    if (text.empty() || text.size() > digits || (text.size() > 1 && text[0] == '0')) return false;
    long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    if (number > highest) return false;
    *value = number;
    return true;
}

// True when `host` is a dotted IPv4 address in 127.0.0.0/8.
bool IsIpv4Loopback(const std::string& host) {
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? host.find('.', start) : host.size();
        if (end == std::string::npos) return false;
        long value = 0;
        if (!ParseNumber(host.substr(start, end - start), 3, 255, &value)) return false;
        if (part == 0 && value != 127) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool ParseLoopbackEndpoint(const std::string& text, TLiveEndpoint* endpoint, std::string* error) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        *error = "'" + text + "' is not ADDRESS:PORT (for example 127.0.0.1:8080)";
        return false;
    }
    std::string host = text.substr(0, colon);
    long port = 0;
    if (!ParseNumber(text.substr(colon + 1), 5, 65535, &port)) {
        *error = "the port of '" + text + "' is not a number from 0 to 65535";
        return false;
    }
    if (host == "localhost") {
        host = "127.0.0.1";
    } else if (host == "[::1]") {
        host = "::1";
    } else if (!IsIpv4Loopback(host)) {
        *error = "'" + host +
                 "' is not a loopback address (127.x.y.z, localhost or [::1]); the live view "
                 "is served to this machine only";
        return false;
    }
    endpoint->host = host;
    endpoint->port = static_cast<int>(port);
    return true;
}

std::string EndpointAuthority(const TLiveEndpoint& endpoint) {
    const std::string host =
        endpoint.host.find(':') != std::string::npos ? "[" + endpoint.host + "]" : endpoint.host;
    return host + ":" + std::to_string(endpoint.port);
}

}  // namespace oxsdk::emulator
