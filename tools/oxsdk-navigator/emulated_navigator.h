// The emulated navigation application as the command handlers see it: its state model, the
// gazetteer and geocoder, the favourites and POI store, the simulated clock, the raw GPS
// output and the log, plus the few links to the device it runs on. The main loop calls
// Update() before each pass over the exchange folder.
#pragma once

#include <functional>
#include <string>

#include "gazetteer.h"
#include "geocoder.h"
#include "log.h"
#include "navigator_model.h"
#include "nmea.h"
#include "simulation_clock.h"
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

    /// Advances simulated time to now and moves the vehicle; while raw GPS output is on,
    /// writes the position at most once per wall-clock second.
    void Update();
    /// Starts raw GPS output to `devicePath` and writes the first sentences at once.
    bool StartNmeaOutput(const std::string& devicePath);

    void RequestStop() { stopRequested_ = true; }
    bool stopRequested() const { return stopRequested_; }

private:
    void WriteNmea();

    const CGazetteer& gazetteer_;
    CGeocoder geocoder_;
    CUserDataStore& store_;
    CSimulationClock& clock_;
    CLog& log_;
    CNavigatorModel model_;
    CNmeaOutput nmea_;
    TNavigatorEnvironment environment_;
    double lastNmeaWall_ = 0.0;
    bool stopRequested_ = false;
};

}  // namespace oxsdk::emulator
