// The geocoding queries of COstrelAPI: an address given as three or four texts, resolved by
// the navigator into one TGeocodeResult.
#include "api/command_forms.h"

OXSDK_QUERY_FORMS(Geocode, TGeocodeResult,
                  (, const char* addressPart1, const char* addressPart2, const char* addressPart3),
                  (, addressPart1, addressPart2, addressPart3))
OXSDK_QUERY_FORMS(GeocodeExtended, TGeocodeResult,
                  (, const char* addressPart1, const char* addressPart2, const char* addressPart3,
                   const char* addressPart4),
                  (, addressPart1, addressPart2, addressPart3, addressPart4))
OXSDK_QUERY_FORMS(GeocodeByPostalCode, TGeocodeResult,
                  (, const char* addressPart1, const char* addressPart2, const char* addressPart3),
                  (, addressPart1, addressPart2, addressPart3))
