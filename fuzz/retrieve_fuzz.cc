// Every AsyncRetrieve of COstrelAPI on a fuzzed reply (input: a byte choosing the command, then
// the reply). The record is a marked heap block of its exact size: AddressSanitizer catches
// writes outside it, a refusal (-2) leaves it untouched, a full reply fills every member.
#include <algorithm>
#include <iterator>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/OXSDK5Link.h"
#include "fuzz_support.h"
#include "support/scripted_layer.h"
#include "transport/parse_decimal.h"

namespace {

namespace commands = OXSDK5Link::commands;
using API = COstrelAPI;
using OXSDK5Link::EFieldKind;
using OXSDK5Link::TCommandDescription;

constexpr unsigned char kMark = 0x5A;

struct TRetrieve {
    const TCommandDescription* command;
    std::size_t recordSize;
    int (*call)(API&, MOstrelSession*, API::TError*, void* record);
};

// The remote commands without a record, and those with theirs.
#define OXSDK_ACTIONS(X)                                                                           \
    X(FlashMessage), X(NavigateToCoordinates), X(NavigateToFavorite), X(NavigateToAddress),        \
        X(NavigateToPostalCode), X(ShowAddressOnMap), X(ShowPostalCodeOnMap),                      \
        X(ShowCoordinatesOnMap), X(ShowRectangleOnMap), X(ChangeSetting), X(SwitchMap),            \
        X(SetNavigatorProperty), X(BringNavigatorToForeground), X(SwitchToNavigatorView),          \
        X(SetRouteSummaryVisible), X(ClearRoute), X(ClearFavorite), X(SetFavorite),                \
        X(MakePoiVisible), X(AddPoi), X(DeleteClosestPoi), X(DeleteAllPoi), X(MakeUserPoiVisible), \
        X(MoveClosestPoi), X(DisableExternalGPSInput), X(EnableRawGPSOutput),                      \
        X(DisableRawGPSOutput), X(StopApplication)
#define OXSDK_QUERIES(X)                                                                \
    X(GetApplicationVersion, TVersion), X(GetFavorite, TFavoriteInfo),                  \
        X(GetCurrentPosition, TCurrentPositionInfo), X(GetLocationInfo, TLocationInfo), \
        X(GetLocationInfoEx, TLocationInfoEx), X(GetRouteInfo, TRouteInfo),             \
        X(GetRouteCoordinates, TRouteCoordinates), X(Geocode, TGeocodeResult),          \
        X(GeocodeExtended, TGeocodeResult), X(GeocodeByPostalCode, TGeocodeResult),     \
        X(GetDataSetInfo, TDataSetInfo), X(GetUniqueDeviceId, TDeviceId),               \
        X(EnableExternalGPSInput, TExternalGPSResult)
#define ACTION(Name)                                                               \
    TRetrieve {                                                                    \
        &commands::Name, 0, [](API& a, MOstrelSession* s, API::TError* e, void*) { \
            return a.Name##AsyncRetrieve(s, e);                                    \
        }                                                                          \
    }
#define QUERY(Name, Record)                                                       \
    TRetrieve {                                                                   \
        &commands::Name, sizeof(API::Record),                                     \
            [](API& a, MOstrelSession* s, API::TError* e, void* r) {              \
                return a.Name##AsyncRetrieve(s, e, static_cast<API::Record*>(r)); \
            }                                                                     \
    }

const TRetrieve kRetrieves[] = {OXSDK_ACTIONS(ACTION), OXSDK_QUERIES(QUERY)};
static_assert(sizeof(kRetrieves) / sizeof(kRetrieves[0]) == commands::kCount,
              "every remote command is fuzzed");

#undef ACTION
#undef QUERY
#undef OXSDK_ACTIONS
#undef OXSDK_QUERIES

void Require(bool condition, const TRetrieve& retrieve, const char* what) {
    oxsdk::fuzz::Require(condition, what, retrieve.command->name);
}

void CheckFullRecord(const TRetrieve& retrieve, const std::vector<std::string>& fields,
                     const unsigned char* record) {
    const TCommandDescription& command = *retrieve.command;
    for (int i = 0; i < command.replyFieldCount; ++i) {
        const OXSDK5Link::TReplyFieldDescription& member = command.replyFields[i];
        const std::string& field = fields[static_cast<std::size_t>(i) + 1];
        if (member.kind == EFieldKind::Integer) {
            std::int32_t value;
            std::memcpy(&value, record + member.offset, sizeof value);
            Require(value == ParseDecimal(field.c_str()), retrieve, member.member);
        } else {
            const std::string kept = field.substr(0, member.capacity - 1);
            Require(std::memcmp(record + member.offset, kept.c_str(), kept.size() + 1) == 0,
                    retrieve, member.member);
        }
    }
}

void CheckRoute(const TRetrieve& retrieve, const API::TRouteCoordinates& route) {
    if (route.coordinates == nullptr) return;
    Require(route.count >= 0, retrieve, "pairs with a negative count");
    // Reading every announced pair is the check: AddressSanitizer stops a read past the array.
    volatile std::int32_t sink = 0;
    for (std::int32_t i = 0; i < route.count; ++i) {
        sink = route.coordinates[i].first;
        sink = route.coordinates[i].second;
    }
    (void)sink;
    std::free(route.coordinates);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the command in the catalogue's order.
    const TCommandDescription* command = commands::kAll[data[0] % commands::kCount];
    const TRetrieve& retrieve =
        *std::find_if(std::begin(kRetrieves), std::end(kRetrieves),
                      [&](const TRetrieve& r) { return r.command == command; });
    const std::string reply = oxsdk::fuzz::TextOf(data + 1, size - 1);

    oxsdk::testing::ScriptedLayer layer;
    API api(layer);
    layer.StartSendCommand();
    MOstrelSession* session = layer.SendCommand();
    layer.QueueReply(reply);

    unsigned char* record = static_cast<unsigned char*>(
        std::malloc(retrieve.recordSize == 0 ? 1 : retrieve.recordSize));
    std::memset(record, kMark, retrieve.recordSize);
    API::TError error{kMark};
    const int result = retrieve.call(api, session, &error, record);

    const std::vector<std::string> fields = oxsdk::fuzz::SplitFields(reply);
    const bool route = retrieve.command->replyShape == OXSDK5Link::EReplyShape::RouteCoordinates;
    Require(layer.liveSessions() == 0, retrieve, "session not released");
    if (result == -2) {
        Require(error.errorCode == -2, retrieve, "refusal without -2 in errorCode");
        Require(route || std::all_of(record, record + retrieve.recordSize,
                                     [](unsigned char c) { return c == kMark; }),
                retrieve, "refused reply changed the record");
    } else if (!route) {
        Require(result == 0, retrieve, "result other than 0 or -2");
        Require(error.errorCode == ParseDecimal(fields.at(0).c_str()), retrieve, "errorCode");
        if (fields.size() == static_cast<std::size_t>(retrieve.command->replyFieldCount) + 1 &&
            retrieve.command->replyFieldCount > 0) {
            CheckFullRecord(retrieve, fields, record);
        }
    }
    if (route) {
        API::TRouteCoordinates coordinates;
        std::memcpy(&coordinates, record, sizeof coordinates);
        CheckRoute(retrieve, coordinates);
    }
    std::free(record);
    return 0;
}
