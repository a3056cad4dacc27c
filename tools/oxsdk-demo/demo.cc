// oxsdk-demo: drives the navigation application through COstrelAPI's blocking calls, as an
// application would: StartApplication finds and starts it, then a short session (version,
// geocoding, a route and its summary and points, the position, a favourite, a point of
// interest, a message) and the stop. Prints each call with its result, error code and
// latency; exits 0 only when every call gave the expected answer.
//
// Usage: oxsdk-demo [--keep] [navigator exchange name]   (default "OstrelNavigator")
//   --keep: leave the navigator running at the end instead of stopping it.
#include <OXSDK5Link/OXSDK5Link.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using TError = COstrelAPI::TError;

// Distance in metres between two points given in microdegrees (latitude, longitude).
double DistanceMetres(double lat1, double lon1, double lat2, double lon2) {
    const double toRadians = 3.14159265358979323846 / 180.0 / 1e6;
    const double dLat = (lat2 - lat1) * toRadians;
    const double dLon = (lon2 - lon1) * toRadians;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * toRadians) * std::cos(lat2 * toRadians) * std::sin(dLon / 2) *
                         std::sin(dLon / 2);
    return 2.0 * 6371008.8 * std::atan2(std::sqrt(a), std::sqrt(1.0 - a));
}

std::string Degrees(std::int32_t latitude, std::int32_t longitude) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6f, %.6f", latitude / 1e6, longitude / 1e6);
    return text;
}

class CTranscript {
public:
    CTranscript() {
        std::printf("%-3s %-40s %6s %9s %10s  %s\n", "#", "call", "result", "errorCode", "latency",
                    "outcome");
    }

    // Runs `call`, which returns the call's int result and leaves its verdict in `error`;
    // `check` then says whether the answer is the expected one and fills the detail.
    void Step(const char* name, TError& error, const std::function<int()>& call,
              const std::function<bool(int result, std::string* detail)>& check) {
        error.errorCode = 12345;
        const Clock::time_point start = Clock::now();
        const int result = call();
        const double milliseconds =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::string detail;
        const bool ok = check(result, &detail);
        ++steps_;
        if (!ok) ++failures_;
        std::printf("%-3d %-40s %6d %9d %7.1f ms  %s  %s\n", steps_, name, result,
                    static_cast<int>(error.errorCode), milliseconds, ok ? "ok  " : "FAIL",
                    detail.c_str());
        std::fflush(stdout);
    }

    bool Failed() const { return failures_ > 0; }

    int Finish() const {
        if (failures_ == 0) {
            std::printf("\nAll %d calls gave the expected result.\n", steps_);
            return 0;
        }
        std::printf("\n%d of %d calls did not give the expected result.\n", failures_, steps_);
        return 1;
    }

private:
    int steps_ = 0;
    int failures_ = 0;
};

// Why the start failed, from the library, and what fixes it.
void ExplainStartFailure() {
    COstrelAPI::TStartFailure failure{};
    char root[4096];
    const std::string device =
        COstrelFileLayer::GetDeviceRootFolder(root, sizeof root) > 0 ? root : "the device root";
    switch (COstrelAPI::GetLastStartFailure(&failure)) {
        case COstrelAPI::EStartNoExecutable:
            std::printf(
                "\nNo navigator program was found: every folder under %s was searched "
                "for \"Ostrel Navigator.exe\".\n",
                device.c_str());
            break;
        case COstrelAPI::EStartLaunchFailed:
            std::printf(
                "\nThe navigator program %s (under %s) was found but could not be "
                "run: is it executable?\n",
                failure.executable, device.c_str());
            break;
        case COstrelAPI::EStartNoWindow:
            std::printf(
                "\nThe navigator program %s (under %s) was started but did not open "
                "its window in time: run it by hand to see why.\n",
                failure.executable, device.c_str());
            return;
        default:
            std::printf("\nThe navigator started but could not be sent a command.\n");
            return;
    }
    std::printf(
        "Install the emulator as \"Ostrel Navigator.exe\" in a folder under the device "
        "root (scripts/demo.sh does), or run oxsdk-navigator yourself.\n");
}

}  // namespace

