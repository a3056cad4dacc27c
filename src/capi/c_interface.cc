// The C interface over COstrelAPI and COstrelFileLayer: a client is a layer and the COstrelAPI
// over it; a C record has the layout of its C++ record and is copied in and out of one, so that
// a record is changed exactly when the C++ call changes it.
#include "OXSDK5Link/oxsdk5link.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include "OXSDK5Link/OXSDK5Link.h"

struct oxsdk_client {
    MOstrelCommunicationLayerInterface* layer;
    COstrelAPI api;
};

struct oxsdk_reply {
    MOstrelCommunicationLayerInterface* layer;
    MOstrelSession* session;
    bool started;
};

namespace {

static_assert(sizeof(oxsdk_error) == sizeof(COstrelAPI::TError), "error layout");
static_assert(std::is_standard_layout<oxsdk_route_coordinates>::value, "C record");

MOstrelSession* TakeSession(oxsdk_session* session) {
    return reinterpret_cast<MOstrelSession*>(session);
}
oxsdk_session* GiveSession(MOstrelSession* session) {
    return reinterpret_cast<oxsdk_session*>(session);
}

int Refuse(oxsdk_error* error) {
    if (error != nullptr) error->error_code = -1;
    return -1;
}

// A call without a record: the C++ error is copied out whatever the result.
template <typename Work>
int CallAction(oxsdk_client* client, oxsdk_error* error, Work work,
               MOstrelSession* orphan = nullptr) {
    if (client == nullptr) {
        delete orphan;
        return Refuse(error);
    }
    COstrelAPI::TError cppError{error != nullptr ? error->error_code : 0};
    const int result = work(client->api, &cppError);
    if (error != nullptr) error->error_code = cppError.errorCode;
    return result;
}

// A call with a record: the C record goes into a C++ record of the same layout and comes back,
// so that members the call leaves alone keep the caller's values.
template <typename Record, typename CRecord, typename Work>
int CallQuery(oxsdk_client* client, oxsdk_error* error, CRecord* record, Work work,
              MOstrelSession* orphan = nullptr) {
    static_assert(sizeof(Record) == sizeof(CRecord) && std::is_standard_layout<CRecord>::value,
                  "a C record has the layout of its C++ record");
    return CallAction(
        client, error,
        [&](COstrelAPI& api, COstrelAPI::TError* cppError) {
            if (record == nullptr) return work(api, cppError, static_cast<Record*>(nullptr));
            Record cppRecord;
            std::memcpy(&cppRecord, record, sizeof cppRecord);
            const int result = work(api, cppError, &cppRecord);
            std::memcpy(record, &cppRecord, sizeof cppRecord);
            return result;
        },
        orphan);
}

template <typename Work>
oxsdk_session* Send(oxsdk_client* client, Work work) {
    return client == nullptr ? nullptr : GiveSession(work(client->api));
}

// Hands every received command to a C callback with its fields.
class CCallbackHandler : public MCommandHandlerInterface {
public:
    CCallbackHandler(oxsdk_command_callback aCallback, void* aPayload)
        : callback(aCallback), payload(aPayload) {}
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        enum { kMostFields = 64 };
        const char* fields[kMostFields];
        int count = layer.NrReceiveFields();
        if (count > kMostFields) count = kMostFields;  // no command of the catalogue has more
        for (int i = 0; i < count; ++i) fields[i] = layer.ReceiveField(i);
        oxsdk_reply reply{&layer, session, false};
        callback(payload, fields, count, session != nullptr ? &reply : nullptr);
        return 0;
    }

private:
    oxsdk_command_callback callback;
    void* payload;
};

}  // namespace

const char* oxsdk_library_version(void) {
    return OXSDK5LINK_VERSION_TEXT;
}

oxsdk_client* oxsdk_client_new(const char* own_name, const char* navigator_name, int32_t pid) {
    if (own_name == nullptr || navigator_name == nullptr) return nullptr;
    MOstrelCommunicationLayerInterface* layer =
        COstrelFileLayer::New(own_name, navigator_name, static_cast<int>(pid));
    if (layer == nullptr) return nullptr;
    auto* client = static_cast<oxsdk_client*>(std::malloc(sizeof(oxsdk_client)));
    if (client == nullptr) {
        delete layer;
        return nullptr;
    }
    client->layer = layer;
    new (&client->api) COstrelAPI(*layer);
    return client;
}

