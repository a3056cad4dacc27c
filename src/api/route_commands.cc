// The route queries of COstrelAPI: GetRouteInfo follows the common pattern; GetRouteCoordinates
// has a reply of no fixed length (route_coordinates.h) and its blocking form returns -2 when
// the navigator cannot be started.
#include "api/command_forms.h"
#include "api/route_coordinates.h"

OXSDK_QUERY_FORMS(GetRouteInfo, TRouteInfo, (), ())

MOstrelSession* COstrelAPI::GetRouteCoordinatesAsync(int) {
    return oxsdk::api::Send(layer, conversionBuffer, OXSDK5Link::commands::GetRouteCoordinates);
}

int COstrelAPI::GetRouteCoordinatesAsyncRetrieve(MOstrelSession* session, TError* error,
                                                 TRouteCoordinates* route) {
    return oxsdk::api::RetrieveRouteCoordinates(layer, session, error, route);
}

int COstrelAPI::GetRouteCoordinates(TError* error, TRouteCoordinates* route) {
    constexpr int kStartFailure = -2;
    return oxsdk::api::RunBlocking(
        *this, error, [&] { return GetRouteCoordinatesAsync(1); },
        [&](MOstrelSession* session) {
            return GetRouteCoordinatesAsyncRetrieve(session, error, route);
        },
        kStartFailure);
}
