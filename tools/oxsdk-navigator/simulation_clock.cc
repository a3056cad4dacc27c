#include "simulation_clock.h"

#include <chrono>

namespace oxsdk::emulator {

double CSimulationClock::SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CSimulationClock::CSimulationClock(double timeScale, double startUnixSeconds, TTimeSource source)
    : timeScale_(timeScale),
      unixSeconds_(startUnixSeconds),
      source_(std::move(source)),
      lastWall_(source_()) {}

double CSimulationClock::Tick() {
    const double now = source_();
    const double wall = now > lastWall_ ? now - lastWall_ : 0.0;
    lastWall_ = now;
    const double simulated = wall * timeScale_;
    unixSeconds_ += simulated;
    return simulated;
}

}  // namespace oxsdk::emulator
