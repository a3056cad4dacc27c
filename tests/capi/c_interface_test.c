/* The C interface against the navigator emulator installed on the device that OXSDK_DEVICE_ROOT
 * names (tests/capi/run_c_interface_test.sh prepares it): every remote command in its three
 * forms, the records, the route buffer, the local calls and a navigator side written in C. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "OXSDK5Link/oxsdk5link.h"

static int failures = 0;
#define CHECK(condition)                                                            \
    do {                                                                            \
        if (!(condition)) {                                                         \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                             \
        }                                                                           \
    } while (0)

#define UNPAREN(...) __VA_ARGS__
/* Every remote command with arguments the emulator accepts: ACTION(name, (, arguments...)) and
 * QUERY(name, record type, (, arguments...)). */
#define COMMANDS(ACTION, QUERY)                                                         \
    QUERY(get_application_version, oxsdk_version, ())                                   \
    ACTION(flash_message, (, "from C", 1))                                              \
    ACTION(navigate_to_coordinates, (, 52090700, 5121400, "Utrecht"))                   \
    ACTION(set_favorite, (, 2, "Dom", "Domplein", 52090700, 5121400))                   \
    ACTION(navigate_to_favorite, (, 2))                                                 \
    QUERY(get_favorite, oxsdk_favorite_info, (, 2))                                     \
    ACTION(navigate_to_address, (, "Domplein", "9", "Utrecht", "NL"))                   \
    ACTION(navigate_to_postal_code, (, "3511", "9", "NL"))                              \
    ACTION(show_address_on_map, (, "Domplein", "9", "Utrecht", "NL"))                   \
    ACTION(show_postal_code_on_map, (, "3511", "9", "NL"))                              \
    ACTION(show_coordinates_on_map, (, 52090700, 5121400))                              \
    ACTION(show_rectangle_on_map, (, 52000000, 5000000, 52100000, 5200000))             \
    ACTION(change_setting, (, 9))                                                       \
    ACTION(switch_map, (, "Europe"))                                                    \
    ACTION(set_navigator_property, (, 1, 50))                                           \
    ACTION(bring_navigator_to_foreground, ())                                           \
    ACTION(switch_to_navigator_view, ())                                                \
    ACTION(set_route_summary_visible, (, 1))                                            \
    ACTION(clear_favorite, (, 2))                                                       \
    ACTION(make_poi_visible, (, 1, 1))                                                  \
    ACTION(add_poi, (, "cafes", 52090700, 5121400, "Cafe", "Near the Dom"))             \
    ACTION(make_user_poi_visible, (, "cafes", 1))                                       \
    ACTION(move_closest_poi, (, "cafes", 52090700, 5121400, 52091000, 5121500))         \
    ACTION(delete_closest_poi, (, "cafes", 52091000, 5121500))                          \
    ACTION(delete_all_poi, (, "cafes"))                                                 \
    QUERY(get_current_position, oxsdk_current_position_info, ())                        \
    QUERY(get_location_info, oxsdk_location_info, (, 52090700, 5121400))                \
    QUERY(get_location_info_ex, oxsdk_location_info_ex, (, 52090700, 5121400))          \
    QUERY(get_route_info, oxsdk_route_info, ())                                         \
    QUERY(geocode, oxsdk_geocode_result, (, "Domplein 9", "Utrecht", "NL"))             \
    QUERY(geocode_extended, oxsdk_geocode_result, (, "Domplein", "9", "Utrecht", "NL")) \
    QUERY(geocode_by_postal_code, oxsdk_geocode_result, (, "3511", "9", "NL"))          \
    QUERY(get_data_set_info, oxsdk_data_set_info, ())                                   \
    QUERY(get_unique_device_id, oxsdk_device_id, ())                                    \
    QUERY(enable_external_gps_input, oxsdk_external_gps_result, ())                     \
    ACTION(disable_external_gps_input, ())                                              \
    ACTION(enable_raw_gps_output, (, "\\raw.nmea"))                                     \
    ACTION(disable_raw_gps_output, ())                                                  \
    ACTION(clear_route, ())

