// oxsdk-navigator: an emulator of the navigation application for developing and testing
// applications that use OXSDK5Link without a handheld. It shows the navigator's window on the
// emulated device, answers the commands sent to its exchange name through
// COstrelFileLayer::ProcessEvents, and exits after answering StopApplicationV01 or on
// SIGTERM, SIGINT or SIGHUP (on Windows a console's Ctrl+C, Ctrl+Break or close).
// docs/navigator-emulator.md describes its behaviour.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "command_handler.h"
#include "commands.h"
#include "emulated_navigator.h"
#include "exchange_cleaner.h"
#include "fault_script.h"
#include "host_files.h"
#include "host_process.h"
#include "live_view.h"
#include "platform/device_text.h"
#include "platform/native_device.h"
#include "platform/platform.h"
#include "scenario.h"
#include "track_replay.h"
#include "transport/exchange_folder.h"

namespace {

using namespace oxsdk::emulator;
namespace platform = oxsdk::platform;

constexpr const char* kWindowClass = "AldernWinClass";
constexpr const char* kDefaultExchangeName = "OstrelNavigator";
// The longest wait for a folder change: the simulation moves on (and NMEA output is written)
// at least this often.
constexpr std::uint32_t kPassWaitMilliseconds = 250;
// A pass over the exchange folder at least this often, whether or not anything arrived.
constexpr std::chrono::seconds kFullPassInterval{30};
// Simulated seconds per wall-clock second at most: a day in under a second, and far from any
// limit of the clock's arithmetic however long the emulator runs.
constexpr double kLongestTimeScale = 100000.0;
// The longest exchange name: a command file "\Ostrel\SdkFileCalls\C.NAME.PID.SEQ.finished"
// must fit a device path (259 characters), with the pid and sequence at their longest (10
// digits each) and a client name of one character: 259 - 21 - 32 - 1.
constexpr std::size_t kLongestExchangeName = 205;
// The live view's URL, with its token, for whoever started the emulator without seeing its
// standard output (the library starts it detached): a file of the device root, private to
// its owner like the device, removed at exit.
constexpr const char* kLiveViewUrlFile = ".live-view-url";
const TGeoPoint kDefaultPosition{52.370216, 4.895168};  // Amsterdam, Dam square

enum EExitCode { kExitOk = 0, kExitUsage = 1, kExitData = 2, kExitWindow = 3, kExitDevice = 4 };

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
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

// A narrow device path ("\Temp\gps.nmea", each byte one character) to its path below the
// device root ("Temp/gps.nmea"); false for a path the device cannot hold.
bool DevicePathBelowRoot(const std::string& devicePath, std::string* relative) {
    char16_t wide[platform::kMaxPath];
    std::string host;
    if (!platform::WidenText(devicePath.c_str(), wide, platform::kMaxPath) ||
        !platform::DevicePathToHost(wide, &host) || devicePath.size() < 2) {
        return false;
    }
    relative->clear();
    for (std::size_t i = 1; i < devicePath.size(); ++i) {
        relative->push_back(devicePath[i] == '\\' ? '/' : devicePath[i]);
    }
    return true;
}

// Why the device cannot be trusted (its exchange folder or the emulator's data folder, or a
// folder on the way, may be written by another user or is a link); empty when it can.
std::string UntrustedDevice() {
    std::string problem = oxsdk::tools::DescribeUntrustedDevice();
    char16_t folder[platform::kMaxPath];
    char text[1024];
    if (problem.empty() && oxsdk::transport::GetNavigatorFolder(folder) &&
        platform::AppendWide(folder, platform::kMaxPath, u"NavigatorData") &&
        platform::CurrentPlatform().DescribeUntrustedFolder(folder, text, sizeof text)) {
        problem = text;
    }
    return problem;
}

// The navigator's data folder below the device root ("Ostrel/NavigatorData").
std::string DataFolder() {
    char16_t folder[platform::kMaxPath];
    char narrow[platform::kMaxPath];
    oxsdk::transport::GetNavigatorFolder(folder);
    platform::NarrowText(folder, narrow, platform::kMaxPath);
    std::string relative;
    DevicePathBelowRoot(std::string(narrow) + "NavigatorData", &relative);
    return relative;
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

// Why an open failed, in the words of the emulator's start-up errors.
std::string OpenFailure(int error) {
    switch (error) {
        case EINVAL:
            return "not a regular file (a FIFO, device or socket)";
        case EISDIR:
            return "a folder, not a file";
        case ELOOP:
            return "a symbolic link, which is never followed";
        case ENXIO:
            return "a FIFO, not a regular file";
        default:
            return std::strerror(error);
    }
}

// Why the window could not be shown: another navigator has it, or the host refused it (on the
// emulated device, its registration in "<root>/.windows" cannot be written).
std::string WindowFailure() {
    const std::string root = platform::DeviceRootFolder();
    const std::string prefix = std::string("cannot show the ") + kWindowClass + " window: ";
    if (platform::CurrentPlatform().FindWindow(u"AldernWinClass") != 0) {
        return prefix + "another navigator runs on " + root;
    }
    return prefix + WindowRegistrationProblem(root, kWindowClass);
}

bool ValidExchangeName(const std::string& name) {
    return !name.empty() && name.size() <= kLongestExchangeName &&
           name.find_first_of("./\\|") == std::string::npos;
}

// A replay speed: a finite number above 0 up to kLongestTimeScale, or why not.
std::string CheckReplaySpeed(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != '\0' || !std::isfinite(value) || value <= 0 ||
        value > kLongestTimeScale) {
        return "'" + text + "' is not a number above 0 up to " + TimeScaleText(kLongestTimeScale);
    }
    return {};
}

// A finite number from 0 to kLongestTimeScale, or why not.
std::string CheckTimeScale(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != '\0' || !std::isfinite(value) || value < 0 ||
        value > kLongestTimeScale) {
        return "'" + text + "' is not a number from 0 to " + TimeScaleText(kLongestTimeScale);
    }
    return {};
}

