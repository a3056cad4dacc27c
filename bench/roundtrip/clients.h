// The client and server roles of the round-trip benchmark, run as child processes of the
// benchmark program (`oxsdk-roundtrip ROLE ARGUMENTS...`). A client writes its samples to
// standard output: the monotonic start and end of its measured part in nanoseconds, then the
// latency of each measured operation.
#pragma once

namespace oxsdk::bench {

/// Round trips a client makes before its measured part.
constexpr int kWarmUpRoundTrips = 20;

/// Runs role `argv[1]` when it is one; returns its exit status, or -1 when `argv[1]` names no
/// role. Roles:
///   lib LOCALNAME COUNT        blocking GetApplicationVersion (device: OXSDK_DEVICE_ROOT)
///   route COUNT PAIRS          blocking GetRouteCoordinates, which must bring PAIRS pairs
///   cold                       one StartApplication on a device where the navigator is not
///                              running
///   floor FOLDER LOCALNAME COUNT   the bare file exchange in exchange folder FOLDER
///   sock PATH COUNT            the Unix-socket ping-pong
///   floor-nav FOLDER           the bare file exchange's navigator
///   sock-server PATH           the Unix-socket server
int RunRole(int argc, char** argv);

}  // namespace oxsdk::bench
