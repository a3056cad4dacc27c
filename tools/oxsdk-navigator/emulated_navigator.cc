#include "emulated_navigator.h"

#include <cstdio>

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
    FollowPositionSources();
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

void CEmulatedNavigator::StartReplay(const CTrackReplay& replay, double speed) {
    replay_ = replay;
    replaySpeed_ = speed;
    replaySeconds_ = 0.0;
    replayWall_ = clock_.wallSeconds();
    const TReplayFix fix = replay_->At(0.0);
    model_.SetFix(fix.point, fix.headingDegrees, fix.speedKmh);
}

// The external GPS input, while it is on and has a source, holds the position; else a replay
// does; else the simulation (the fix is released).
void CEmulatedNavigator::FollowPositionSources() {
    const bool input = model_.externalGpsInput() && !gpsInputPath_.empty();
    if (!input && gpsInput_.isOpen()) gpsInput_.Close();
    if (input && !gpsInput_.isOpen()) {
        std::string relative;
        if (environment_.devicePathBelowRoot &&
            environment_.devicePathBelowRoot(gpsInputPath_, &relative) && !relative.empty() &&
            gpsInput_.Open(environment_.deviceRoot, relative)) {
            log_.Info("external GPS input from " + gpsInputPath_);
            gpsInputFailed_ = false;
            lastGpsFix_.reset();
        } else if (!gpsInputFailed_) {
            log_.Error("external GPS input: cannot open " + gpsInputPath_ +
                       " (a regular file or FIFO, reached without links); trying again");
            gpsInputFailed_ = true;
        }
    }
    if (input) {
        for (const TNmeaFix& fix : gpsInput_.Poll()) {
            // The receiver's course, else the way from the fix before.
            double heading = model_.headingDegrees();
            if (fix.courseDegrees) {
                heading = *fix.courseDegrees;
            } else if (lastGpsFix_ && DistanceMetres(lastGpsFix_->point, fix.point) > 0.0) {
                heading = BearingDegrees(lastGpsFix_->point, fix.point);
            }
            model_.SetFix(fix.point, heading, fix.speedKmh.value_or(0.0));
            lastGpsFix_ = fix;
        }
        if (lastGpsFix_) return;
    }
    if (replay_) {
        const double wall = clock_.wallSeconds();
        replaySeconds_ += (wall > replayWall_ ? wall - replayWall_ : 0.0) * replaySpeed_;
        replayWall_ = wall;
        const TReplayFix fix = replay_->At(replaySeconds_);
        model_.SetFix(fix.point, fix.headingDegrees, fix.speedKmh);
        if (fix.finished) {
            char where[64];
            std::snprintf(where, sizeof where, "%.6f,%.6f", fix.point.latitude,
                          fix.point.longitude);
            log_.Info(std::string("replay finished at ") + where);
            replay_.reset();
        }
        return;
    }
    // Without a source the simulation drives again, from wherever the last fix left it.
    model_.ReleaseFix();
}

void CEmulatedNavigator::WriteNmea() {
    nmea_.Write(model_.position(), clock_.unixSeconds(), model_.speedKmh(),
                model_.headingDegrees());
    lastNmeaWall_ = clock_.wallSeconds();
}

}  // namespace oxsdk::emulator
