// The live view's connections, bounded whatever a client does. A connection is admitted only
// while fewer than `connections` are open (others get 503 at once). Before a worker takes it,
// one thread waits, for all admitted connections together, until its whole request head has
// arrived: a head larger than `headBytes`, with more than `headerFields` fields, asking for
// several ranges, or not complete within `headTime` of the accept is refused (431, 416, 408).
// A worker then answers the request, which must be done within `requestTime` of the accept,
// and the connection is closed: one request per connection. So slow or idle clients hold no
// worker, and the view holds at most `connections` descriptors. POSIX sockets; used by the
// live view (live_view.cc), whose HTTP server hands it every accepted socket.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oxsdk::emulator {

struct TConnectionLimits {
    std::size_t connections = 64;
    std::size_t workers = 8;
    std::size_t headBytes = 8192;
    std::size_t headerFields = 48;
    std::chrono::milliseconds headTime{5000};
    std::chrono::milliseconds requestTime{10000};
};

class CConnectionGate {
public:
    using TClock = std::chrono::steady_clock;
    /// Answers the one request on `socket`, whose head has arrived whole, by `deadline`. The
    /// gate closes the socket when it returns.
    using THandler = std::function<void(int socket, TClock::time_point deadline)>;

    CConnectionGate(const TConnectionLimits& limits, THandler handler);
    ~CConnectionGate();  ///< stops
    CConnectionGate(const CConnectionGate&) = delete;
    CConnectionGate& operator=(const CConnectionGate&) = delete;

    /// Starts its threads; false with the reason when it cannot.
    bool Start(std::string* error);
    /// Takes `socket` (an accepted connection), which it closes in every case. Never blocks.
    void Admit(int socket);
    /// Ends every connection and waits for its threads.
    void Stop();

private:
    struct TConnection {
        int socket = -1;
        TClock::time_point accepted;
        std::size_t peeked = 0;  // bytes of the head seen so far
    };
    enum class EHead { kIncomplete, kComplete, kGone, kTooLarge, kSeveralRanges };

    void WaitForHeads();
    void Answer();
    EHead Inspect(TConnection& connection);
    void Close(int socket);  // mutex_ held

    const TConnectionLimits limits_;
    const THandler handler_;
    int wake_[2] = {-1, -1};  // a pipe that wakes the head thread
    std::vector<char> peekBuffer_;
    std::thread headThread_;
    std::vector<std::thread> workers_;

    std::mutex mutex_;
    std::condition_variable ready_;
    bool stopping_ = false;
    std::size_t open_ = 0;               // admitted and not yet closed
    std::vector<TConnection> incoming_;  // admitted, not yet seen by the head thread
    std::vector<TConnection> complete_;  // whole head arrived, waiting for a worker
    std::vector<int> answering_;         // held by a worker
};

}  // namespace oxsdk::emulator
