#include "live_view.h"

#include <httplib.h>

#include <chrono>
#include <thread>

#include "live_page.h"

namespace oxsdk::emulator {
namespace {

// A request waits at most this long for a snapshot newer than itself when the latest one is
// older than that (nobody was watching); the command loop publishes at least every 250 ms.
constexpr std::chrono::milliseconds kFreshness{1000};

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

}  // namespace

struct CLiveView::TServer {
    httplib::Server http;
    std::thread thread;
    int port = 0;
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
    httplib::Server& http = server->http;
    // A page of another site that a name of its own makes resolve to this machine must not
    // read the state: only requests naming this address (or localhost) are served.
    const std::string boundHost =
        endpoint.host.find(':') != std::string::npos ? "[" + endpoint.host + "]" : endpoint.host;
    http.set_pre_routing_handler(
        [boundHost](const httplib::Request& request, httplib::Response& response) {
            const std::string host = HostName(request.get_header_value("Host"));
            if (host != boundHost && host != "localhost") {
                response.status = 403;
                response.set_content("Forbidden: unexpected Host\n", "text/plain");
                return httplib::Server::HandlerResponse::Handled;
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
    // The port is this emulator's alone: without the library's SO_REUSEPORT, a second one
    // that asks for the same port is refused instead of sharing its requests.
    http.set_socket_options([](socket_t socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    http.set_payload_max_length(4096);
    http.set_read_timeout(5, 0);
    http.set_write_timeout(5, 0);

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
    server->thread = std::thread([&http] { http.listen_after_bind(); });
    server_ = std::move(server);
    return true;
}

int CLiveView::port() const {
    return server_ ? server_->port : 0;
}

void CLiveView::Stop() {
    if (!server_) return;
    server_->http.stop();
    if (server_->thread.joinable()) server_->thread.join();
    server_.reset();
}

}  // namespace oxsdk::emulator
