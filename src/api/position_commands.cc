// The position and location queries of COstrelAPI: the current position, and information on a
// place given by two coordinates.
#include "api/command_forms.h"

OXSDK_QUERY_FORMS(GetCurrentPosition, TCurrentPositionInfo, (), ())
OXSDK_QUERY_FORMS(GetLocationInfo, TLocationInfo,
                  (, std::int32_t coordinate1, std::int32_t coordinate2),
                  (, coordinate1, coordinate2))
OXSDK_QUERY_FORMS(GetLocationInfoEx, TLocationInfoEx,
                  (, std::int32_t coordinate1, std::int32_t coordinate2),
                  (, coordinate1, coordinate2))
