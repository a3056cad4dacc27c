/* The C interface of the OXSDK5Link link library: the same calls as COstrelAPI and
 * COstrelFileLayer, for C and for every language and compiler that calls C (Visual C++, C# with
 * P/Invoke, Python with ctypes). Valid C99 and C++; no C++ type, no exception, no bool and no
 * long crosses it.
 *
 * Names: every COstrelAPI member X is oxsdk_ + X in snake case, with the client first and then
 * the member's own parameters: oxsdk_navigate_to_coordinates(client, &error, lat, lon, text),
 * oxsdk_get_route_info_async(client, 0), oxsdk_get_route_info_async_retrieve(client, session,
 * &error, &route_info). Results are those of COstrelAPI: 0 when a well-formed reply arrived,
 * -1 nothing was sent, -2 a malformed reply, -5 / -6 the wait ended without a reply; the
 * navigation application's own code is in oxsdk_error.error_code. A null client gives -1 with
 * error_code -1. Records are filled only by a full reply. */
#ifndef OXSDK5LINK_H
#define OXSDK5LINK_H

/** @file
 * The C interface: opaque handles, C records and one function per COstrelAPI call. */

#include <stdint.h>

#include "OXSDK5Link/Export.h"

#ifdef __cplusplus
/** Declares a function of the C interface, exported from the library. */
#define OXSDK_C_API extern "C" OXSDK5LINK_API
#else
/** Declares a function of the C interface, exported from the library. */
#define OXSDK_C_API OXSDK5LINK_API
#endif

/** A client: one exchange layer to one navigation application and the calls over it. */
typedef struct oxsdk_client oxsdk_client;
/** One command sent by an async form, until its retrieve form collects the reply. */
typedef struct oxsdk_session oxsdk_session;
/** The reply being built to one command received by oxsdk_navigator_process_events. */
typedef struct oxsdk_reply oxsdk_reply;

/** The result of every call that takes one (`COstrelAPI::TError`). */
typedef struct oxsdk_error {
    /** 0 success, -1 not sent, -2 malformed reply, -5 not running (or gone during the wait),
     * -6 the reply deadline passed, any other value the navigation application's code */
    int32_t error_code;
} oxsdk_error;

/** A version (`COstrelAPI::TVersion`), of the library or of the navigation application. */
typedef struct oxsdk_version {
    char version_text[16];  /**< for example "5.2" */
    int32_t version_number; /**< the number beside the text, for example 223 */
} oxsdk_version;

/** One route point (`COstrelAPI::TRouteCoordinatePair`). */
typedef struct oxsdk_route_coordinate_pair {
    int32_t first;  /**< the first coordinate (the emulator: latitude in microdegrees) */
    int32_t second; /**< the second coordinate (the emulator: longitude in microdegrees) */
} oxsdk_route_coordinate_pair;

/** The route's points (`COstrelAPI::TRouteCoordinates`). `coordinates` is allocated by the
 * library and belongs to the caller, who releases it with oxsdk_free. */
typedef struct oxsdk_route_coordinates {
    int32_t count;                            /**< pairs; -1 none read; 0 none */
    oxsdk_route_coordinate_pair* coordinates; /**< the pairs, or null */
} oxsdk_route_coordinates;

#include "OXSDK5Link/oxsdk5link_commands.h"

/** The library's version text, "5.2.0"; a static string. */
OXSDK_C_API const char* oxsdk_library_version(void);

/** A client named `own_name` for the navigation application named `navigator_name`, for
 * process `pid` (-1: this process), as `COstrelFileLayer::New`; null when a name is refused or
 * memory runs out. */
OXSDK_C_API oxsdk_client* oxsdk_client_new(const char* own_name, const char* navigator_name,
                                           int32_t pid);
/** Frees `client` (null: nothing); sessions of it not yet retrieved must be freed first. */
OXSDK_C_API void oxsdk_client_free(oxsdk_client* client);
/** Bounds every reply wait of `client` to `milliseconds` (0 or less: no bound, the default),
 * as `COstrelFileLayer::SetReplyTimeout`; a wait that reaches it ends with -6. */
OXSDK_C_API void oxsdk_set_reply_timeout(oxsdk_client* client, int32_t milliseconds);
/** Releases memory the library allocated for the caller (route coordinates); null: nothing. */
OXSDK_C_API void oxsdk_free(void* block);
/** Frees a session that will not be retrieved, withdrawing its command (null: nothing). */
OXSDK_C_API void oxsdk_session_free(oxsdk_session* session);
/** 1 when the reply to `session` can be read without waiting, else 0. */
OXSDK_C_API int oxsdk_return_available(oxsdk_client* client, oxsdk_session* session);

