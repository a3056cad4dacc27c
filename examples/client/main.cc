// A small client of the installed OXSDK5Link library: prints the library's version, asks
// whether the navigation application runs and, when it does, its version. It never starts the
// navigation application.
//
//   oxsdk-client-example [navigator exchange name, default OstrelNavigator]
#include <cstdio>

#include "OXSDK5Link/OXSDK5Link.h"

int main(int argc, char** argv) {
    const char* navigatorName = argc > 1 ? argv[1] : "OstrelNavigator";  // the emulator's name
    MOstrelCommunicationLayerInterface* layer =
        COstrelFileLayer::New("client-example", navigatorName, -1);
    if (layer == nullptr) {
        std::fprintf(stderr, "cannot create the exchange layer for \"%s\"\n", navigatorName);
        return 1;
    }
    COstrelAPI api(*layer);

    COstrelAPI::TError error{};
    COstrelAPI::TVersion version{};
    api.GetSDKVersion(&error, &version);
    std::printf("SDK version: %s (%d)\n", version.versionText,
                static_cast<int>(version.versionNumber));

    const int running = api.IsApplicationRunning(&error);
    std::printf("navigator running: %s (errorCode %d)\n", running ? "yes" : "no",
                static_cast<int>(error.errorCode));
    if (running) {
        COstrelAPI::TVersion navigatorVersion{};
        if (api.GetApplicationVersion(&error, &navigatorVersion) == 0 && error.errorCode == 0) {
            std::printf("navigator version: %s (%d)\n", navigatorVersion.versionText,
                        static_cast<int>(navigatorVersion.versionNumber));
        }
    }
    delete layer;
    return 0;
}
