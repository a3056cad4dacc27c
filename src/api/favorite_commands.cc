// The favourite and point-of-interest commands of COstrelAPI. GetFavorite fills a
// TFavoriteInfo; the others are answered with the error code alone.
#include "api/command_forms.h"

OXSDK_ACTION_FORMS(ClearFavorite, (, std::int32_t favoriteIndex), (, favoriteIndex))
OXSDK_ACTION_FORMS(SetFavorite,
                   (, std::int32_t favoriteIndex, const char* text1, const char* text2,
                    std::int32_t value1, std::int32_t value2),
                   (, favoriteIndex, text1, text2, value1, value2))
OXSDK_QUERY_FORMS(GetFavorite, TFavoriteInfo, (, std::int32_t favoriteIndex), (, favoriteIndex))
OXSDK_ACTION_FORMS(MakePoiVisible, (, EPoiTypeCode poiType, std::int32_t value), (, poiType, value))
OXSDK_ACTION_FORMS(AddPoi,
                   (, const char* poiSetName, std::int32_t coordinate1, std::int32_t coordinate2,
                    const char* text1, const char* text2),
                   (, poiSetName, coordinate1, coordinate2, text1, text2))
OXSDK_ACTION_FORMS(DeleteClosestPoi,
                   (, const char* poiSetName, std::int32_t coordinate1, std::int32_t coordinate2),
                   (, poiSetName, coordinate1, coordinate2))
OXSDK_ACTION_FORMS(DeleteAllPoi, (, const char* poiSetName), (, poiSetName))
OXSDK_ACTION_FORMS(MakeUserPoiVisible, (, const char* poiSetName, std::int32_t value),
                   (, poiSetName, value))
OXSDK_ACTION_FORMS(MoveClosestPoi,
                   (, const char* poiSetName, std::int32_t coordinate1, std::int32_t coordinate2,
                    std::int32_t coordinate3, std::int32_t coordinate4),
                   (, poiSetName, coordinate1, coordinate2, coordinate3, coordinate4))