void oxsdk_client_free(oxsdk_client* client) {
    if (client == nullptr) return;
    client->api.~COstrelAPI();
    delete client->layer;
    std::free(client);
}

void oxsdk_set_reply_timeout(oxsdk_client* client, int32_t milliseconds) {
    if (client != nullptr) {
        static_cast<COstrelFileLayer*>(client->layer)
            ->SetReplyTimeout(static_cast<int>(milliseconds));
    }
}

void oxsdk_free(void* block) {
    std::free(block);
}

void oxsdk_session_free(oxsdk_session* session) {
    delete TakeSession(session);
}

int oxsdk_return_available(oxsdk_client* client, oxsdk_session* session) {
    if (client == nullptr || session == nullptr) return 0;
    return client->layer->ReturnAvailable(TakeSession(session));
}

int oxsdk_get_sdk_version(oxsdk_client* client, oxsdk_error* error, oxsdk_version* version) {
    return CallQuery<COstrelAPI::TVersion>(
        client, error, version,
        [](COstrelAPI& api, COstrelAPI::TError* e, auto* r) { return api.GetSDKVersion(e, r); });
}

int oxsdk_start_application(oxsdk_client* client, oxsdk_error* error) {
    return CallAction(client, error, [](COstrelAPI& api, COstrelAPI::TError* e) {
        return api.StartApplication(e);
    });
}

int oxsdk_is_application_running(oxsdk_client* client, oxsdk_error* error) {
    if (client == nullptr) {
        Refuse(error);
        return 0;
    }
    return CallAction(client, error, [](COstrelAPI& api, COstrelAPI::TError* e) {
        return api.IsApplicationRunning(e);
    });
}

int oxsdk_ostrel_application_to_foreground(oxsdk_client* client) {
    return client == nullptr ? -5 : client->api.OstrelApplicationToForeground();
}

int oxsdk_get_gps_feed_file(oxsdk_client* client) {
    return client == nullptr ? -1 : client->api.GetGPSFeedFile();
}

int oxsdk_describe_untrusted_device(char* text, int32_t capacity) {
    return COstrelFileLayer::DescribeUntrustedDevice(text, static_cast<int>(capacity));
}

void oxsdk_navigator_process_events(const char* name, oxsdk_command_callback callback,
                                    void* payload) {
    if (name == nullptr || callback == nullptr) return;
    CCallbackHandler handler(callback, payload);
    COstrelFileLayer::ProcessEvents(name, handler);
}

int oxsdk_navigator_wait_for_command(const char* name, int32_t timeout_milliseconds) {
    if (name == nullptr) return 0;
    return COstrelFileLayer::WaitForCommand(name, static_cast<int>(timeout_milliseconds));
}

void oxsdk_reply_append(oxsdk_reply* reply, const char* field) {
    if (reply == nullptr || field == nullptr) return;
    if (!reply->started) {
        reply->layer->StartReturnResult(reply->session);
        reply->started = true;
    }
    reply->layer->AppendArgument(field);
}

void oxsdk_reply_send(oxsdk_reply* reply) {
    if (reply == nullptr) return;
    if (!reply->started) oxsdk_reply_append(reply, "0");
    reply->layer->SendCommand();
}

namespace {
const OXSDK5Link::TCommandDescription* Command(int32_t index) {
    using OXSDK5Link::commands::kAll;
    return index >= 0 && index < OXSDK5Link::commands::kCount ? kAll[index] : nullptr;
}
}  // namespace

int32_t oxsdk_command_count(void) {
    return OXSDK5Link::commands::kCount;
}

int oxsdk_describe_command(int32_t index, oxsdk_command_description* description) {
    const OXSDK5Link::TCommandDescription* command = Command(index);
    if (command == nullptr || description == nullptr) return -1;
    *description = {command->name,
                    command->wireName,
                    command->recordName,
                    command->argumentCount,
                    command->replyFieldCount,
                    command->replyShape == OXSDK5Link::EReplyShape::RouteCoordinates ? 1 : 0};
    return 0;
}

