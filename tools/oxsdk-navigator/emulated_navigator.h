// The emulated navigation application as the command handlers see it: its state model, the
// gazetteer and geocoder, the favourites and POI store, the simulated clock, the raw GPS
// output and the log, plus the few links to the device it runs on. The main loop calls
// Update() before each pass over the exchange folder.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "gazetteer.h"
#include "geocoder.h"
#include "gps_input.h"
#include "log.h"
#include "navigator_model.h"
#include "nmea.h"
#include "simulation_clock.h"
#include "track_replay.h"
#include "user_data_store.h"

namespace oxsdk::emulator {

/// What the emulator reports about itself and the device, and how it reaches the device.
struct TNavigatorEnvironment {
    std::string applicationVersion = "5.2.0-emu";
    int applicationVersionNumber = 50200;
    std::string deviceId = "OXEMU-0000000000";
    int deviceType = 1;  ///< 1 Pocket PC, 2 Smartphone
    /// Host folder of the device root "\".
    std::string deviceRoot;
    /// Maps a device path ("\Temp\gps.nmea") to its path below the root ("Temp/gps.nmea");
    /// false when it cannot.
    std::function<bool(const std::string& devicePath, std::string* relativePath)>
        devicePathBelowRoot;
    /// Brings the navigator's window to the foreground.
    std::function<void()> bringToForeground;
};

class CEmulatedNavigator {
public:
    CEmulatedNavigator(const CGazetteer& gazetteer, CUserDataStore& store, CSimulationClock& clock,
                       CLog& log, const TGeoPoint& start, TNavigatorEnvironment environment);

    CNavigatorModel& model() { return model_; }
    const CGazetteer& gazetteer() const { return gazetteer_; }
    const CGeocoder& geocoder() const { return geocoder_; }
    CUserDataStore& store() { return store_; }
    CSimulationClock& clock() { return clock_; }
    CNmeaOutput& nmea() { return nmea_; }
    CLog& log() { return log_; }
    const TNavigatorEnvironment& environment() const { return environment_; }

    /// Advances simulated time to now and moves the vehicle: along the route, along the
    /// replayed track, or to the last fix of the external GPS input while that is on and has a
    /// source. While raw GPS output is on, writes the position at most once per wall-clock
    /// second.
    void Update();
    /// Follows `replay` from its first point on, `speed` track seconds per wall-clock second.
    void StartReplay(const CTrackReplay& replay, double speed);
    /// Whether a replayed track holds the position (until its last point is reached).
    bool replaying() const { return replay_.has_value(); }
    /// The device path ("\Temp\gps.nmea") from which the external GPS input reads NMEA
    /// sentences while it is on; empty: none (the input is switched, the position simulated).
    void SetGpsInputPath(const std::string& devicePath) { gpsInputPath_ = devicePath; }
    /// Starts raw GPS output to `devicePath` and writes the first sentences at once.
    bool StartNmeaOutput(const std::string& devicePath);

    void RequestStop() { stopRequested_ = true; }
    bool stopRequested() const { return stopRequested_; }

private:
    void WriteNmea();
    void FollowPositionSources();

    const CGazetteer& gazetteer_;
    CGeocoder geocoder_;
    CUserDataStore& store_;
    CSimulationClock& clock_;
    CLog& log_;
    CNavigatorModel model_;
    CNmeaOutput nmea_;
    TNavigatorEnvironment environment_;
    double lastNmeaWall_ = 0.0;
    std::optional<CTrackReplay> replay_;
    double replaySpeed_ = 1.0;
    double replaySeconds_ = 0.0;  // track time reached
    double replayWall_ = 0.0;     // wall-clock seconds when it was reached
    std::string gpsInputPath_;
    CNmeaInput gpsInput_;
    bool gpsInputFailed_ = false;  // the open failure is logged once
    std::optional<TNmeaFix> lastGpsFix_;
    bool stopRequested_ = false;
};

}  // namespace oxsdk::emulator
