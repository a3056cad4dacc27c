// The emulator's live view: a small HTTP server on a loopback address that serves one page
// drawing what the navigator shows (route, vehicle, favourites, points of interest, the shown
// map area, the flashed message and the view) and the JSON state it polls. It runs on threads
// of its own and reads only the snapshots that the command loop publishes in a CLiveState.
// Only the device's owner sees it: every request must carry the token printed at start. Its
// connections are bounded (live_connections.h), so no client can make it hold memory,
// descriptors or threads without limit, nor delay the command loop.
// Built with cpp-httplib; without it (live_view_absent.cc) Start always refuses.
#pragma once

#include <memory>
#include <string>

#include "live_endpoint.h"
#include "live_state.h"

namespace oxsdk::emulator {

/// Whether this build has the live view.
bool LiveViewAvailable();

class CLiveView {
public:
    CLiveView();
    ~CLiveView();  ///< stops serving
    CLiveView(const CLiveView&) = delete;
    CLiveView& operator=(const CLiveView&) = delete;

    /// Listens on `endpoint` and serves `state` (which must outlive the view) on a thread of
    /// its own. False with the reason when the address cannot be used or the view is absent.
    bool Start(const TLiveEndpoint& endpoint, CLiveState& state, std::string* error);
    /// The port it listens on (the one chosen when the endpoint's port was 0).
    int port() const;
    /// The random token, new at each start, without which nothing is served: the URL to open
    /// is "http://ADDRESS:PORT/?token=TOKEN"; the page then keeps it in a cookie.
    std::string token() const;
    /// Stops serving and waits for its threads; nothing to do when it was not started.
    void Stop();

private:
    struct TServer;
    std::unique_ptr<TServer> server_;
};

}  // namespace oxsdk::emulator
