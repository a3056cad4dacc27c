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
    std::string hostPath;
    if (!environment_.devicePathToHost || !environment_.devicePathToHost(devicePath, &hostPath) ||
        hostPath.empty()) {
        return false;
    }
    const std::size_t slash = hostPath.rfind('/');
    if (slash != std::string::npos && slash > 0) MakeFolders(hostPath.substr(0, slash));
    if (!nmea_.Open(hostPath)) {
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
