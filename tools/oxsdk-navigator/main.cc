// oxsdk-navigator: an emulator of the navigation application for developing and testing
// applications that use OXSDK5Link without a handheld. It shows the navigator's window on the
// emulated device, answers the commands sent to its exchange name through
// COstrelFileLayer::ProcessEvents, and exits after answering StopApplicationV01 or on
// SIGTERM, SIGINT or SIGHUP. docs/navigator-emulator.md describes its behaviour.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <string>

#include "OXSDK5Link/FileLayer.h"
#include "command_handler.h"
#include "commands.h"
#include "emulated_navigator.h"
#include "platform/device_text.h"
#include "platform/platform.h"
#include "platform/posix/emulated_device.h"
#include "scenario.h"
#include "transport/exchange_folder.h"

namespace {

using namespace oxsdk::emulator;
namespace platform = oxsdk::platform;

constexpr const char* kWindowClass = "AldernWinClass";
constexpr const char* kDefaultExchangeName = "OstrelNavigator";
constexpr std::uint32_t kPassWaitMilliseconds = 250;
const TGeoPoint kDefaultPosition{52.370216, 4.895168};  // Amsterdam, Dam square

enum EExitCode { kExitOk = 0, kExitUsage = 1, kExitData = 2, kExitWindow = 3 };

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

std::string ExecutableFolder() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string text(path, static_cast<std::size_t>(length));
    return text.substr(0, text.rfind('/'));
}

bool Exists(const std::string& path) {
    return ::access(path.c_str(), R_OK) == 0;
}

// The gazetteer file: the option, the environment, beside an installed program, beside the
// program in the build tree, then the source tree.
std::string FindGazetteer(const std::string& option) {
    if (!option.empty()) return option;
    if (const char* variable = std::getenv("OXSDK_NAVIGATOR_GAZETTEER"); variable && *variable) {
        return variable;
    }
    const std::string folder = ExecutableFolder();
    for (const std::string& candidate :
         {folder + "/../share/oxsdk/places.csv", folder + "/data/places.csv",
          std::string(OXSDK_NAVIGATOR_SOURCE_DATA)}) {
        if (Exists(candidate)) return candidate;
    }
    return folder + "/../share/oxsdk/places.csv";
}

// A narrow device path ("\Temp\gps.nmea", each byte one character) to its host path.
bool DevicePathToHostPath(const std::string& devicePath, std::string* hostPath) {
    char16_t wide[platform::kMaxPath];
    return platform::WidenText(devicePath.c_str(), wide, platform::kMaxPath) &&
           platform::DevicePathToHost(wide, hostPath);
}

std::string DataFolder() {
    char16_t folder[platform::kMaxPath];
    char narrow[platform::kMaxPath];
    oxsdk::transport::GetNavigatorFolder(folder);
    platform::NarrowText(folder, narrow, platform::kMaxPath);
    std::string host;
    DevicePathToHostPath(std::string(narrow) + "NavigatorData", &host);
    return host;
}

std::string DefaultDeviceId() {
    std::uint64_t hash = 1469598103934665603ull;
    for (char c : platform::DeviceRootFolder()) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char text[32];
    std::snprintf(text, sizeof text, "OXEMU-%010llX",
                  static_cast<unsigned long long>(hash & 0xFFFFFFFFFFull));
    return text;
}

std::string TimeScaleText(double timeScale) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", timeScale);
    return text;
}

