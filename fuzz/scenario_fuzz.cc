// The emulator's scenario reader on arbitrary text: refusals say why; accepted values lie in their
// ranges, and locations resolve through the shipped gazetteer or say why not.
#include "fuzz_support.h"
#include "scenario.h"

namespace {

using namespace oxsdk::emulator;

using oxsdk::fuzz::Require;

void CheckLocation(const std::optional<TLocationQuery>& query) {
    if (!query) return;
    static const CGeocoder geocoder(oxsdk::fuzz::ShippedGazetteer());
    TGeoPoint point{};
    std::string error;
    if (ResolveLocation(*query, geocoder, &point, &error)) {
        Require(IsValidPoint(point), "location resolved off the globe");
    } else {
        Require(!error.empty(), "unresolved location without a message");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TScenario scenario;
    std::string error;
    if (!ParseScenario(text, &scenario, &error)) {
        Require(!error.empty(), "refused without a message");
        return 0;
    }
    Require(
        !scenario.timeScale || (*scenario.timeScale >= 0 && *scenario.timeScale <= kMaxTimeScale),
        "time scale");
    Require(!scenario.simulationSpeed ||
                (*scenario.simulationSpeed >= 0 &&
                 static_cast<double>(*scenario.simulationSpeed) <= kMaxSimulationSpeed),
            "simulation speed");
    Require(!scenario.deviceId || (!scenario.deviceId->empty() && scenario.deviceId->size() <= 31),
            "device identifier");
    CheckLocation(scenario.position);
    CheckLocation(scenario.destination);
    return 0;
}
