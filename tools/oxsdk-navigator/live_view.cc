#include "live_view.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <httplib.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "live_connections.h"
#include "live_page.h"

namespace oxsdk::emulator {
namespace {

using TClock = std::chrono::steady_clock;

// A request waits at most this long for a snapshot newer than itself when the latest one is
// older than that (nobody was watching); the command loop publishes at least every 250 ms.
constexpr std::chrono::milliseconds kFreshness{1000};
// A request carries no body: its head and at most this many bytes are read.
constexpr std::size_t kPayloadBytes = 4096;
// Random bytes of the token that the page's URL carries.
constexpr std::size_t kTokenBytes = 16;

// The page may run its own inline script and style and reach this server only: nothing from
// elsewhere is loaded, and no other site may frame it.
constexpr const char* kPagePolicy =
    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
    "connect-src 'self'; img-src data:; frame-ancestors 'none'; base-uri 'none'; "
    "form-action 'none'";

// The host part of a Host header ("127.0.0.1:8080" -> "127.0.0.1", "[::1]:80" -> "[::1]").
std::string HostName(const std::string& header) {
    const std::size_t colon = header.rfind(':');
    if (colon == std::string::npos || header.find(']', colon) != std::string::npos) return header;
    return header.substr(0, colon);
}

// A new random token as hex digits; empty when the system has no randomness to give.
std::string NewToken() {
    unsigned char bytes[kTokenBytes];
    const int random = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    std::size_t got = 0;
    while (random >= 0 && got < sizeof bytes) {
        const ssize_t n = ::read(random, bytes + got, sizeof bytes - got);
        if (n <= 0 && !(n < 0 && errno == EINTR)) break;
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    if (random >= 0) ::close(random);
    if (got < sizeof bytes) return {};
    std::string token;
    for (unsigned char byte : bytes) {
        static constexpr char kDigits[] = "0123456789abcdef";
        token += kDigits[byte >> 4];
        token += kDigits[byte & 15];
    }
    return token;
}

// Compares in a time that does not depend on where the texts differ.
bool SameToken(const std::string& given, const std::string& token) {
    if (given.size() != token.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < token.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ token[i]);
    }
    return difference == 0;
}

// The value of cookie `name` in a Cookie header ("a=1; name=value"), empty when absent.
std::string CookieValue(const std::string& header, const std::string& name) {
    std::size_t start = 0;
    while (start < header.size()) {
        std::size_t end = header.find(';', start);
        if (end == std::string::npos) end = header.size();
        std::size_t first = start;
        while (first < end && header[first] == ' ') ++first;
        const std::string pair = header.substr(first, end - first);
        if (pair.size() > name.size() && pair.compare(0, name.size(), name) == 0 &&
            pair[name.size()] == '=') {
            return pair.substr(name.size() + 1);
        }
        start = end + 1;
    }
    return {};
}

// One connection's socket as a stream that ends at `deadline`, and reads at most `budget`
// bytes: a client that writes or reads slowly, or sends without end, loses its connection.
class CDeadlineStream : public httplib::Stream {
public:
    CDeadlineStream(int socket, TClock::time_point deadline, std::size_t budget)
        : socket_(socket), deadline_(deadline), budget_(budget) {}

    bool is_readable() const override { return next_ < end_ || Wait(POLLIN); }
    bool is_writable() const override { return Wait(POLLOUT); }

    ssize_t read(char* data, size_t size) override {
        while (next_ == end_) {
            if (budget_ == 0 || !Wait(POLLIN)) return -1;
            const ssize_t got =
                ::recv(socket_, buffer_, std::min(sizeof buffer_, budget_), MSG_DONTWAIT);
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
            if (got <= 0) return got;
            budget_ -= static_cast<std::size_t>(got);
            next_ = 0;
            end_ = static_cast<std::size_t>(got);
        }
        const std::size_t count = std::min(size, end_ - next_);
        std::memcpy(data, buffer_ + next_, count);
        next_ += count;
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char* data, size_t size) override {
        if (!Wait(POLLOUT)) return -1;
        const ssize_t sent = ::send(socket_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
        return sent;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        Address(::getpeername, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        Address(::getsockname, ip, port);
    }
    socket_t socket() const override { return socket_; }

private:
    // Whether `events` came before the deadline.
    bool Wait(short events) const {
        for (;;) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline_ - TClock::now());
            if (left.count() <= 0) return false;
            pollfd polled{socket_, events, 0};
            const int ready = ::poll(&polled, 1, static_cast<int>(left.count()));
            if (ready > 0) return (polled.revents & (events | POLLHUP | POLLERR)) != 0;
            if (ready == 0 || errno != EINTR) return false;
        }
    }

    template <typename TGetName>
    void Address(TGetName getName, std::string& ip, int& port) const {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        char text[INET6_ADDRSTRLEN] = "";
        port = 0;
        if (getName(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
        if (address.ss_family == AF_INET) {
            const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
            ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
            port = ntohs(v4->sin_port);
        } else if (address.ss_family == AF_INET6) {
            const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
            ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
            port = ntohs(v6->sin6_port);
        }
        ip = text;
    }

    const int socket_;
    const TClock::time_point deadline_;
    std::size_t budget_;
    char buffer_[4096];
    std::size_t next_ = 0;
    std::size_t end_ = 0;
};

}  // namespace

// The library's server with the gate in front: every accepted socket goes to the gate, whose
// workers have one request answered on it.
class CGatedServer : public httplib::Server {
public:
    explicit CGatedServer(CConnectionGate& gate) : gate_(gate) {
        // The accepting thread hands a socket over without waiting for anything.
        new_task_queue = [] { return new CInlineQueue; };
    }

