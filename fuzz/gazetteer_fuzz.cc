// The emulator's gazetteer reader on arbitrary text: refusals name the line; accepted places are
// valid, and the lookups by name, postal code and position run on each.
#include <sstream>

#include "fuzz_support.h"
#include "gazetteer.h"

namespace {

using namespace oxsdk::emulator;

using oxsdk::fuzz::Require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CGazetteer gazetteer;
    std::string error;
    if (!gazetteer.Load(in, &error)) {
        Require(error.rfind("line ", 0) == 0, "refused without naming the line");
        return 0;
    }
    for (const TPlace& place : gazetteer.places()) {
        Require(!place.name.empty() && IsValidPoint(place.point), "place without name or point");
        Require(place.population >= 0 && static_cast<double>(place.population) <= kMaxPopulation,
                "population");
        gazetteer.FindByName(place.name, place.country);
        gazetteer.FindByPostalCode(place.postalCode, "");
        Require(gazetteer.Nearest(place.point) != nullptr, "nearest place not found");
    }
    return 0;
}
