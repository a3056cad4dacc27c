#include "clients.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "OXSDK5Link/OXSDK5Link.h"
#include "floor_exchange.h"
#include "processes.h"

namespace oxsdk::bench {
namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int) {
    stopSignal = 1;
}

// Without SA_RESTART, so that a blocking wait of a server ends at the signal.
void EndOnSignals() {
    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
}

int Fail(const char* role, const char* what) {
    std::fprintf(stderr, "oxsdk-roundtrip %s: %s\n", role, what);
    return 1;
}

// Runs `operation` kWarmUpRoundTrips + `count` times and writes the samples; 1 as soon as an
// operation fails.
template <typename Operation>
int Measure(const char* role, int count, int warmUp, Operation operation) {
    for (int i = 0; i < warmUp; ++i) {
        if (!operation()) return Fail(role, "a warm-up round trip failed");
    }
    Samples samples(2 + static_cast<std::size_t>(count));
    samples[0] = NowNanoseconds();
    for (int i = 0; i < count; ++i) {
        const std::int64_t start = NowNanoseconds();
        if (!operation()) return Fail(role, "a round trip failed");
        samples[2 + static_cast<std::size_t>(i)] = NowNanoseconds() - start;
    }
    samples[1] = NowNanoseconds();
    return WriteSamples(samples) ? 0 : 1;
}

int LibraryClient(const char* localName, int count) {
    MOstrelCommunicationLayerInterface* layer =
        COstrelFileLayer::New(localName, kNavigatorName, -1);
    if (layer == nullptr) return Fail("lib", "no layer");
    int status;
    {
        COstrelAPI api(*layer);
        status = Measure("lib", count, kWarmUpRoundTrips, [&api] {
            COstrelAPI::TError error{};
            COstrelAPI::TVersion version{};
            return api.GetApplicationVersion(&error, &version) == 0 && error.errorCode == 0 &&
                   version.versionNumber == 50200;
        });
    }
    delete layer;
    return status;
}

int RouteClient(int count, int pairs) {
    MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New("route", kNavigatorName, -1);
    if (layer == nullptr) return Fail("route", "no layer");
    int status;
    {
        COstrelAPI api(*layer);
        status = Measure("route", count, 0, [&api, pairs] {
            COstrelAPI::TError error{};
            COstrelAPI::TRouteCoordinates route{};
            const bool whole = api.GetRouteCoordinates(&error, &route) == 0 &&
                               error.errorCode == 0 && route.count == pairs &&
                               route.coordinates != nullptr &&
                               route.coordinates[pairs - 1].first == 52000000 + (pairs - 1) * 7;
            std::free(route.coordinates);
            return whole;
        });
    }
    delete layer;
    return status;
}

int ColdClient() {
    MOstrelCommunicationLayerInterface* layer = COstrelFileLayer::New("cold", kNavigatorName, -1);
    if (layer == nullptr) return Fail("cold", "no layer");
    int status;
    {
        COstrelAPI api(*layer);
        status = Measure("cold", 1, 0, [&api] {
            COstrelAPI::TError error{};
            return api.StartApplication(&error) == 0 && error.errorCode == 0;
        });
    }
    delete layer;
    return status;
}

int FloorClient(const char* folder, const char* localName, int count) {
    TFloorClient client;
    if (!OpenFloorClient(&client, folder, localName)) return Fail("floor", "cannot watch");
    char reply[256];
    const int status = Measure("floor", count, kWarmUpRoundTrips, [&] {
        return FloorRoundTrip(&client, kVersionCommand, reply, sizeof reply, 10000) ==
               static_cast<long>(sizeof kVersionReply);
    });
    CloseFloorClient(&client);
    return status;
}

int SocketClient(const char* path, int count) {
    int connection = ConnectSocketClient(path);
    if (connection < 0) return Fail("sock", "cannot connect");
    char reply[256];
    const int status = Measure("sock", count, kWarmUpRoundTrips,
                               [&] { return SocketRoundTrip(connection, reply, sizeof reply); });
    close(connection);
    return status;
}

}  // namespace

int RunRole(int argc, char** argv) {
    if (argc < 2) return -1;
    const std::string role = argv[1];
    const auto number = [&](int index) { return index < argc ? std::atoi(argv[index]) : 0; };
    const auto text = [&](int index) { return index < argc ? argv[index] : ""; };
    if (role == "lib") return LibraryClient(text(2), number(3));
    if (role == "route") return RouteClient(number(2), number(3));
    if (role == "cold") return ColdClient();
    if (role == "floor") return FloorClient(text(2), text(3), number(4));
    if (role == "sock") return SocketClient(text(2), number(3));
    if (role == "floor-nav") {
        EndOnSignals();
        return RunFloorNavigator(text(2), &stopSignal);
    }
    if (role == "sock-server") {
        EndOnSignals();
        return RunSocketServer(text(2), &stopSignal);
    }
    return -1;
}

}  // namespace oxsdk::bench