int oxsdk_describe_argument(int32_t index, int32_t argument, oxsdk_catalogue_item* item) {
    const OXSDK5Link::TCommandDescription* command = Command(index);
    if (command == nullptr || item == nullptr || argument < 0 ||
        argument >= command->argumentCount) {
        return -1;
    }
    const OXSDK5Link::TArgumentDescription& described = command->arguments[argument];
    *item = {described.name, static_cast<int32_t>(described.kind), 0};
    return 0;
}

int oxsdk_describe_field(int32_t index, int32_t field, oxsdk_catalogue_item* item) {
    const OXSDK5Link::TCommandDescription* command = Command(index);
    if (command == nullptr || item == nullptr || field < 0 || field >= command->replyFieldCount) {
        return -1;
    }
    const OXSDK5Link::TReplyFieldDescription& described = command->replyFields[field];
    *item = {described.member, static_cast<int32_t>(described.kind),
             static_cast<int32_t>(described.capacity)};
    return 0;
}

#if OXSDK5LINK_WITH_WATCHER
// Hands the watcher's events to the C callback of the current poll.
struct oxsdk_watcher final : MWatchHandlerInterface {
    explicit oxsdk_watcher(COstrelAPI& api) : watcher(api, *this) {}
    void HandleWatchEvent(const COstrelWatcher::TEvent& event) override {
        const oxsdk_watch_event out{static_cast<int32_t>(event.kind),
                                    event.waypointIndex,
                                    event.sequence,
                                    event.timeMilliseconds,
                                    event.hasPosition ? 1 : 0,
                                    event.latitude,
                                    event.longitude,
                                    event.hasRoute ? 1 : 0,
                                    event.speedMetresPerSecond,
                                    event.routePoints,
                                    event.offRoute ? 1 : 0,
                                    event.routeMetres,
                                    event.travelledMetres,
                                    event.leftMetres,
                                    event.secondsLeft,
                                    event.offRouteMetres,
                                    event.arrived ? 1 : 0};
        callback(payload, &out);
    }
    COstrelWatcher watcher;
    oxsdk_watch_callback callback = nullptr;
    void* payload = nullptr;
};

oxsdk_watcher* oxsdk_watcher_new(oxsdk_client* client) {
    if (client == nullptr) return nullptr;
    return new (std::nothrow) oxsdk_watcher(client->api);
}

int oxsdk_watcher_poll(oxsdk_watcher* watcher, oxsdk_watch_callback callback, void* payload) {
    if (watcher == nullptr || callback == nullptr) return -1;
    watcher->callback = callback;
    watcher->payload = payload;
    return watcher->watcher.Poll();
}

int32_t oxsdk_watcher_set_waypoints(oxsdk_watcher* watcher,
                                    const oxsdk_route_coordinate_pair* points, int32_t count) {
    if (watcher == nullptr || count < 0 || (count > 0 && points == nullptr)) return -1;
    const int32_t kept = std::min(count, COstrelWatcher::kMaxWaypoints);
    try {
        std::vector<COstrelAPI::TRouteCoordinatePair> copy(static_cast<std::size_t>(kept));
        for (int32_t i = 0; i < kept; ++i) copy[i] = {points[i].first, points[i].second};
        return watcher->watcher.SetWaypoints(copy.data(), kept);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

void oxsdk_watcher_free(oxsdk_watcher* watcher) {
    delete watcher;
}
#else
// Built without the watcher (no GeographicLib): the functions exist and refuse.
oxsdk_watcher* oxsdk_watcher_new(oxsdk_client*) {
    return nullptr;
}
int oxsdk_watcher_poll(oxsdk_watcher*, oxsdk_watch_callback, void*) {
    return -1;
}
int32_t oxsdk_watcher_set_waypoints(oxsdk_watcher*, const oxsdk_route_coordinate_pair*, int32_t) {
    return -1;
}
void oxsdk_watcher_free(oxsdk_watcher*) {}
#endif

#include "capi/c_commands.inc"
