// The navigation, map and display commands of COstrelAPI: each tells the navigator to act and
// is answered with the error code alone.
#include "api/command_forms.h"

OXSDK_ACTION_FORMS(FlashMessage, (, const char* messageText, int number), (, messageText, number))
OXSDK_ACTION_FORMS(NavigateToCoordinates,
                   (, std::int32_t coordinate1, std::int32_t coordinate2,
                    const char* destinationText),
                   (, coordinate1, coordinate2, destinationText))
OXSDK_ACTION_FORMS(NavigateToFavorite, (, int favoriteIndex), (, favoriteIndex))
OXSDK_ACTION_FORMS(NavigateToAddress,
                   (, const char* addressPart1, const char* addressPart2, const char* addressPart3,
                    const char* addressPart4),
                   (, addressPart1, addressPart2, addressPart3, addressPart4))
OXSDK_ACTION_FORMS(ShowAddressOnMap,
                   (, const char* addressPart1, const char* addressPart2, const char* addressPart3,
                    const char* addressPart4),
                   (, addressPart1, addressPart2, addressPart3, addressPart4))
OXSDK_ACTION_FORMS(NavigateToPostalCode,
                   (, const char* addressPart1, const char* addressPart2, const char* addressPart3),
                   (, addressPart1, addressPart2, addressPart3))
OXSDK_ACTION_FORMS(ShowPostalCodeOnMap,
                   (, const char* addressPart1, const char* addressPart2, const char* addressPart3),
                   (, addressPart1, addressPart2, addressPart3))
OXSDK_ACTION_FORMS(ShowCoordinatesOnMap, (, std::int32_t coordinate1, std::int32_t coordinate2),
                   (, coordinate1, coordinate2))
OXSDK_ACTION_FORMS(ShowRectangleOnMap,
                   (, std::int32_t coordinate1, std::int32_t coordinate2, std::int32_t coordinate3,
                    std::int32_t coordinate4),
                   (, coordinate1, coordinate2, coordinate3, coordinate4))
OXSDK_ACTION_FORMS(ChangeSetting, (, ESettingAndValue setting), (, setting))
OXSDK_ACTION_FORMS(SwitchMap, (, const char* mapName), (, mapName))
OXSDK_ACTION_FORMS(SetNavigatorProperty, (, EProperty property, std::int32_t value),
                   (, property, value))
OXSDK_ACTION_FORMS(BringNavigatorToForeground, (), ())
OXSDK_ACTION_FORMS(SwitchToNavigatorView, (), ())
OXSDK_ACTION_FORMS(SetRouteSummaryVisible, (, std::int32_t visible), (, visible))
OXSDK_ACTION_FORMS(ClearRoute, (), ())