// Commands addressed to this navigator whose sender process is gone: nobody reads their
// replies, so they are removed before the first pass instead of being run.
void RemoveCommandsOfGoneSenders(const std::string& folder, const std::string& exchangeName,
                                 CLog& log) {
    namespace tools = oxsdk::tools;
    const tools::TCleanResult result =
        tools::RemoveStaleExchangeFiles([&](const tools::TExchangeFileName& file) -> std::string {
            if (!tools::SameExchangeName(file.reader, exchangeName)) return {};
            return tools::ProcessIsGone(file.pid)
                       ? "sender process " + std::to_string(file.pid) + " is gone"
                       : std::string();
        });
    if (!result.error.empty()) log.Error("cannot look for stale commands: " + result.error);
    constexpr std::size_t kNamedAtMost = 10;
    for (std::size_t i = 0; i < result.removed.size() && i < kNamedAtMost; ++i) {
        log.Info("removed stale command file " + result.removed[i].name + " (" +
                 result.removed[i].reason + ")");
    }
    if (!result.removed.empty()) {
        log.Info("removed " + std::to_string(result.removed.size()) +
                 " stale command file(s) from " + folder);
    }
    for (const tools::TRemovedFile& failed : result.failed) {
        log.Error("cannot remove stale command file " + failed.name + ": " + failed.reason);
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Emulator of the navigation application driven through OXSDK5Link"};
    std::string exchangeName = kDefaultExchangeName;
    std::string deviceRoot, scenarioPath, gazetteerPath, logPath, replayPath, gpsInputPath;
    std::vector<std::string> faultTexts;
    double timeScale = -1.0;
    double replaySpeed = 1.0;
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
        ->check(CLI::Validator(CheckTimeScale, "0..100000"));
    app.add_option("-l,--log", logPath, "Append the log to this file (default: standard error)");
    app.add_flag("-v,--verbose", verbosity, "Log every command and reply");
    std::string httpEndpoint;
    app.add_option("--http", httpEndpoint,
                   LiveViewAvailable()
                       ? "Serve a live view at this loopback ADDRESS:PORT (port 0: any free "
                         "port; the URL is printed)"
                       : "Live view: absent from this build (built without cpp-httplib)");
    app.add_option("--replay", replayPath,
                   GpxSupported() ? "Follow this track: a GPX file or an NMEA log"
                                  : "Follow this track: an NMEA log (GPX: not in this build, "
                                    "which has no pugixml)")
        ->check(CLI::ExistingFile);
    app.add_option("--replay-speed", replaySpeed,
                   "Track seconds per wall-clock second of the replay (default 1)")
        ->check(CLI::Validator(CheckReplaySpeed, "(0..100000]"));
    app.add_option("--gps-input", gpsInputPath,
                   "Device path of an NMEA file or FIFO that feeds the external GPS input "
                   "while it is on (e.g. \\Temp\\gps-in.nmea)");
    app.add_option("--fault", faultTexts,
                   "WIRENAME:KIND[:once], KIND delay=MS, code=N, never, malformed or exit "
                   "(repeatable; WIRENAME * for every command)");
    app.footer(
        std::string("Built with: GPX tracks ") +
        (GpxSupported() ? "yes (pugixml)" : "no (no pugixml)") +
        "; geodesics on the WGS 84 ellipsoid " +
        (EllipsoidalGeodesics() ? "yes (GeographicLib)" : "no, on a sphere (no GeographicLib)"));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help prints and ends with 0; every refusal is a usage error.
        return app.exit(error) == 0 ? kExitOk : kExitUsage;
    }

    if (!ValidExchangeName(exchangeName)) {
        std::fprintf(stderr,
                     "oxsdk-navigator: --name: the exchange name must hold 1 to %zu characters "
                     "(it is part of the exchange's file names) and no \".\", \"/\", \"\\\" "
                     "or \"|\"\n",
                     kLongestExchangeName);
        return kExitUsage;
    }
    TLiveEndpoint liveEndpoint;
    if (!httpEndpoint.empty()) {
        std::string why = "this build has no live view (built without cpp-httplib)";
        if (!LiveViewAvailable() || !ParseLoopbackEndpoint(httpEndpoint, &liveEndpoint, &why)) {
            std::fprintf(stderr, "oxsdk-navigator: --http: %s\n", why.c_str());
            return kExitUsage;
        }
    }
    std::vector<TFault> faults;
    for (const std::string& text : faultTexts) {
        std::string problem;
        faults.emplace_back();
        if (!ParseFault(text, &faults.back(), &problem)) {
            std::fprintf(stderr, "oxsdk-navigator: --fault: %s\n", problem.c_str());
            return kExitUsage;
        }
    }
    if (std::string relative;
        !gpsInputPath.empty() && !DevicePathBelowRoot(gpsInputPath, &relative)) {
        std::fprintf(stderr, "oxsdk-navigator: --gps-input: '%s' is not a device path\n",
                     gpsInputPath.c_str());
        return kExitUsage;
    }
    if (!deviceRoot.empty()) SetHostVariable("OXSDK_DEVICE_ROOT", deviceRoot);
    if (const std::string problem = UntrustedDevice(); !problem.empty()) {
        std::fprintf(stderr, "oxsdk-navigator: %s\n", problem.c_str());
        return kExitDevice;
    }

    CLog log;
    if (!log.OpenFile(logPath)) {
        std::fprintf(stderr, "oxsdk-navigator: cannot open the log file %s: %s\n", logPath.c_str(),
                     OpenFailure(errno).c_str());
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
    std::vector<TGeoPoint> waypoints(scenario.waypoints.size());
    bool resolved =
        (!scenario.position || ResolveLocation(*scenario.position, geocoder, &start, &error)) &&
        (!scenario.destination ||
         ResolveLocation(*scenario.destination, geocoder, &destination, &error));
    for (std::size_t i = 0; resolved && i < waypoints.size(); ++i) {
        resolved = ResolveLocation(scenario.waypoints[i], geocoder, &waypoints[i], &error);
    }
    if (!resolved) {
        log.Error("scenario: " + error);
        return kExitData;
    }
    if (!scenario.destination && !waypoints.empty()) {  // the last waypoint is the destination
        scenario.destination = scenario.waypoints.back();
        destination = waypoints.back();
        waypoints.pop_back();
    }
    faults.insert(faults.end(), scenario.faults.begin(), scenario.faults.end());
    CTrackReplay replay;
    if (!replayPath.empty()) {
        std::vector<TTrackPoint> track;
        if (!LoadTrack(replayPath, &track, &error) || !replay.Load(std::move(track), &error)) {
            log.Error("replay: " + error);
            return kExitData;
        }
    }

    CUserDataStore store(platform::DeviceRootFolder(), DataFolder());
    if (!store.Load(&error)) log.Error("data: " + error + " (starting without it)");

    if (timeScale < 0) {
        timeScale = scenario.timeScale.value_or(1.0);
        if (!CheckTimeScale(TimeScaleText(timeScale)).empty()) {
            log.Error("scenario: timeScale " + TimeScaleText(timeScale) +
                      " is not a number from 0 to " + TimeScaleText(kLongestTimeScale));
            return kExitData;
        }
    }
    CSimulationClock clock(timeScale, static_cast<double>(std::time(nullptr)));

    std::unique_ptr<platform::DeviceWindow> window = platform::DeviceWindow::Create(kWindowClass);
    if (!window) {
        log.Error(WindowFailure());
        return kExitWindow;
    }
    TNavigatorEnvironment environment;
    environment.deviceId = scenario.deviceId.value_or(DefaultDeviceId());
    environment.deviceType = oxsdk::transport::IsSmartphone() ? 2 : 1;
    environment.deviceRoot = platform::DeviceRootFolder();
    environment.devicePathBelowRoot = DevicePathBelowRoot;
    const platform::WindowHandle handle = window->handle();
    environment.bringToForeground = [handle] {
        platform::CurrentPlatform().SetForegroundWindow(handle);
        platform::CurrentPlatform().ShowWindow(handle, 1);
    };
    CEmulatedNavigator navigator(gazetteer, store, clock, log, start, environment);
    if (scenario.simulationSpeed) navigator.model().SetProperty(6, *scenario.simulationSpeed);
    if (scenario.map) navigator.model().SetMapName(*scenario.map);
    if (scenario.detour) navigator.model().SetDetour(*scenario.detour);
    CNavigatorCommandHandler handler(navigator);
    CFaultyHandler faultyHandler(handler, std::move(faults), log);
    navigator.SetGpsInputPath(gpsInputPath);
    if (scenario.destination) {
        const TTrip& trip =
            navigator.model().NavigateTo(destination, "the scenario's destination", waypoints);
        log.Info("route to the scenario's destination (" + Describe(destination) +
                 "): " + std::to_string(std::lround(trip.route.lengthMetres / 1000.0)) + " km");
    }

    if (replay.size() > 0) {
        navigator.StartReplay(replay, replaySpeed);
        log.Info("replaying " + std::to_string(replay.size()) + " points of " + replayPath + " (" +
                 std::to_string(std::lround(replay.durationSeconds())) + " s of track, " +
                 TimeScaleText(replaySpeed) + " track seconds per second)");
    }

    char16_t exchangeFolder[platform::kMaxPath];
    oxsdk::transport::GetExchangeFolder(exchangeFolder, true);
    // Its host path, without the closing "\".
    const int folderLength = platform::WideLength(exchangeFolder);
    if (folderLength > 1 && exchangeFolder[folderLength - 1] == u'\\') {
        exchangeFolder[folderLength - 1] = 0;
    }
    std::string exchangeHostFolder;
    platform::DevicePathToHost(exchangeFolder, &exchangeHostFolder);
    RemoveCommandsOfGoneSenders(exchangeHostFolder, exchangeName, log);
    // The live view reads only what the loop publishes after each pass.
    CLiveState liveState;
    CLiveView liveView;
    if (!httpEndpoint.empty()) {
        if (!liveView.Start(liveEndpoint, liveState, &error)) {
            log.Error("--http: " + error);
            if (!logPath.empty() && logPath != "-") {
                std::fprintf(stderr, "oxsdk-navigator: --http: %s\n", error.c_str());
            }
            return kExitUsage;
        }
        liveEndpoint.port = liveView.port();
        // The token is the page's key: it goes to standard output only, not to the log.
        const std::string url = "http://" + EndpointAuthority(liveEndpoint) + "/";
        log.Info("live view at " + url + " (open the URL printed on standard output)");
        const std::string keyed = url + "?token=" + liveView.token();
        // The file first: whoever saw the printed line finds the file.
        const CHostFd root = OpenFolderBelow(platform::DeviceRootFolder(), "", false);
        if (!root.valid() || !ReplaceFile(root.get(), kLiveViewUrlFile, keyed + "\n")) {
            log.Error(std::string("cannot write the live view's URL to ") + kLiveViewUrlFile +
                      " in the device root");
        }
        std::printf("live view: %s\n", keyed.c_str());
        std::fflush(stdout);
    }
    InstallStopHandlers(OnStopSignal);
    log.Info("ready: exchange name " + exchangeName + ", device root " +
             platform::DeviceRootFolder() + ", " + std::to_string(gazetteer.size()) +
             " places from " + gazetteerFile + ", position " +
             Describe(navigator.model().position()) +
             (replay.size() > 0 ? " (the replayed track's first point)" : "") + ", time scale " +
             TimeScaleText(timeScale));

    // A pass runs when a command addressed to this navigator may have come (the library's wait
    // is woken by nothing else: not by its own replies, not by other parties' files), and at
    // least once per kFullPassInterval, for what no wake-up announced (a command that could not
    // be read at once, markers a pass removes after their grace period).
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastPass = Clock::now();
    bool pass = true;  // what came before the wait began
    while (stopSignal == 0 && !navigator.stopRequested()) {
        navigator.Update();
        if (pass || Clock::now() - lastPass >= kFullPassInterval) {
            lastPass = Clock::now();
            COstrelFileLayer::ProcessEvents(exchangeName.c_str(), faultyHandler);
        }
        liveState.Publish(navigator);
        faultyHandler.SendDueReplies();
        if (navigator.stopRequested() || stopSignal != 0) break;
        const auto wait = faultyHandler.MillisecondsToNextReply(kPassWaitMilliseconds);
        pass = COstrelFileLayer::WaitForCommand(exchangeName.c_str(), static_cast<int>(wait)) != 0;
    }

    if (!httpEndpoint.empty()) {
        liveView.Stop();
        std::error_code ignored;
        std::filesystem::remove(
            std::filesystem::path(platform::DeviceRootFolder()) / kLiveViewUrlFile, ignored);
    }
    navigator.nmea().Close();
    window.reset();
    log.Info(stopSignal != 0 ? "stopped by signal " + std::to_string(stopSignal)
                             : "stopped by StopApplicationV01");
    log.Info("handled " + std::to_string(handler.commandsHandled()) + " commands");
    return kExitOk;
}
