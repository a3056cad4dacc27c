// The navigator emulator's clock: simulated time runs `timeScale` times as fast as the wall
// clock, so a trip of an hour can be watched in minutes. The main loop asks it, before each
// pass, how many simulated seconds went by since the previous pass.
#pragma once

#include <functional>

namespace oxsdk::emulator {

class CSimulationClock {
public:
    /// Seconds of a monotonic wall clock.
    using TTimeSource = std::function<double()>;
    /// The process's steady clock, in seconds.
    static double SteadySeconds();

    /// Simulated time starts at `startUnixSeconds` (UTC) when `source` reads its current value.
    CSimulationClock(double timeScale, double startUnixSeconds, TTimeSource source = SteadySeconds);

    /// Simulated seconds since the previous Tick (or since construction), advancing the clock.
    double Tick();
    /// Simulated time now, seconds since 1970 (UTC), as of the last Tick.
    double unixSeconds() const { return unixSeconds_; }
    /// Wall-clock seconds of the source as of the last Tick.
    double wallSeconds() const { return lastWall_; }
    double timeScale() const { return timeScale_; }
    void SetTimeScale(double timeScale) { timeScale_ = timeScale; }

private:
    double timeScale_;
    double unixSeconds_;
    TTimeSource source_;
    double lastWall_;
};

}  // namespace oxsdk::emulator