/** `COstrelAPI::GetSDKVersion`: "5.2" and 223 into `version`; sends nothing. Returns 0. */
OXSDK_C_API int oxsdk_get_sdk_version(oxsdk_client* client, oxsdk_error* error,
                                      oxsdk_version* version);
/** `COstrelAPI::StartApplication`: starts the navigation application unless its window exists
 * and waits until it takes a command. Returns 0; error_code 0, -5 not started, -1 no answer. */
OXSDK_C_API int oxsdk_start_application(oxsdk_client* client, oxsdk_error* error);
/** `COstrelAPI::IsApplicationRunning`: 1 when the navigation application's window exists
 * (error_code 0), else 0 (error_code -5). */
OXSDK_C_API int oxsdk_is_application_running(oxsdk_client* client, oxsdk_error* error);
/** `COstrelAPI::OstrelApplicationToForeground`: 0, or -5 when it does not run. */
OXSDK_C_API int oxsdk_ostrel_application_to_foreground(oxsdk_client* client);
/** `COstrelAPI::GetGPSFeedFile`: does nothing; returns -1. */
OXSDK_C_API int oxsdk_get_gps_feed_file(oxsdk_client* client);

/** Writes into `text` (at most `capacity` bytes, terminated) why the device's exchange folder is
 * refused, as `COstrelFileLayer::DescribeUntrustedDevice`: 1 when it is, else 0 (`text` empty). */
OXSDK_C_API int oxsdk_describe_untrusted_device(char* text, int32_t capacity);

/** Called once per command received by oxsdk_navigator_process_events: `fields` holds
 * `field_count` texts, field 0 the wire name. Answer before returning with oxsdk_reply_append
 * (field 0 the result code, "0" for success) and oxsdk_reply_send; `reply` is null when the
 * reply cannot be made. */
typedef void (*oxsdk_command_callback)(void* payload, const char* const* fields,
                                       int32_t field_count, oxsdk_reply* reply);
/** The navigation application's side: one pass over the commands addressed to `name`, each
 * handed to `callback` with `payload`, as `COstrelFileLayer::ProcessEvents`. */
OXSDK_C_API void oxsdk_navigator_process_events(const char* name, oxsdk_command_callback callback,
                                                void* payload);
/** 1 when a pass of oxsdk_navigator_process_events should follow now, 0 at the timeout, as
 * `COstrelFileLayer::WaitForCommand`. */
OXSDK_C_API int oxsdk_navigator_wait_for_command(const char* name, int32_t timeout_milliseconds);
/** Appends one field (copied) to `reply`. */
OXSDK_C_API void oxsdk_reply_append(oxsdk_reply* reply, const char* field);
/** Sends `reply` (null: nothing); a reply sent without a field is the result code "0". */
OXSDK_C_API void oxsdk_reply_send(oxsdk_reply* reply);

/** Watches the navigation application for events (`COstrelWatcher`): see oxsdk_watcher_poll. */
typedef struct oxsdk_watcher oxsdk_watcher;

/** What a watch event says happened (`COstrelWatcher::EEvent`). */
enum oxsdk_watch_event_kind {
    OXSDK_NAVIGATOR_STARTED = 1,   /**< the navigation application's window appeared */
    OXSDK_NAVIGATOR_STOPPED = 2,   /**< its window went */
    OXSDK_ROUTE_STARTED = 3,       /**< a route appeared where there was none */
    OXSDK_ROUTE_CHANGED = 4,       /**< a new route replaced the one before */
    OXSDK_ROUTE_CLEARED = 5,       /**< the route went without arrival */
    OXSDK_PROGRESS = 6,            /**< the distance left changed enough (throttled) */
    OXSDK_WAYPOINT_REACHED = 7,    /**< an intermediate stop given to the watcher was reached */
    OXSDK_DESTINATION_REACHED = 8, /**< the route's destination was reached, once per route */
    OXSDK_OFF_ROUTE = 9,           /**< farther from the route than the threshold, long enough */
    OXSDK_BACK_ON_ROUTE = 10,      /**< close to the route again */
    OXSDK_POSITION_LOST = 11,      /**< no position, or the same one for too long */
    OXSDK_POSITION_REGAINED = 12   /**< a fresh position again */
};

/** One watch event (`COstrelWatcher::TEvent`): what happened and the state it was derived from.
 * Flags are 0 or 1. */
