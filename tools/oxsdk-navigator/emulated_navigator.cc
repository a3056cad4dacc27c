#include "emulated_navigator.h"

namespace oxsdk::emulator {

CEmulatedNavigator::CEmulatedNavigator(const CGazetteer& gazetteer, CUserDataStore& store,
                                       CSimulationClock& clock, CLog& log, const TGeoPoint& start,
                                       TNavigatorEnvironment environment)
    : gazetteer_(gazetteer),
      geocoder_(gazetteer),
      store_(store),
      clock_(clock),
      log_(log),
      model_(start),
      environment_(std::move(environment)) {}

void CEmulatedNavigator::Update() {
    const bool wasArrived = model_.trip() && model_.trip()->arrived;
    model_.Advance(clock_.Tick());
    if (model_.trip() && model_.trip()->arrived && !wasArrived) {
        log_.Info("arrived at " + model_.trip()->destinationName);
    }
    if (nmea_.isOpen() && clock_.wallSeconds() - lastNmeaWall_ >= 1.0) WriteNmea();
}

bool CEmulatedNavigator::StartNmeaOutput(const std::string& devicePath) {
    std::string relative;
    if (!environment_.devicePathBelowRoot ||
        !environment_.devicePathBelowRoot(devicePath, &relative) || relative.empty() ||
        !nmea_.Open(environment_.deviceRoot, relative)) {
        return false;
    }
    WriteNmea();
    return true;
}

void CEmulatedNavigator::WriteNmea() {
    nmea_.Write(model_.position(), clock_.unixSeconds(), model_.speedKmh(),
                model_.headingDegrees());
    lastNmeaWall_ = clock_.wallSeconds();
}

}  // namespace oxsdk::emulator