    // The library listens with a backlog of 5: a burst of connections (a page's, or a flood's)
    // would have some wait a second for the retransmission of their handshake.
    void WidenBacklog(int backlog) { ::listen(svr_sock_, backlog); }

    void AnswerOne(int socket, TClock::time_point deadline) {
        CDeadlineStream stream(socket, deadline, TConnectionLimits().headBytes + kPayloadBytes);
        bool closed = false;
        process_request(stream, true, closed, [](httplib::Request&) {});
    }

private:
    class CInlineQueue : public httplib::TaskQueue {
    public:
        void enqueue(std::function<void()> task) override { task(); }
        void shutdown() override {}
    };

    bool process_and_close_socket(socket_t socket) override {
        gate_.Admit(socket);
        return true;
    }

    CConnectionGate& gate_;
};

struct CLiveView::TServer {
    TServer()
        : gate(TConnectionLimits(),
               [this](int socket, TClock::time_point deadline) {
                   http.AnswerOne(socket, deadline);
               }),
          http(gate) {}

    CConnectionGate gate;
    CGatedServer http;
    std::thread thread;
    int port = 0;
    std::string token;
    std::string cookie;  // the cookie's name: one per port, as cookies ignore ports
};

bool LiveViewAvailable() {
    return true;
}

CLiveView::CLiveView() = default;

CLiveView::~CLiveView() {
    Stop();
}

bool CLiveView::Start(const TLiveEndpoint& endpoint, CLiveState& state, std::string* error) {
    Stop();
    auto server = std::make_unique<TServer>();
    TServer* const raw = server.get();
    httplib::Server& http = server->http;
    server->token = NewToken();
    if (server->token.empty()) {
        *error = "cannot read random bytes for the live view's token";
        return false;
    }
    // A page of another site that a name of its own makes resolve to this machine must not
    // read the state: only requests naming this address (or localhost) are served.
    const std::string boundHost =
        endpoint.host.find(':') != std::string::npos ? "[" + endpoint.host + "]" : endpoint.host;
    http.set_pre_routing_handler([boundHost, raw](const httplib::Request& request,
                                                  httplib::Response& response) {
        const std::string host = HostName(request.get_header_value("Host"));
        if (host != boundHost && host != "localhost") {
            response.status = 403;
            response.set_content("Forbidden: unexpected Host\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        // Only who knows the token printed at start (the device's owner) sees the page: a
        // request carries it in its URL, after which the cookie carries it.
        const bool inUrl = SameToken(request.get_param_value("token"), raw->token);
        if (!inUrl &&
            !SameToken(CookieValue(request.get_header_value("Cookie"), raw->cookie), raw->token)) {
            response.status = 403;
            response.set_content(
                "Forbidden: open the live view's URL as the emulator printed it at start, "
                "with its token\n",
                "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (inUrl) {
            response.set_header("Set-Cookie", raw->cookie + "=" + raw->token +
                                                  "; Path=/; HttpOnly; SameSite=Strict");
        }
        response.set_header("Cache-Control", "no-store");
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Referrer-Policy", "no-referrer");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Security-Policy", kPagePolicy);
        response.set_content(kLivePage, "text/html; charset=utf-8");
    });
    http.Get("/state.json", [&state](const httplib::Request&, httplib::Response& response) {
        response.set_content(state.Latest(kFreshness)->stateJson, "application/json");
    });
    http.Get("/route.json", [&state](const httplib::Request&, httplib::Response& response) {
        response.set_content(*state.Latest(kFreshness)->routeJson, "application/json");
    });
    http.Get("/places.json", [&state](const httplib::Request&, httplib::Response& response) {
        response.set_content(*state.Latest(kFreshness)->placesJson, "application/json");
    });
    // The port is this emulator's alone: without the library's SO_REUSEPORT, a second one
    // that asks for the same port is refused instead of sharing its requests.
    http.set_socket_options([](socket_t socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    http.set_payload_max_length(kPayloadBytes);

    if (endpoint.port == 0) {
        server->port = http.bind_to_any_port(endpoint.host);
    } else if (http.bind_to_port(endpoint.host, endpoint.port)) {
        server->port = endpoint.port;
    } else {
        server->port = -1;
    }
    if (server->port <= 0) {
        *error = "cannot listen on " + EndpointAuthority(endpoint) +
                 " (the port is taken or the address is not on this machine)";
        return false;
    }
    server->http.WidenBacklog(static_cast<int>(TConnectionLimits().connections));
    server->cookie = "oxsdk-live-" + std::to_string(server->port);
    if (!server->gate.Start(error)) return false;
    server->thread = std::thread([&http] { http.listen_after_bind(); });
    server_ = std::move(server);
    return true;
}

int CLiveView::port() const {
    return server_ ? server_->port : 0;
}

std::string CLiveView::token() const {
    return server_ ? server_->token : std::string();
}

void CLiveView::Stop() {
    if (!server_) return;
    server_->http.stop();
    if (server_->thread.joinable()) server_->thread.join();
    server_->gate.Stop();
    server_.reset();
}

}  // namespace oxsdk::emulator