int main(int argc, char** argv) {
    const bool keep = argc > 1 && std::strcmp(argv[1], "--keep") == 0;
    if (keep) {
        --argc;
        ++argv;
    }
    const char* navigatorName = argc > 1 ? argv[1] : "OstrelNavigator";
    const char* root = std::getenv("OXSDK_DEVICE_ROOT");
    std::printf("OXSDK5Link demo: the navigator \"%s\" on the emulated device at %s\n\n",
                navigatorName, root != nullptr ? root : "(default root)");

    MOstrelCommunicationLayerInterface* layer =
        COstrelFileLayer::New("OxsdkDemo", navigatorName, -1);
    if (layer == nullptr) {
        std::printf("cannot create the communication layer\n");
        return 1;
    }
    COstrelAPI api(*layer);
    CTranscript transcript;
    TError error{};

    COstrelAPI::TVersion version{};
    transcript.Step(
        "GetSDKVersion", error, [&] { return api.GetSDKVersion(&error, &version); },
        [&](int result, std::string* detail) {
            *detail = std::string("library ") + version.versionText;
            return result == 0 && error.errorCode == 0 &&
                   std::strcmp(version.versionText, "5.2") == 0;
        });

    transcript.Step(
        "StartApplication", error, [&] { return api.StartApplication(&error); },
        [&](int result, std::string* detail) {
            *detail = error.errorCode == 0 ? "navigator window found, navigator answers"
                                           : "the navigator could not be started";
            return result == 0 && error.errorCode == 0;
        });
    if (transcript.Failed()) {
        ExplainStartFailure();
        delete layer;
        return transcript.Finish();
    }

    version = {};
    transcript.Step(
        "GetApplicationVersion", error, [&] { return api.GetApplicationVersion(&error, &version); },
        [&](int result, std::string* detail) {
            *detail = std::string("navigator ") + version.versionText + " (" +
                      std::to_string(version.versionNumber) + ")";
            return result == 0 && error.errorCode == 0 && version.versionText[0] != 0;
        });

    COstrelAPI::TGeocodeResult address{};
    transcript.Step(
        "Geocode Domplein 9, Utrecht", error,
        [&] { return api.Geocode(&error, &address, "Domplein 9", "Utrecht", "NL"); },
        [&](int result, std::string* detail) {
            *detail = std::string(address.text1) + " at " + Degrees(address.value1, address.value2);
            return result == 0 && error.errorCode == 0 &&
                   DistanceMetres(address.value1, address.value2, 52090700, 5121400) < 5000;
        });

    transcript.Step(
        "NavigateToAddress Domplein 9, Utrecht", error,
        [&] { return api.NavigateToAddress(&error, "Domplein", "9", "Utrecht", "NL"); },
        [&](int result, std::string* detail) {
            *detail = "route planned from the current position";
            return result == 0 && error.errorCode == 0;
        });

    COstrelAPI::TRouteInfo route{};
    transcript.Step(
        "GetRouteInfo", error, [&] { return api.GetRouteInfo(&error, &route); },
        [&](int result, std::string* detail) {
            char text[160];
            std::snprintf(text, sizeof text, "%.1f km, %d min planned, %.1f km to go, %d points",
                          route.value1 / 1000.0, (route.value2 + 30) / 60, route.value3 / 1000.0,
                          route.value9);
            *detail = text;
            return result == 0 && error.errorCode == 0 && route.value1 > 0 &&
                   route.value7 == address.value1 && route.value8 == address.value2;
        });

    COstrelAPI::TRouteCoordinates points{};
    std::int32_t routeStartLatitude = 0, routeStartLongitude = 0;
    transcript.Step(
        "GetRouteCoordinates", error, [&] { return api.GetRouteCoordinates(&error, &points); },
        [&](int result, std::string* detail) {
            if (result != 0 || error.errorCode != 0 || points.count < 2 ||
                points.coordinates == nullptr) {
                return false;
            }
            const COstrelAPI::TRouteCoordinatePair& first = points.coordinates[0];
            const COstrelAPI::TRouteCoordinatePair& last = points.coordinates[points.count - 1];
            routeStartLatitude = first.first;
            routeStartLongitude = first.second;
            *detail = std::to_string(points.count) + " points from " +
                      Degrees(first.first, first.second) + " to " +
                      Degrees(last.first, last.second);
            return points.count == route.value9 && last.first == address.value1 &&
                   last.second == address.value2;
        });
    std::free(points.coordinates);

    COstrelAPI::TCurrentPositionInfo position{};
    transcript.Step(
        "GetCurrentPosition", error, [&] { return api.GetCurrentPosition(&error, &position); },
        [&](int result, std::string* detail) {
            const double fromStart = DistanceMetres(position.value1, position.value2,
                                                    routeStartLatitude, routeStartLongitude);
            char text[160];
            std::snprintf(text, sizeof text, "%s, heading %d, %d km/h, %.0f m along the route",
                          Degrees(position.value1, position.value2).c_str(), position.value3,
                          position.value4, fromStart);
            *detail = text;
            return result == 0 && error.errorCode == 0 && fromStart < 10000;
        });

    transcript.Step(
        "SetFavorite 3 = Dom tower", error,
        [&] {
            return api.SetFavorite(&error, 3, "Dom tower", "Domplein 9, Utrecht", address.value1,
                                   address.value2);
        },
        [&](int result, std::string* detail) {
            *detail = "stored in the navigator's data folder";
            return result == 0 && error.errorCode == 0;
        });

    COstrelAPI::TFavoriteInfo favorite{};
    transcript.Step(
        "GetFavorite 3", error, [&] { return api.GetFavorite(&error, &favorite, 3); },
        [&](int result, std::string* detail) {
            *detail = std::string(favorite.text1) + ", " + favorite.text2 + " at " +
                      Degrees(favorite.value1, favorite.value2);
            return result == 0 && error.errorCode == 0 &&
                   std::strcmp(favorite.text1, "Dom tower") == 0 &&
                   favorite.value1 == address.value1 && favorite.value2 == address.value2;
        });

    transcript.Step(
        "AddPoi Demo cafes: Coffee corner", error,
        [&] {
            return api.AddPoi(&error, "Demo cafes", address.value1 + 900, address.value2 - 1200,
                              "Coffee corner", "Near the Dom");
        },
        [&](int result, std::string* detail) {
            *detail = "added 130 m from the Dom";
            return result == 0 && error.errorCode == 0;
        });

    transcript.Step(
        "DeleteClosestPoi Demo cafes", error,
        [&] { return api.DeleteClosestPoi(&error, "Demo cafes", address.value1, address.value2); },
        [&](int result, std::string* detail) {
            *detail = "the point nearest the Dom deleted";
            return result == 0 && error.errorCode == 0;
        });

    COstrelAPI::TGeocodeResult unknown{};
    transcript.Step(
        "Geocode Atlantis (no such place)", error,
        [&] { return api.Geocode(&error, &unknown, "", "Atlantis", ""); },
        [&](int result, std::string* detail) {
            *detail = "refused as expected: 3 means unknown place";
            return result == 0 && error.errorCode == 3;
        });

    transcript.Step(
        "FlashMessage", error,
        [&] { return api.FlashMessage(&error, "Greetings from the demo", 5); },
        [&](int result, std::string* detail) {
            *detail = "shown for 5 s";
            return result == 0 && error.errorCode == 0;
        });

    if (keep) {
        delete layer;
        const int status = transcript.Finish();
        std::printf("The navigator keeps running (--keep).\n");
        return status;
    }
    transcript.Step(
        "StopApplication", error, [&] { return api.StopApplication(&error); },
        [&](int result, std::string* detail) {
            *detail = "navigator accepted the stop and closed its window";
            return result == 0 && error.errorCode == -5;
        });

    delete layer;
    return transcript.Finish();
}
