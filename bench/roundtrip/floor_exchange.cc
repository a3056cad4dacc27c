#include "floor_exchange.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace oxsdk::bench {
namespace {

constexpr char kMarkerBytes[8] = {'f', 'i', 'n', 'i', 's', 'h', '\n', '\0'};
constexpr std::uint32_t kWatchMask = IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr std::size_t kNameCapacity = 256;

bool WriteFileAt(int folder, const char* name, const void* data, std::size_t size) {
    int fd = openat(folder, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const char* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t written = write(fd, bytes + done, size - done);
        if (written <= 0) {
            close(fd);
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return close(fd) == 0;
}

// Reads the whole file `name` into `buffer`; its length, or -1.
long ReadFileAt(int folder, const char* name, char* buffer, std::size_t capacity) {
    int fd = openat(folder, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    std::size_t done = 0;
    ssize_t got = 0;
    while (done < capacity && (got = read(fd, buffer + done, capacity - done)) > 0) {
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    return got < 0 ? -1 : static_cast<long>(done);
}

// Writes "writer.reader.pid.sequence.<kind>" into `name`.
void ExchangeName(char* name, const char* writer, const char* reader, int pid, int sequence,
                  const char* kind) {
    std::snprintf(name, kNameCapacity, "%s.%s.%u.%u.%s", writer, reader, static_cast<unsigned>(pid),
                  static_cast<unsigned>(sequence), kind);
}

// Sends message then marker "writer.reader.pid.sequence".
bool SendPair(int folder, const char* writer, const char* reader, int pid, int sequence,
              const char* text) {
    char name[kNameCapacity];
    ExchangeName(name, writer, reader, pid, sequence, "message");
    if (!WriteFileAt(folder, name, text, std::strlen(text) + 1)) return false;
    ExchangeName(name, writer, reader, pid, sequence, "finished");
    return WriteFileAt(folder, name, kMarkerBytes, sizeof kMarkerBytes);
}

// Reads the message of the pair "writer.reader.pid.sequence", then deletes marker and message.
long TakePair(int folder, const char* writer, const char* reader, int pid, int sequence,
              char* buffer, std::size_t capacity) {
    char message[kNameCapacity];
    char marker[kNameCapacity];
    ExchangeName(message, writer, reader, pid, sequence, "message");
    ExchangeName(marker, writer, reader, pid, sequence, "finished");
    long length = ReadFileAt(folder, message, buffer, capacity);
    unlinkat(folder, marker, 0);
    unlinkat(folder, message, 0);
    return length;
}

// Waits until an event names `wanted`, for at most `timeoutMs`; false on timeout or error.
bool WaitForName(int watch, const char* wanted, int timeoutMs) {
    alignas(inotify_event) char events[4096];
    const std::int64_t deadline = NowNanoseconds() + std::int64_t{timeoutMs} * 1000000;
    for (;;) {
        ssize_t count = read(watch, events, sizeof events);
        if (count < 0 && errno == EAGAIN) {
            const std::int64_t left = (deadline - NowNanoseconds()) / 1000000;
            if (left <= 0) return false;
            pollfd ready{watch, POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(left) + 1) < 0 && errno != EINTR) return false;
            continue;
        }
        if (count <= 0) return false;
        for (ssize_t at = 0; at < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->len > 0 && std::strcmp(event->name, wanted) == 0) return true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

// Splits the marker name "writer.reader.pid.sequence.finished" in place when it is addressed
// to `reader`.
bool SplitMarker(char* name, const char* reader, char** writer, int* pid, int* sequence) {
    char* fields[5];
    fields[0] = name;
    for (int i = 1; i < 5; ++i) {
        char* dot = std::strchr(fields[i - 1], '.');
        if (dot == nullptr) return false;
        *dot = '\0';
        fields[i] = dot + 1;
    }
    if (std::strcmp(fields[4], "finished") != 0 || std::strcmp(fields[1], reader) != 0) {
        return false;
    }
    *writer = fields[0];
    *pid = static_cast<int>(std::strtoul(fields[2], nullptr, 10));
    *sequence = static_cast<int>(std::strtoul(fields[3], nullptr, 10));
    return true;
}

// Answers the command whose marker is `entry`, when it is addressed to the navigator.
void AnswerMarker(int folder, const char* entry) {
    char name[kNameCapacity];
    std::snprintf(name, sizeof name, "%s", entry);
    char* writer = nullptr;
    int pid = 0;
    int sequence = 0;
    if (!SplitMarker(name, kNavigatorName, &writer, &pid, &sequence)) return;
    char command[4096];
    if (TakePair(folder, writer, kNavigatorName, pid, sequence, command, sizeof command) <= 0) {
        return;
    }
    SendPair(folder, kNavigatorName, writer, pid, sequence, kVersionReply);
}

}  // namespace

std::int64_t NowNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

bool MakeExchangeFolder(const char* root, char* folder, std::size_t capacity) {
    char path[4096];
    std::snprintf(path, sizeof path, "%s/Ostrel", root);
    if (mkdir(root, 0700) != 0 && errno != EEXIST) return false;
    if (mkdir(path, 0700) != 0 && errno != EEXIST) return false;
    std::snprintf(folder, capacity, "%s/Ostrel/SdkFileCalls", root);
    return mkdir(folder, 0700) == 0 || errno == EEXIST;
}

bool OpenFloorClient(TFloorClient* client, const char* folder, const char* localName) {
    client->folder = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    client->watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    client->localName = localName;
    client->pid = static_cast<int>(getpid());
    client->sequence = 0;
    return client->folder >= 0 && client->watch >= 0 &&
           inotify_add_watch(client->watch, folder, kWatchMask) >= 0;
}

void CloseFloorClient(TFloorClient* client) {
    if (client->folder >= 0) close(client->folder);
    if (client->watch >= 0) close(client->watch);
    client->folder = client->watch = -1;
}

bool FloorSend(TFloorClient* client, const char* command) {
    ++client->sequence;
    return SendPair(client->folder, client->localName, kNavigatorName, client->pid,
                    client->sequence, command);
}

long FloorReceive(TFloorClient* client, char* reply, std::size_t capacity, int timeoutMs) {
    char marker[kNameCapacity];
    ExchangeName(marker, kNavigatorName, client->localName, client->pid, client->sequence,
                 "finished");
    // The watch was set before the command was written, so the reply's marker cannot be missed;
    // a reply that was there before the wait (the start-up measurement) is looked for once.
    if (faccessat(client->folder, marker, F_OK, 0) != 0 &&
        !WaitForName(client->watch, marker, timeoutMs)) {
        return -1;
    }
    return TakePair(client->folder, kNavigatorName, client->localName, client->pid,
                    client->sequence, reply, capacity);
}

long FloorRoundTrip(TFloorClient* client, const char* command, char* reply, std::size_t capacity,
                    int timeoutMs) {
    char marker[kNameCapacity];
    if (!FloorSend(client, command)) return -1;
    ExchangeName(marker, kNavigatorName, client->localName, client->pid, client->sequence,
                 "finished");
    if (!WaitForName(client->watch, marker, timeoutMs)) return -1;
    return TakePair(client->folder, kNavigatorName, client->localName, client->pid,
                    client->sequence, reply, capacity);
}

int RunFloorNavigator(const char* folderPath, volatile std::sig_atomic_t* stop) {
    int folder = open(folderPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int watch = inotify_init1(IN_CLOEXEC);
    if (folder < 0 || watch < 0 || inotify_add_watch(watch, folderPath, kWatchMask) < 0) return 1;
    // Commands written before the watch existed.
    if (DIR* listing = opendir(folderPath)) {
        while (dirent* entry = readdir(listing)) AnswerMarker(folder, entry->d_name);
        closedir(listing);
    }
    alignas(inotify_event) char events[4096];
    while (*stop == 0) {
        ssize_t count = read(watch, events, sizeof events);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        for (ssize_t at = 0; at < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->len > 0) AnswerMarker(folder, event->name);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    close(watch);
    close(folder);
    return 0;
}

int RunSocketServer(const char* path, volatile std::sig_atomic_t* stop) {
    int listener = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    unlink(path);
    if (listener < 0 ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 8) != 0) {
        return 1;
    }
    char command[4096];
    while (*stop == 0) {
        int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            if (errno == EINTR) continue;
            break;
        }
        while (*stop == 0 && recv(connection, command, sizeof command, 0) > 0) {
            if (send(connection, kVersionReply, sizeof kVersionReply, MSG_NOSIGNAL) < 0) break;
        }
        close(connection);
    }
    close(listener);
    unlink(path);
    return 0;
}

int ConnectSocketClient(const char* path) {
    int connection = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    if (connection < 0 ||
        connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (connection >= 0) close(connection);
        return -1;
    }
    return connection;
}

bool SocketRoundTrip(int connection, char* reply, std::size_t capacity) {
    return send(connection, kVersionCommand, sizeof kVersionCommand, MSG_NOSIGNAL) ==
               static_cast<ssize_t>(sizeof kVersionCommand) &&
           recv(connection, reply, capacity, 0) > 0;
}

}  // namespace oxsdk::bench
