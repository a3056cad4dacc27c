// The floor of the round-trip benchmark: the two-file exchange written directly on system
// calls, with inotify wake-ups, and a Unix-socket ping-pong of the same payload. Both sides
// are plain C-style code without heap allocations, so that what the library adds on top of
// the bare protocol can be measured against them.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>

namespace oxsdk::bench {

/// The command and the reply that every round trip of the benchmark carries: the wire text of
/// GetApplicationVersion and the emulator's answer to it, each with its terminating zero byte.
constexpr char kVersionCommand[] = "GetApplicationVersionV01|";
constexpr char kVersionReply[] = "0|5.2.0-emu|50200|";
/// The navigator's exchange name on every device of the benchmark.
constexpr char kNavigatorName[] = "OstrelNavigator";

/// Monotonic clock in nanoseconds.
std::int64_t NowNanoseconds();

/// Host path of the exchange folder below device root `root` ("root/Ostrel/SdkFileCalls"),
/// created private (0700) with its parents when missing. False when it cannot be made.
bool MakeExchangeFolder(const char* root, char* folder, std::size_t capacity);

/// A client of the bare file exchange: an inotify watch on the exchange folder, set up once.
struct TFloorClient {
    int watch = -1;   // inotify descriptor
    int folder = -1;  // the exchange folder, opened as a directory
    const char* localName = nullptr;
    int pid = 0;
    int sequence = 0;
};

/// Opens a client on exchange folder `folder` under `localName`. False on failure.
bool OpenFloorClient(TFloorClient* client, const char* folder, const char* localName);
void CloseFloorClient(TFloorClient* client);
/// One round trip: writes `command` (text and zero byte) and its marker, waits for the reply's
/// marker, reads the reply into `reply` (`capacity` bytes), deletes marker then message.
/// Returns the reply's length with its zero byte, or -1 on failure or after `timeoutMs`.
long FloorRoundTrip(TFloorClient* client, const char* command, char* reply, std::size_t capacity,
                    int timeoutMs);
/// Writes one command without waiting for its reply (the start-up measurement).
bool FloorSend(TFloorClient* client, const char* command);
/// Waits for and takes the reply to the command last sent; as FloorRoundTrip.
long FloorReceive(TFloorClient* client, char* reply, std::size_t capacity, int timeoutMs);

/// The navigator side: answers every command addressed to kNavigatorName in `folder` with
/// kVersionReply until `*stop` becomes non-zero. Returns 0, or 1 when the folder cannot be
/// watched.
int RunFloorNavigator(const char* folder, volatile std::sig_atomic_t* stop);

/// The Unix-socket ping-pong: a server on `path` that answers every kVersionCommand packet with
/// kVersionReply until `*stop`, and a client connection.
int RunSocketServer(const char* path, volatile std::sig_atomic_t* stop);
int ConnectSocketClient(const char* path);
/// One ping-pong on a connected socket; false on failure.
bool SocketRoundTrip(int socket, char* reply, std::size_t capacity);

}  // namespace oxsdk::bench
