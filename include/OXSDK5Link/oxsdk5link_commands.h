/* The records and remote commands of the C interface, written from the command
 * catalogue by src/capi/generate_c_interface.cc: do not edit; included by
 * oxsdk5link.h. */
#ifndef OXSDK5LINK_COMMANDS_H
#define OXSDK5LINK_COMMANDS_H

/** @file
 * The records and the three forms of every remote command, in C. */

/** The reply record `COstrelAPI::TFavoriteInfo`: the same members in the same order. */
typedef struct oxsdk_favorite_info {
    char text1[64]; /**< reply field 1 */
    char text2[128]; /**< reply field 2 */
    int32_t value1; /**< reply field 3 */
    int32_t value2; /**< reply field 4 */
} oxsdk_favorite_info;

/** The reply record `COstrelAPI::TCurrentPositionInfo`: the same members in the same order. */
typedef struct oxsdk_current_position_info {
    int32_t value1; /**< reply field 1 */
    int32_t value2; /**< reply field 2 */
    int32_t value3; /**< reply field 3 */
    int32_t value4; /**< reply field 4 */
    int32_t value5; /**< reply field 5 */
} oxsdk_current_position_info;

/** The reply record `COstrelAPI::TLocationInfo`: the same members in the same order. */
typedef struct oxsdk_location_info {
    int32_t value1; /**< reply field 1 */
    int32_t value2; /**< reply field 2 */
    int32_t value3; /**< reply field 3 */
    char text1[128]; /**< reply field 4 */
    int32_t value4; /**< reply field 5 */
    int32_t value5; /**< reply field 6 */
} oxsdk_location_info;

/** The reply record `COstrelAPI::TLocationInfoEx`: the same members in the same order. */
typedef struct oxsdk_location_info_ex {
    int32_t value1; /**< reply field 1 */
    int32_t value2; /**< reply field 2 */
    int32_t value3; /**< reply field 3 */
    char text1[128]; /**< reply field 4 */
    int32_t value4; /**< reply field 5 */
    int32_t value5; /**< reply field 6 */
    char text2[128]; /**< reply field 7 */
} oxsdk_location_info_ex;

/** The reply record `COstrelAPI::TRouteInfo`: the same members in the same order. */
typedef struct oxsdk_route_info {
    int32_t value1; /**< reply field 1 */
    int32_t value2; /**< reply field 2 */
    int32_t value3; /**< reply field 3 */
    int32_t value4; /**< reply field 4 */
    int32_t value5; /**< reply field 5 */
    int32_t value6; /**< reply field 6 */
    int32_t value7; /**< reply field 7 */
    int32_t value8; /**< reply field 8 */
    int32_t value9; /**< reply field 9 */
    int32_t value10; /**< reply field 10 */
    int32_t value11; /**< reply field 11 */
    int32_t value12; /**< reply field 12 */
    int32_t value13; /**< reply field 13 */
} oxsdk_route_info;

/** The reply record `COstrelAPI::TGeocodeResult`: the same members in the same order. */
typedef struct oxsdk_geocode_result {
    int32_t value1; /**< reply field 1 */
    int32_t value2; /**< reply field 2 */
    int32_t value3; /**< reply field 3 */
    char text1[128]; /**< reply field 4 */
    char text2[128]; /**< reply field 5 */
} oxsdk_geocode_result;

/** The reply record `COstrelAPI::TDataSetInfo`: the same members in the same order. */
typedef struct oxsdk_data_set_info {
    char text1[128]; /**< reply field 1 */
    char text2[128]; /**< reply field 2 */
    int32_t value1; /**< reply field 3 */
    int32_t value2; /**< reply field 4 */
} oxsdk_data_set_info;

/** The reply record `COstrelAPI::TDeviceId`: the same members in the same order. */
typedef struct oxsdk_device_id {
    char text1[32]; /**< reply field 1 */
    int32_t value1; /**< reply field 2 */
} oxsdk_device_id;

/** The reply record `COstrelAPI::TExternalGPSResult`: the same members in the same order. */
typedef struct oxsdk_external_gps_result {
    int32_t value1; /**< reply field 1 */
} oxsdk_external_gps_result;

