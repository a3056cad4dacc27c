// Geocoding for the navigator emulator: turns the address parts of the geocoding, navigation
// and map commands into a point, using the gazetteer. Places come from the gazetteer; a
// street in a place is given a deterministic position near the place's centre, so that the
// same address always lands on the same point and different streets on different points.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "gazetteer.h"
#include "geo.h"

namespace oxsdk::emulator {

struct TGeocodeMatch {
    TGeoPoint point;
    const TPlace* place = nullptr;
    int accuracyMetres = 0;   ///< radius around `point` in which the address lies
    std::string addressLine;  ///< "Domplein 9, 3511 Utrecht"
    std::string areaLine;     ///< "Utrecht, Netherlands" (region, country)
};

class CGeocoder {
public:
    explicit CGeocoder(const CGazetteer& gazetteer) : gazetteer_(gazetteer) {}

    /// An address: `street` and `houseNumber` may be empty (then the place's centre),
    /// `place` names a gazetteer place, `country` is a country code or name or empty. None
    /// when the place is unknown or the country is given but not known.
    std::optional<TGeocodeMatch> Address(std::string_view street, std::string_view houseNumber,
                                         std::string_view place, std::string_view country) const;
    /// A postal code (see CGazetteer::FindByPostalCode), with an optional house number.
    std::optional<TGeocodeMatch> PostalCode(std::string_view postalCode,
                                            std::string_view houseNumber,
                                            std::string_view country) const;

    /// Splits "Domplein 9" or "9 Downing Street" into street and house number.
    static void SplitStreet(std::string_view text, std::string* street, std::string* number);

private:
    const CGazetteer& gazetteer_;
};

}  // namespace oxsdk::emulator