/* A well-formed reply with code 0 (every row above is valid for the emulator). */
static void expect_success(const char* name, const char* form, int result, oxsdk_error e) {
    if (result != 0 || e.error_code != 0) {
        fprintf(stderr, "%s, %s form: result %d, error_code %d\n", name, form, result,
                (int)e.error_code);
        ++failures;
    }
}

/* Each command three times: blocking, then async and retrieve. A query's record is filled by
 * both. */
#define RUN_ACTION(name, arguments)                                                               \
    {                                                                                             \
        oxsdk_error e = {99};                                                                     \
        expect_success(#name, "blocking", oxsdk_##name(client, &e UNPAREN arguments), e);         \
        oxsdk_session* pending = oxsdk_##name##_async(client, 0 UNPAREN arguments);               \
        e.error_code = 99;                                                                        \
        expect_success(#name, "retrieve", oxsdk_##name##_async_retrieve(client, pending, &e), e); \
        ++commands;                                                                               \
    }
#define RUN_QUERY(name, type, arguments)                                                           \
    {                                                                                              \
        oxsdk_error e = {99};                                                                      \
        type record, again;                                                                        \
        memset(&record, 0x5a, sizeof record);                                                      \
        memset(&again, 0x5a, sizeof again);                                                        \
        expect_success(#name, "blocking", oxsdk_##name(client, &e, &record UNPAREN arguments), e); \
        oxsdk_session* pending = oxsdk_##name##_async(client, 0 UNPAREN arguments);                \
        e.error_code = 99;                                                                         \
        expect_success(#name, "retrieve",                                                          \
                       oxsdk_##name##_async_retrieve(client, pending, &e, &again), e);             \
        if (memcmp(&record, "\x5a\x5a\x5a\x5a", 4) == 0 ||                                         \
            memcmp(&again, "\x5a\x5a\x5a\x5a", 4) == 0) {                                          \
            fprintf(stderr, "%s: a record was not filled\n", #name);                               \
            ++failures;                                                                            \
        }                                                                                          \
        ++commands;                                                                                \
    }

static void first_event(void* payload, const oxsdk_watch_event* event) {
    oxsdk_watch_event* first = (oxsdk_watch_event*)payload;
    if (first->sequence == 0) *first = *event;
}

/* A navigator written in C: answers GetApplicationVersionV01 with "9.9" and 99. */
static void answer(void* payload, const char* const* fields, int32_t field_count,
                   oxsdk_reply* reply) {
    ++*(int*)payload;
    CHECK(field_count == 1 && strcmp(fields[0], "GetApplicationVersionV01") == 0);
    oxsdk_reply_append(reply, "0");
    oxsdk_reply_append(reply, "9.9");
    oxsdk_reply_append(reply, "99");
    oxsdk_reply_send(reply);
}

/* The rows above and the two run by hand below are the catalogue's commands, each once. */
#define ACTION_NAME(name, arguments) #name,
#define QUERY_NAME(name, type, arguments) #name,
static const char* const tested[] = {COMMANDS(ACTION_NAME, QUERY_NAME) "get_route_coordinates",
                                     "stop_application"};

static void snake_case(const char* name, char* out, size_t capacity) {
    size_t n = 0;
    for (size_t i = 0; name[i] != '\0' && n + 2 < capacity; ++i) {
        const char c = name[i], before = i > 0 ? name[i - 1] : 'A', after = name[i + 1];
        const int upper = c >= 'A' && c <= 'Z';
        if (upper && i > 0 &&
            ((before >= 'a' && before <= 'z') || (before >= '0' && before <= '9') ||
             (before >= 'A' && before <= 'Z' && after >= 'a' && after <= 'z'))) {
            out[n++] = '_';
        }
        out[n++] = upper ? (char)(c - 'A' + 'a') : c;
    }
    out[n] = '\0';
}

static void check_catalogue(void) {
    const size_t rows = sizeof tested / sizeof tested[0];
    CHECK(oxsdk_command_count() == (int32_t)rows);
    for (int32_t i = 0; i < oxsdk_command_count(); ++i) {
        oxsdk_command_description command;
        char name[64];
        size_t found = 0;
        CHECK(oxsdk_describe_command(i, &command) == 0);
        snake_case(command.name, name, sizeof name);
        for (size_t row = 0; row < rows; ++row) found += strcmp(tested[row], name) == 0;
        if (found != 1) fprintf(stderr, "%s: tested %u times\n", name, (unsigned)found);
        failures += found != 1;
    }
    oxsdk_command_description none;
    CHECK(oxsdk_describe_command(oxsdk_command_count(), &none) == -1);
}

int main(void) {
    check_catalogue();
    oxsdk_client* client = oxsdk_client_new("ctest", "OstrelNavigator", -1);
    CHECK(client != NULL);
    if (client == NULL) return 1;
    oxsdk_set_reply_timeout(client, 120000); /* a navigator that never answers fails the test */
    oxsdk_error error = {0};
    oxsdk_version version;
    CHECK(oxsdk_get_sdk_version(client, &error, &version) == 0);
    CHECK(strcmp(version.version_text, "5.2") == 0 && version.version_number == 223);
    CHECK(strcmp(oxsdk_library_version(), "5.2.0") == 0);
    CHECK(oxsdk_start_application(client, &error) == 0 && error.error_code == 0);
    CHECK(oxsdk_is_application_running(client, &error) == 1);

    /* The watcher's first round sees the navigator, with its position. */
    oxsdk_watch_event first = {0};
    oxsdk_watcher* watcher = oxsdk_watcher_new(client);
    if (watcher != NULL) { /* NULL only where the library has no watcher */
        CHECK(oxsdk_watcher_poll(watcher, first_event, &first) >= 1);
        CHECK(first.kind == OXSDK_NAVIGATOR_STARTED && first.sequence == 1 && first.has_position);
        oxsdk_watcher_free(watcher);
    }

    int commands = 0;
    COMMANDS(RUN_ACTION, RUN_QUERY)

    /* The route: as many points as its summary says, in a buffer the caller frees. */
    oxsdk_route_info route;
    oxsdk_route_coordinates points = {-7, NULL};
    CHECK(oxsdk_navigate_to_coordinates(client, &error, 51922500, 4479170, "Rotterdam") == 0);
    CHECK(oxsdk_get_route_info(client, &error, &route) == 0 && route.value9 > 1);
    CHECK(oxsdk_get_route_coordinates(client, &error, &points) == 0 && error.error_code == 0);
    CHECK(points.count == route.value9 && points.coordinates != NULL);
    if (points.coordinates != NULL) CHECK(points.coordinates[points.count - 1].first == 51922500);
    oxsdk_free(points.coordinates);
    oxsdk_session* session = oxsdk_get_route_coordinates_async(client, 0);
    CHECK(oxsdk_get_route_coordinates_async_retrieve(client, session, &error, &points) == 0);
    CHECK(points.count == route.value9);
    oxsdk_free(points.coordinates);
    commands += 2; /* get_route_coordinates, and stop_application below */

    CHECK(oxsdk_stop_application(client, &error) == 0 && error.error_code == -5);
    CHECK(oxsdk_is_application_running(client, &error) == 0 && error.error_code == -5);
    CHECK(commands == 41);

    /* Refusals: a null client sends nothing; a null session is refused. */
    error.error_code = 0;
    CHECK(oxsdk_clear_route(NULL, &error) == -1 && error.error_code == -1);
    CHECK(oxsdk_clear_route_async(NULL, 0) == NULL);
    CHECK(oxsdk_get_route_info_async_retrieve(client, NULL, &error, &route) == -1);
    CHECK(oxsdk_client_new("a.b", "OstrelNavigator", -1) == NULL);
    oxsdk_client_free(client);

    /* Both sides in C, in one thread: send, one pass of the navigator, retrieve. */
    oxsdk_client* app = oxsdk_client_new("capp", "cnav", -1);
    int handled = 0;
    session = oxsdk_get_application_version_async(app, 0);
    CHECK(session != NULL);
    oxsdk_navigator_process_events("cnav", answer, &handled);
    CHECK(handled == 1);
    CHECK(oxsdk_get_application_version_async_retrieve(app, session, &error, &version) == 0);
    CHECK(strcmp(version.version_text, "9.9") == 0 && version.version_number == 99);
    oxsdk_client_free(app);

    if (failures == 0) printf("C interface: %d commands in three forms, all well\n", commands);
    return failures == 0 ? 0 : 1;
}