bool ValidExchangeName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && name.find_first_of("./\\|") == std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Emulator of the navigation application driven through OXSDK5Link"};
    std::string exchangeName = kDefaultExchangeName;
    std::string deviceRoot, scenarioPath, gazetteerPath, logPath;
    double timeScale = -1.0;
    int verbosity = 0;
    app.add_option("-n,--name", exchangeName,
                   "Exchange name that clients pass as their remote name")
        ->capture_default_str();
    app.add_option("-r,--device-root", deviceRoot,
                   "Host folder of the emulated device's root (default: $OXSDK_DEVICE_ROOT)");
    app.add_option("-s,--scenario", scenarioPath, "Scenario file (JSON)")->check(CLI::ExistingFile);
    app.add_option(
        "-g,--gazetteer", gazetteerPath,
        "Places data file (default: $OXSDK_NAVIGATOR_GAZETTEER, else the installed one)");
    app.add_option("-t,--time-scale", timeScale,
                   "Simulated seconds per wall-clock second (default 1, or the scenario's)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("-l,--log", logPath, "Append the log to this file (default: standard error)");
    app.add_flag("-v,--verbose", verbosity, "Log every command and reply");
    CLI11_PARSE(app, argc, argv);

    if (!ValidExchangeName(exchangeName)) {
        std::fprintf(stderr,
                     "oxsdk-navigator: the exchange name must hold 1 to 255 characters "
                     "and no \".\", \"/\", \"\\\" or \"|\"\n");
        return kExitUsage;
    }
    if (!deviceRoot.empty()) ::setenv("OXSDK_DEVICE_ROOT", deviceRoot.c_str(), 1);

    CLog log;
    if (!log.OpenFile(logPath)) {
        std::fprintf(stderr, "oxsdk-navigator: cannot open log file %s\n", logPath.c_str());
        return kExitUsage;
    }
    log.SetLevel(verbosity > 0 ? ELogLevel::kDebug : ELogLevel::kInfo);

    CGazetteer gazetteer;
    std::string error;
    const std::string gazetteerFile = FindGazetteer(gazetteerPath);
    if (!gazetteer.LoadFile(gazetteerFile, &error) || gazetteer.size() == 0) {
        log.Error("gazetteer: " + (error.empty() ? gazetteerFile + " holds no place" : error));
        return kExitData;
    }
    TScenario scenario;
    if (!scenarioPath.empty() && !LoadScenario(scenarioPath, &scenario, &error)) {
        log.Error("scenario: " + error);
        return kExitData;
    }
    const CGeocoder geocoder(gazetteer);
    TGeoPoint start = kDefaultPosition;
    TGeoPoint destination;
    if ((scenario.position && !ResolveLocation(*scenario.position, geocoder, &start, &error)) ||
        (scenario.destination &&
         !ResolveLocation(*scenario.destination, geocoder, &destination, &error))) {
        log.Error("scenario: " + error);
        return kExitData;
    }

    CUserDataStore store(DataFolder());
    if (!store.Load(&error)) log.Error("data: " + error + " (starting without it)");

    if (timeScale < 0) timeScale = scenario.timeScale.value_or(1.0);
    CSimulationClock clock(timeScale, static_cast<double>(std::time(nullptr)));

    std::unique_ptr<platform::EmulatedWindow> window =
        platform::EmulatedWindow::Create(kWindowClass);
    if (!window) {
        log.Error(std::string("cannot show the ") + kWindowClass +
                  " window: another navigator runs on " + platform::DeviceRootFolder());
        return kExitWindow;
    }
    TNavigatorEnvironment environment;
    environment.deviceId = scenario.deviceId.value_or(DefaultDeviceId());
    environment.deviceType = oxsdk::transport::IsSmartphone() ? 2 : 1;
    environment.devicePathToHost = DevicePathToHostPath;
    const platform::WindowHandle handle = window->handle();
    environment.bringToForeground = [handle] {
        platform::CurrentPlatform().SetForegroundWindow(handle);
        platform::CurrentPlatform().ShowWindow(handle, 1);
    };
    CEmulatedNavigator navigator(gazetteer, store, clock, log, start, environment);
    if (scenario.simulationSpeed) navigator.model().SetProperty(6, *scenario.simulationSpeed);
    if (scenario.map) navigator.model().SetMapName(*scenario.map);
    CNavigatorCommandHandler handler(navigator);
    if (scenario.destination) {
        const TTrip& trip = navigator.model().NavigateTo(destination, "the scenario's destination");
        log.Info("route to the scenario's destination (" + Describe(destination) +
                 "): " + std::to_string(std::lround(trip.route.lengthMetres / 1000.0)) + " km");
    }

    char16_t exchangeFolder[platform::kMaxPath];
    oxsdk::transport::GetExchangeFolder(exchangeFolder, true);
    // Watched as a folder path, without the closing "\".
    const int folderLength = platform::WideLength(exchangeFolder);
    if (folderLength > 1 && exchangeFolder[folderLength - 1] == u'\\') {
        exchangeFolder[folderLength - 1] = 0;
    }
    InstallSignalHandlers();
    log.Info("ready: exchange name " + exchangeName + ", device root " +
             platform::DeviceRootFolder() + ", " + std::to_string(gazetteer.size()) +
             " places from " + gazetteerFile + ", position " + Describe(start) + ", time scale " +
             TimeScaleText(timeScale));

    while (stopSignal == 0 && !navigator.stopRequested()) {
        navigator.Update();
        COstrelFileLayer::ProcessEvents(exchangeName.c_str(), handler);
        if (navigator.stopRequested() || stopSignal != 0) break;
        platform::CurrentPlatform().WaitForFolderChange(exchangeFolder, kPassWaitMilliseconds);
    }

    navigator.nmea().Close();
    window.reset();
    log.Info(stopSignal != 0 ? "stopped by signal " + std::to_string(stopSignal)
                             : "stopped by StopApplicationV01");
    log.Info("handled " + std::to_string(handler.commandsHandled()) + " commands");
    return kExitOk;
}
