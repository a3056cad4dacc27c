#include "live_connections.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace oxsdk::emulator {
namespace {

// Sends a short answer without waiting (what does not fit the socket's buffer is dropped) and
// closes the socket.
void Refuse(int socket, const char* status) {
    const std::string answer =
        std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    (void)::send(socket, answer.data(), answer.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    ::close(socket);
}

// Where the head in `text` ends (just after its empty line), or 0 while it goes on.
std::size_t HeadEnd(const char* text, std::size_t size) {
    for (std::size_t i = 0; i + 1 < size; ++i) {
        if (text[i] != '\n') continue;
        if (text[i + 1] == '\n') return i + 2;
        if (text[i + 1] == '\r' && i + 2 < size && text[i + 2] == '\n') return i + 3;
    }
    return 0;
}

}  // namespace

CConnectionGate::CConnectionGate(const TConnectionLimits& limits, THandler handler)
    : limits_(limits), handler_(std::move(handler)), peekBuffer_(limits.headBytes + 1) {}

CConnectionGate::~CConnectionGate() {
    Stop();
}

bool CConnectionGate::Start(std::string* error) {
    if (::pipe(wake_) != 0) {
        *error = std::string("cannot create a pipe: ") + std::strerror(errno);
        return false;
    }
    for (int end : wake_) {
        ::fcntl(end, F_SETFL, O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    headThread_ = std::thread([this] { WaitForHeads(); });
    for (std::size_t i = 0; i < limits_.workers; ++i) workers_.emplace_back([this] { Answer(); });
    return true;
}

void CConnectionGate::Admit(int socket) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_ && open_ < limits_.connections) {
            ++open_;
            incoming_.push_back({socket, TClock::now(), 0});
            const char wake = 1;
            (void)!::write(wake_[1], &wake, 1);
            return;
        }
    }
    Refuse(socket, "503 Service Unavailable");
}

void CConnectionGate::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || wake_[0] < 0) return;
        stopping_ = true;
        // Workers waiting on these sockets see them end at once.
        for (int socket : answering_) ::shutdown(socket, SHUT_RDWR);
        const char wake = 1;
        (void)!::write(wake_[1], &wake, 1);
    }
    ready_.notify_all();
    if (headThread_.joinable()) headThread_.join();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    for (const TConnection& connection : incoming_) Close(connection.socket);
    for (const TConnection& connection : complete_) Close(connection.socket);
    incoming_.clear();
    complete_.clear();
    for (int& end : wake_) {
        ::close(end);
        end = -1;
    }
}

void CConnectionGate::Close(int socket) {
    ::close(socket);
    --open_;
}

CConnectionGate::EHead CConnectionGate::Inspect(TConnection& connection) {
    const ssize_t got =
        ::recv(connection.socket, peekBuffer_.data(), peekBuffer_.size(), MSG_PEEK | MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return EHead::kIncomplete;
    }
    if (got <= 0) return EHead::kGone;
    const auto size = static_cast<std::size_t>(got);
    const std::size_t end = HeadEnd(peekBuffer_.data(), size);
    if (end == 0) {
        if (size > limits_.headBytes) return EHead::kTooLarge;
        // Woken again only when more than this has come, not for what is there already.
        connection.peeked = size;
        const int lowest = static_cast<int>(size + 1);
        ::setsockopt(connection.socket, SOL_SOCKET, SO_RCVLOWAT, &lowest, sizeof lowest);
        return EHead::kIncomplete;
    }
    const int one = 1;
    ::setsockopt(connection.socket, SOL_SOCKET, SO_RCVLOWAT, &one, sizeof one);
    std::string head(peekBuffer_.data(), end);
    std::transform(head.begin(), head.end(), head.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    std::size_t fields = 0;
    for (std::size_t line = head.find('\n'); line != std::string::npos && line + 1 < head.size();
         line = head.find('\n', line + 1)) {
        const std::size_t next = head.find('\n', line + 1);
        const std::string field = head.substr(line + 1, next - line - 1);
        if (field.empty() || field == "\r") break;
        if (++fields > limits_.headerFields) return EHead::kTooLarge;
        // Each range of a multipart answer repeats the whole body: one range at most.
        if (field.rfind("range:", 0) == 0 && field.find(',') != std::string::npos) {
            return EHead::kSeveralRanges;
        }
    }
    return EHead::kComplete;
}

void CConnectionGate::WaitForHeads() {
    std::vector<TConnection> waiting;
    std::vector<pollfd> polled;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) {
                for (const TConnection& connection : waiting) Close(connection.socket);
                return;
            }
            waiting.insert(waiting.end(), incoming_.begin(), incoming_.end());
            incoming_.clear();
        }
        polled.assign(1, pollfd{wake_[0], POLLIN, 0});
        TClock::time_point earliest = TClock::now() + limits_.headTime;
        for (const TConnection& connection : waiting) {
            polled.push_back(pollfd{connection.socket, POLLIN | POLLRDHUP, 0});
            earliest = std::min(earliest, connection.accepted + limits_.headTime);
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(earliest - TClock::now());
        if (::poll(polled.data(), polled.size(),
                   static_cast<int>(std::max<long long>(wait.count(), 0))) < 0 &&
            errno != EINTR) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (polled[0].revents != 0) {
            char drained[64];
            while (::read(wake_[0], drained, sizeof drained) > 0) {
            }
        }
        const TClock::time_point now = TClock::now();
        std::vector<TConnection> still;
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            TConnection& connection = waiting[i];
            const short events = polled[i + 1].revents;
            EHead head = events != 0 ? Inspect(connection) : EHead::kIncomplete;
            if (head == EHead::kIncomplete && (events & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
                head = EHead::kGone;  // ended before its head did
            }
            if (head == EHead::kIncomplete && now >= connection.accepted + limits_.headTime) {
                Refuse(connection.socket, "408 Request Timeout");
                --open_;
            } else if (head == EHead::kIncomplete) {
                still.push_back(connection);
            } else if (head == EHead::kComplete) {
                complete_.push_back(connection);
                ready_.notify_one();
            } else if (head == EHead::kGone) {
                Close(connection.socket);
            } else {
                Refuse(connection.socket, head == EHead::kTooLarge
                                              ? "431 Request Header Fields Too Large"
                                              : "416 Range Not Satisfiable");
                --open_;
            }
        }
        waiting.swap(still);
    }
}

void CConnectionGate::Answer() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        ready_.wait(lock, [this] { return stopping_ || !complete_.empty(); });
        if (stopping_) return;
        const TConnection connection = complete_.front();
        complete_.erase(complete_.begin());
        answering_.push_back(connection.socket);
        lock.unlock();
        handler_(connection.socket, connection.accepted + limits_.requestTime);
        lock.lock();
        answering_.erase(std::find(answering_.begin(), answering_.end(), connection.socket));
        Close(connection.socket);
    }
}

}  // namespace oxsdk::emulator