/** `COstrelAPI::GetApplicationVersion`, "GetApplicationVersionV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_get_application_version(oxsdk_client* client, oxsdk_error* error, oxsdk_version* version);
/** `COstrelAPI::GetApplicationVersionAsync`: sends "GetApplicationVersionV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_get_application_version_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::GetApplicationVersionAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_get_application_version_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_version* version);

/** `COstrelAPI::FlashMessage`, "FlashMessageV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_flash_message(oxsdk_client* client, oxsdk_error* error, const char* message_text, int32_t number);
/** `COstrelAPI::FlashMessageAsync`: sends "FlashMessageV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_flash_message_async(oxsdk_client* client, int32_t unused, const char* message_text, int32_t number);
/** `COstrelAPI::FlashMessageAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_flash_message_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::NavigateToCoordinates`, "NavigateToCoordinatesV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_navigate_to_coordinates(oxsdk_client* client, oxsdk_error* error, int32_t coordinate1, int32_t coordinate2, const char* destination_text);
/** `COstrelAPI::NavigateToCoordinatesAsync`: sends "NavigateToCoordinatesV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_navigate_to_coordinates_async(oxsdk_client* client, int32_t unused, int32_t coordinate1, int32_t coordinate2, const char* destination_text);
/** `COstrelAPI::NavigateToCoordinatesAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_navigate_to_coordinates_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::NavigateToFavorite`, "NavigateToFavoriteV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_navigate_to_favorite(oxsdk_client* client, oxsdk_error* error, int32_t favorite_index);
/** `COstrelAPI::NavigateToFavoriteAsync`: sends "NavigateToFavoriteV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_navigate_to_favorite_async(oxsdk_client* client, int32_t unused, int32_t favorite_index);
/** `COstrelAPI::NavigateToFavoriteAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_navigate_to_favorite_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::NavigateToAddress`, "NavigateToAddressV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_navigate_to_address(oxsdk_client* client, oxsdk_error* error, const char* address_part1, const char* address_part2, const char* address_part3, const char* address_part4);
/** `COstrelAPI::NavigateToAddressAsync`: sends "NavigateToAddressV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_navigate_to_address_async(oxsdk_client* client, int32_t unused, const char* address_part1, const char* address_part2, const char* address_part3, const char* address_part4);
/** `COstrelAPI::NavigateToAddressAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_navigate_to_address_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::NavigateToPostalCode`, "NavigateToPostalCodeV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_navigate_to_postal_code(oxsdk_client* client, oxsdk_error* error, const char* address_part1, const char* address_part2, const char* address_part3);
/** `COstrelAPI::NavigateToPostalCodeAsync`: sends "NavigateToPostalCodeV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_navigate_to_postal_code_async(oxsdk_client* client, int32_t unused, const char* address_part1, const char* address_part2, const char* address_part3);
/** `COstrelAPI::NavigateToPostalCodeAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_navigate_to_postal_code_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::ShowAddressOnMap`, "ShowAddressOnMapV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_show_address_on_map(oxsdk_client* client, oxsdk_error* error, const char* address_part1, const char* address_part2, const char* address_part3, const char* address_part4);
/** `COstrelAPI::ShowAddressOnMapAsync`: sends "ShowAddressOnMapV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_show_address_on_map_async(oxsdk_client* client, int32_t unused, const char* address_part1, const char* address_part2, const char* address_part3, const char* address_part4);
/** `COstrelAPI::ShowAddressOnMapAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_show_address_on_map_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::ShowPostalCodeOnMap`, "ShowPostalCodeOnMapV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_show_postal_code_on_map(oxsdk_client* client, oxsdk_error* error, const char* address_part1, const char* address_part2, const char* address_part3);
/** `COstrelAPI::ShowPostalCodeOnMapAsync`: sends "ShowPostalCodeOnMapV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_show_postal_code_on_map_async(oxsdk_client* client, int32_t unused, const char* address_part1, const char* address_part2, const char* address_part3);
/** `COstrelAPI::ShowPostalCodeOnMapAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_show_postal_code_on_map_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::ShowCoordinatesOnMap`, "ShowCoordinatesOnMapV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_show_coordinates_on_map(oxsdk_client* client, oxsdk_error* error, int32_t coordinate1, int32_t coordinate2);
/** `COstrelAPI::ShowCoordinatesOnMapAsync`: sends "ShowCoordinatesOnMapV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_show_coordinates_on_map_async(oxsdk_client* client, int32_t unused, int32_t coordinate1, int32_t coordinate2);
/** `COstrelAPI::ShowCoordinatesOnMapAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_show_coordinates_on_map_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::ShowRectangleOnMap`, "ShowRectangleOnMapV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_show_rectangle_on_map(oxsdk_client* client, oxsdk_error* error, int32_t coordinate1, int32_t coordinate2, int32_t coordinate3, int32_t coordinate4);
/** `COstrelAPI::ShowRectangleOnMapAsync`: sends "ShowRectangleOnMapV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_show_rectangle_on_map_async(oxsdk_client* client, int32_t unused, int32_t coordinate1, int32_t coordinate2, int32_t coordinate3, int32_t coordinate4);
/** `COstrelAPI::ShowRectangleOnMapAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_show_rectangle_on_map_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::ChangeSetting`, "ChangeSettingV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_change_setting(oxsdk_client* client, oxsdk_error* error, int32_t setting);
/** `COstrelAPI::ChangeSettingAsync`: sends "ChangeSettingV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_change_setting_async(oxsdk_client* client, int32_t unused, int32_t setting);
/** `COstrelAPI::ChangeSettingAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_change_setting_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::SwitchMap`, "SwitchMapV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_switch_map(oxsdk_client* client, oxsdk_error* error, const char* map_name);
/** `COstrelAPI::SwitchMapAsync`: sends "SwitchMapV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_switch_map_async(oxsdk_client* client, int32_t unused, const char* map_name);
/** `COstrelAPI::SwitchMapAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_switch_map_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::SetNavigatorProperty`, "SetNavigatorPropertyV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_set_navigator_property(oxsdk_client* client, oxsdk_error* error, int32_t property, int32_t value);
/** `COstrelAPI::SetNavigatorPropertyAsync`: sends "SetNavigatorPropertyV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_set_navigator_property_async(oxsdk_client* client, int32_t unused, int32_t property, int32_t value);
/** `COstrelAPI::SetNavigatorPropertyAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_set_navigator_property_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::BringNavigatorToForeground`, "BringNavigatorToForegroundV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_bring_navigator_to_foreground(oxsdk_client* client, oxsdk_error* error);
/** `COstrelAPI::BringNavigatorToForegroundAsync`: sends "BringNavigatorToForegroundV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_bring_navigator_to_foreground_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::BringNavigatorToForegroundAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_bring_navigator_to_foreground_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::SwitchToNavigatorView`, "SwitchToNavigatorViewV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_switch_to_navigator_view(oxsdk_client* client, oxsdk_error* error);
/** `COstrelAPI::SwitchToNavigatorViewAsync`: sends "SwitchToNavigatorViewV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_switch_to_navigator_view_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::SwitchToNavigatorViewAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_switch_to_navigator_view_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::SetRouteSummaryVisible`, "SetRouteSummaryVisibleV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_set_route_summary_visible(oxsdk_client* client, oxsdk_error* error, int32_t visible);
/** `COstrelAPI::SetRouteSummaryVisibleAsync`: sends "SetRouteSummaryVisibleV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_set_route_summary_visible_async(oxsdk_client* client, int32_t unused, int32_t visible);
/** `COstrelAPI::SetRouteSummaryVisibleAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_set_route_summary_visible_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::ClearRoute`, "ClearRouteV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_clear_route(oxsdk_client* client, oxsdk_error* error);
/** `COstrelAPI::ClearRouteAsync`: sends "ClearRouteV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_clear_route_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::ClearRouteAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_clear_route_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::ClearFavorite`, "ClearFavoriteV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_clear_favorite(oxsdk_client* client, oxsdk_error* error, int32_t favorite_index);
/** `COstrelAPI::ClearFavoriteAsync`: sends "ClearFavoriteV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_clear_favorite_async(oxsdk_client* client, int32_t unused, int32_t favorite_index);
/** `COstrelAPI::ClearFavoriteAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_clear_favorite_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::SetFavorite`, "SetFavoriteV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_set_favorite(oxsdk_client* client, oxsdk_error* error, int32_t favorite_index, const char* text1, const char* text2, int32_t value1, int32_t value2);
/** `COstrelAPI::SetFavoriteAsync`: sends "SetFavoriteV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_set_favorite_async(oxsdk_client* client, int32_t unused, int32_t favorite_index, const char* text1, const char* text2, int32_t value1, int32_t value2);
/** `COstrelAPI::SetFavoriteAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_set_favorite_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::GetFavorite`, "GetFavoriteV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_get_favorite(oxsdk_client* client, oxsdk_error* error, oxsdk_favorite_info* favorite_info, int32_t favorite_index);
/** `COstrelAPI::GetFavoriteAsync`: sends "GetFavoriteV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_get_favorite_async(oxsdk_client* client, int32_t unused, int32_t favorite_index);
/** `COstrelAPI::GetFavoriteAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_get_favorite_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_favorite_info* favorite_info);

/** `COstrelAPI::MakePoiVisible`, "MakePoiVisibleV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_make_poi_visible(oxsdk_client* client, oxsdk_error* error, int32_t poi_type, int32_t value);
/** `COstrelAPI::MakePoiVisibleAsync`: sends "MakePoiVisibleV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_make_poi_visible_async(oxsdk_client* client, int32_t unused, int32_t poi_type, int32_t value);
/** `COstrelAPI::MakePoiVisibleAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_make_poi_visible_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::AddPoi`, "AddPoiV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_add_poi(oxsdk_client* client, oxsdk_error* error, const char* poi_set_name, int32_t coordinate1, int32_t coordinate2, const char* text1, const char* text2);
/** `COstrelAPI::AddPoiAsync`: sends "AddPoiV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_add_poi_async(oxsdk_client* client, int32_t unused, const char* poi_set_name, int32_t coordinate1, int32_t coordinate2, const char* text1, const char* text2);
/** `COstrelAPI::AddPoiAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_add_poi_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::DeleteClosestPoi`, "DeleteClosestPoiV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_delete_closest_poi(oxsdk_client* client, oxsdk_error* error, const char* poi_set_name, int32_t coordinate1, int32_t coordinate2);
/** `COstrelAPI::DeleteClosestPoiAsync`: sends "DeleteClosestPoiV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_delete_closest_poi_async(oxsdk_client* client, int32_t unused, const char* poi_set_name, int32_t coordinate1, int32_t coordinate2);
/** `COstrelAPI::DeleteClosestPoiAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_delete_closest_poi_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::DeleteAllPoi`, "DeleteAllPoiV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_delete_all_poi(oxsdk_client* client, oxsdk_error* error, const char* poi_set_name);
/** `COstrelAPI::DeleteAllPoiAsync`: sends "DeleteAllPoiV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_delete_all_poi_async(oxsdk_client* client, int32_t unused, const char* poi_set_name);
/** `COstrelAPI::DeleteAllPoiAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_delete_all_poi_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::MakeUserPoiVisible`, "MakeUserPoiVisibleV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_make_user_poi_visible(oxsdk_client* client, oxsdk_error* error, const char* poi_set_name, int32_t value);
/** `COstrelAPI::MakeUserPoiVisibleAsync`: sends "MakeUserPoiVisibleV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_make_user_poi_visible_async(oxsdk_client* client, int32_t unused, const char* poi_set_name, int32_t value);
/** `COstrelAPI::MakeUserPoiVisibleAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_make_user_poi_visible_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::MoveClosestPoi`, "MoveClosestPoiV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_move_closest_poi(oxsdk_client* client, oxsdk_error* error, const char* poi_set_name, int32_t coordinate1, int32_t coordinate2, int32_t coordinate3, int32_t coordinate4);
/** `COstrelAPI::MoveClosestPoiAsync`: sends "MoveClosestPoiV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_move_closest_poi_async(oxsdk_client* client, int32_t unused, const char* poi_set_name, int32_t coordinate1, int32_t coordinate2, int32_t coordinate3, int32_t coordinate4);
/** `COstrelAPI::MoveClosestPoiAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_move_closest_poi_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::GetCurrentPosition`, "GetCurrentPositionV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_get_current_position(oxsdk_client* client, oxsdk_error* error, oxsdk_current_position_info* current_position_info);
/** `COstrelAPI::GetCurrentPositionAsync`: sends "GetCurrentPositionV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_get_current_position_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::GetCurrentPositionAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_get_current_position_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_current_position_info* current_position_info);

/** `COstrelAPI::GetLocationInfo`, "GetLocationInfoV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_get_location_info(oxsdk_client* client, oxsdk_error* error, oxsdk_location_info* location_info, int32_t coordinate1, int32_t coordinate2);
/** `COstrelAPI::GetLocationInfoAsync`: sends "GetLocationInfoV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_get_location_info_async(oxsdk_client* client, int32_t unused, int32_t coordinate1, int32_t coordinate2);
/** `COstrelAPI::GetLocationInfoAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_get_location_info_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_location_info* location_info);

/** `COstrelAPI::GetLocationInfoEx`, "GetLocationInfoExV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_get_location_info_ex(oxsdk_client* client, oxsdk_error* error, oxsdk_location_info_ex* location_info_ex, int32_t coordinate1, int32_t coordinate2);
/** `COstrelAPI::GetLocationInfoExAsync`: sends "GetLocationInfoExV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_get_location_info_ex_async(oxsdk_client* client, int32_t unused, int32_t coordinate1, int32_t coordinate2);
/** `COstrelAPI::GetLocationInfoExAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_get_location_info_ex_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_location_info_ex* location_info_ex);

/** `COstrelAPI::GetRouteInfo`, "GetRouteInfoV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_get_route_info(oxsdk_client* client, oxsdk_error* error, oxsdk_route_info* route_info);
/** `COstrelAPI::GetRouteInfoAsync`: sends "GetRouteInfoV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_get_route_info_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::GetRouteInfoAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_get_route_info_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_route_info* route_info);

/** `COstrelAPI::GetRouteCoordinates`, "GetRouteCoordinatesV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_get_route_coordinates(oxsdk_client* client, oxsdk_error* error, oxsdk_route_coordinates* route_coordinates);
/** `COstrelAPI::GetRouteCoordinatesAsync`: sends "GetRouteCoordinatesV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_get_route_coordinates_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::GetRouteCoordinatesAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_get_route_coordinates_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_route_coordinates* route_coordinates);

/** `COstrelAPI::Geocode`, "GeocodeV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_geocode(oxsdk_client* client, oxsdk_error* error, oxsdk_geocode_result* geocode_result, const char* address_part1, const char* address_part2, const char* address_part3);
/** `COstrelAPI::GeocodeAsync`: sends "GeocodeV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_geocode_async(oxsdk_client* client, int32_t unused, const char* address_part1, const char* address_part2, const char* address_part3);
/** `COstrelAPI::GeocodeAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_geocode_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_geocode_result* geocode_result);

/** `COstrelAPI::GeocodeExtended`, "GeocodeExtendedV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_geocode_extended(oxsdk_client* client, oxsdk_error* error, oxsdk_geocode_result* geocode_result, const char* address_part1, const char* address_part2, const char* address_part3, const char* address_part4);
/** `COstrelAPI::GeocodeExtendedAsync`: sends "GeocodeExtendedV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_geocode_extended_async(oxsdk_client* client, int32_t unused, const char* address_part1, const char* address_part2, const char* address_part3, const char* address_part4);
/** `COstrelAPI::GeocodeExtendedAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_geocode_extended_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_geocode_result* geocode_result);

/** `COstrelAPI::GeocodeByPostalCode`, "GeocodeByPostalCode", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_geocode_by_postal_code(oxsdk_client* client, oxsdk_error* error, oxsdk_geocode_result* geocode_result, const char* address_part1, const char* address_part2, const char* address_part3);
/** `COstrelAPI::GeocodeByPostalCodeAsync`: sends "GeocodeByPostalCode" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_geocode_by_postal_code_async(oxsdk_client* client, int32_t unused, const char* address_part1, const char* address_part2, const char* address_part3);
/** `COstrelAPI::GeocodeByPostalCodeAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_geocode_by_postal_code_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_geocode_result* geocode_result);

/** `COstrelAPI::GetDataSetInfo`, "GetDataSetInfoV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_get_data_set_info(oxsdk_client* client, oxsdk_error* error, oxsdk_data_set_info* data_set_info);
/** `COstrelAPI::GetDataSetInfoAsync`: sends "GetDataSetInfoV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_get_data_set_info_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::GetDataSetInfoAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_get_data_set_info_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_data_set_info* data_set_info);

/** `COstrelAPI::GetUniqueDeviceId`, "GetUniqueDeviceIdV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_get_unique_device_id(oxsdk_client* client, oxsdk_error* error, oxsdk_device_id* device_id);
/** `COstrelAPI::GetUniqueDeviceIdAsync`: sends "GetUniqueDeviceIdV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_get_unique_device_id_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::GetUniqueDeviceIdAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_get_unique_device_id_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_device_id* device_id);

/** `COstrelAPI::EnableExternalGPSInput`, "EnableExternalGPSInputV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_enable_external_gps_input(oxsdk_client* client, oxsdk_error* error, oxsdk_external_gps_result* external_gps_result);
/** `COstrelAPI::EnableExternalGPSInputAsync`: sends "EnableExternalGPSInputV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_enable_external_gps_input_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::EnableExternalGPSInputAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_enable_external_gps_input_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error, oxsdk_external_gps_result* external_gps_result);

/** `COstrelAPI::DisableExternalGPSInput`, "DisableExternalGPSInputV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_disable_external_gps_input(oxsdk_client* client, oxsdk_error* error);
/** `COstrelAPI::DisableExternalGPSInputAsync`: sends "DisableExternalGPSInputV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_disable_external_gps_input_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::DisableExternalGPSInputAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_disable_external_gps_input_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::EnableRawGPSOutput`, "EnableRawGPSOutputV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_enable_raw_gps_output(oxsdk_client* client, oxsdk_error* error, const char* output_text);
/** `COstrelAPI::EnableRawGPSOutputAsync`: sends "EnableRawGPSOutputV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_enable_raw_gps_output_async(oxsdk_client* client, int32_t unused, const char* output_text);
/** `COstrelAPI::EnableRawGPSOutputAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_enable_raw_gps_output_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::DisableRawGPSOutput`, "DisableRawGPSOutputV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_disable_raw_gps_output(oxsdk_client* client, oxsdk_error* error);
/** `COstrelAPI::DisableRawGPSOutputAsync`: sends "DisableRawGPSOutputV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_disable_raw_gps_output_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::DisableRawGPSOutputAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_disable_raw_gps_output_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

/** `COstrelAPI::StopApplication`, "StopApplicationV01", blocking form: starts the navigation application when needed, sends and waits. Returns 0 when a well-formed reply arrived (its code in `error`), -1 when nothing was sent, -2 for a malformed reply, -5 or -6 when the wait ended without it. */
OXSDK_C_API int oxsdk_stop_application(oxsdk_client* client, oxsdk_error* error);
/** `COstrelAPI::StopApplicationAsync`: sends "StopApplicationV01" and returns its session, or null when nothing was sent; `unused` is ignored. */
OXSDK_C_API oxsdk_session* oxsdk_stop_application_async(oxsdk_client* client, int32_t unused);
/** `COstrelAPI::StopApplicationAsyncRetrieve`: waits for the reply to `session`, frees the session and decodes the reply; results as the blocking form. */
OXSDK_C_API int oxsdk_stop_application_async_retrieve(oxsdk_client* client, oxsdk_session* session, oxsdk_error* error);

#endif /* OXSDK5LINK_COMMANDS_H */