typedef struct oxsdk_watch_event {
    int32_t kind;                   /**< an oxsdk_watch_event_kind */
    int32_t waypoint_index;         /**< OXSDK_WAYPOINT_REACHED: index of the stop; else -1 */
    uint64_t sequence;              /**< 1 for the watcher's first event, then 2, 3, ... */
    int64_t time_milliseconds;      /**< the watcher's clock when the round began */
    int32_t has_position;           /**< a position was read in this round */
    int32_t latitude;               /**< microdegrees, when has_position */
    int32_t longitude;              /**< microdegrees, when has_position */
    int32_t has_route;              /**< a route is known */
    double speed_metres_per_second; /**< derived from positions at least 2 s apart */
    int32_t route_points;           /**< points of the route */
    int32_t off_route;              /**< off route, until OXSDK_BACK_ON_ROUTE */
    double route_metres;            /**< length of the route's polyline */
    double travelled_metres;        /**< distance along the route to the projected position */
    double left_metres;             /**< route_metres - travelled_metres; 0 once arrived */
    double seconds_left;            /**< at the mean speed since the route began; -1 unknown */
    double off_route_metres;        /**< distance from the position to the route */
    int32_t arrived;                /**< the destination was reached */
} oxsdk_watch_event;

/** Called by oxsdk_watcher_poll once per event, in order. */
typedef void (*oxsdk_watch_callback)(void* payload, const oxsdk_watch_event* event);

/** A watcher over `client`, with the default thresholds of `COstrelWatcher`; the client must
 * outlive it. Null when memory runs out, or where the library was built without its watcher. */
OXSDK_C_API oxsdk_watcher* oxsdk_watcher_new(oxsdk_client* client);
/** One round of queries (`COstrelWatcher::Poll`): each event since the last round goes to
 * `callback` with `payload`. Returns the number of events, or -1 (null watcher or callback, no
 * memory). Never starts the navigation application. */
OXSDK_C_API int oxsdk_watcher_poll(oxsdk_watcher* watcher, oxsdk_watch_callback callback,
                                   void* payload);
/** The route's intermediate stops, for OXSDK_WAYPOINT_REACHED (`COstrelWatcher::SetWaypoints`):
 * the number kept, or -1. */
OXSDK_C_API int32_t oxsdk_watcher_set_waypoints(oxsdk_watcher* watcher,
                                                const oxsdk_route_coordinate_pair* points,
                                                int32_t count);
/** Frees `watcher` (null: nothing). */
OXSDK_C_API void oxsdk_watcher_free(oxsdk_watcher* watcher);

/** A remote command as the command catalogue describes it (`OXSDK5Link::TCommandDescription`):
 * what a binding needs to offer every command without a list of its own. */
typedef struct oxsdk_command_description {
    const char* name;          /**< the COstrelAPI member, e.g. "GetRouteInfo" */
    const char* wire_name;     /**< field 0 of the command, e.g. "GetRouteInfoV01" */
    const char* record_name;   /**< the reply record, e.g. "TRouteInfo"; null for none */
    int32_t argument_count;    /**< request arguments, see oxsdk_describe_argument */
    int32_t field_count;       /**< record members a full reply fills, see oxsdk_describe_field */
    int32_t route_coordinates; /**< 1 when the reply is the route's points (a pair buffer) */
} oxsdk_command_description;

/** One request argument or one record member of a command. */
typedef struct oxsdk_catalogue_item {
    const char* name; /**< the C++ parameter or member name, e.g. "coordinate1", "versionText" */
    int32_t kind;     /**< argument: 0 text, 1 number, 2 enumeration; member: 0 integer, 1 text */
    int32_t capacity; /**< a member's size in bytes (texts: terminator included); arguments 0 */
} oxsdk_catalogue_item;

/** The number of remote commands, 41. */
OXSDK_C_API int32_t oxsdk_command_count(void);
/** Describes command `index` (0 to oxsdk_command_count() - 1, in the order of COstrelAPI's
 * groups) into `description`: 0, or -1 for an index out of range or a null `description`. */
OXSDK_C_API int oxsdk_describe_command(int32_t index, oxsdk_command_description* description);
/** Describes request argument `argument` of command `index`: 0, or -1 out of range. */
OXSDK_C_API int oxsdk_describe_argument(int32_t index, int32_t argument,
                                        oxsdk_catalogue_item* item);
/** Describes record member `field` (reply field `field` + 1) of command `index`: 0, or -1. */
OXSDK_C_API int oxsdk_describe_field(int32_t index, int32_t field, oxsdk_catalogue_item* item);

#endif /* OXSDK5LINK_H */
