// Every remote command of COstrelAPI over the scripted layer: the exact text its Async and
// blocking forms send, the reply field counts its retrieve accepts, which reply field fills
// which record member, and that reply texts stay inside their members.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/OXSDK5Link.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"
#include "support/scripted_layer.h"

namespace {

namespace commands = OXSDK5Link::commands;
using API = COstrelAPI;
using oxsdk::testing::ScriptedLayer;
using OXSDK5Link::TCommandDescription;

constexpr std::int32_t kMin = INT32_MIN;
constexpr std::int32_t kMax = INT32_MAX;
constexpr char kMark = 0x5A;

// Reply field k >= 1 of a generated reply holds the decimal text of Value(k); the one field
// numbered `longField` carries 300 letters after it, more than any text member holds.
std::int32_t Value(int k) {
    return -11 * k;
}
std::string Text(int k, int longField) {
    return std::to_string(Value(k)) + (k == longField ? std::string(300, 'x') : "");
}

/// What a full reply leaves in a record member filled from field k: an integer holds Value(k);
/// a text holds Text(k) cut to its capacity and terminated, the bytes after the terminator
/// keep what they held.
struct Expect {
    int longField;
    void Int(int k, std::int32_t member) const { EXPECT_EQ(Value(k), member) << "field " << k; }
    template <std::size_t N>
    void Str(int k, const char (&member)[N]) const {
        const std::string text = Text(k, longField).substr(0, N - 1);
        EXPECT_EQ(text + '\0', std::string(member, text.size() + 1)) << "field " << k;
        EXPECT_EQ(std::string(N - text.size() - 1, kMark),
                  std::string(member + text.size() + 1, N - text.size() - 1))
            << "field " << k;
    }
};

using RecordCheck = std::function<void(const void* record, const Expect&)>;
template <typename Record>
RecordCheck Check(std::function<void(const Record&, const Expect&)> check) {
    return [check](const void* r, const Expect& x) { check(*static_cast<const Record*>(r), x); };
}

/// One command called with fixed arguments in all three forms.
struct CommandCase {
    const TCommandDescription* command;
    const char* wire;  ///< the text both sending forms send
    int fullCount;     ///< fields of a full reply, the error code included
    RecordCheck full;  ///< where a full reply's fields must land; null: no record
    std::size_t recordSize;
    std::function<MOstrelSession*(API&, int leading)> async;
    std::function<int(API&, MOstrelSession*, API::TError*, void* record)> retrieve;
    std::function<int(API&, API::TError*, void* record)> blocking;
};

template <typename T>
struct Same {
    using type = T;
};

template <typename... Args>
CommandCase Action(const TCommandDescription& command, MOstrelSession* (API::*async)(int, Args...),
                   int (API::*retrieve)(MOstrelSession*, API::TError*),
                   int (API::*blocking)(API::TError*, Args...), const char* wire,
                   typename Same<Args>::type... args) {
    CommandCase c{&command, wire, 1, nullptr, 0, {}, {}, {}};
    c.async = [=](API& a, int n) { return (a.*async)(n, args...); };
    c.retrieve = [=](API& a, MOstrelSession* s, API::TError* e, void*) {
        return (a.*retrieve)(s, e);
    };
    c.blocking = [=](API& a, API::TError* e, void*) { return (a.*blocking)(e, args...); };
    return c;
}

template <typename Record, typename... Args>
CommandCase Query(const TCommandDescription& command, MOstrelSession* (API::*async)(int, Args...),
                  int (API::*retrieve)(MOstrelSession*, API::TError*, Record*),
                  int (API::*blocking)(API::TError*, Record*, Args...), int fullCount,
                  RecordCheck full, const char* wire, typename Same<Args>::type... args) {
    CommandCase c{&command, wire, fullCount, std::move(full), sizeof(Record), {}, {}, {}};
    c.async = [=](API& a, int n) { return (a.*async)(n, args...); };
    c.retrieve = [=](API& a, MOstrelSession* s, API::TError* e, void* r) {
        return (a.*retrieve)(s, e, static_cast<Record*>(r));
    };
    c.blocking = [=](API& a, API::TError* e, void* r) {
        return (a.*blocking)(e, static_cast<Record*>(r), args...);
    };
    return c;
}

#define FORMS(Name) commands::Name, &API::Name##Async, &API::Name##AsyncRetrieve, &API::Name

// clang-format off
const std::vector<CommandCase>& Cases() {
    // The three geocoding commands share their record.
    static const RecordCheck geocode = Check<API::TGeocodeResult>([](const auto& r, const Expect& x) {
        x.Int(1, r.value1); x.Int(2, r.value2); x.Int(3, r.value3); x.Str(4, r.text1); x.Str(5, r.text2); });
    static const std::vector<CommandCase> cases = {
        Query(FORMS(GetApplicationVersion), 3, Check<API::TVersion>([](const auto& r, const Expect& x) {
            x.Str(1, r.versionText); x.Int(2, r.versionNumber); }), "GetApplicationVersionV01|"),
        Action(FORMS(FlashMessage), "FlashMessageV01||-2147483648|", "", kMin),
        Action(FORMS(NavigateToCoordinates), "NavigateToCoordinatesV01|-5|7||", -5, 7, ""),
        Action(FORMS(NavigateToFavorite), "NavigateToFavoriteV01|0|", 0),
        Action(FORMS(NavigateToAddress), "NavigateToAddressV01|Main St 1||a|b|Town|", "Main St 1", "", "a|b", "Town"),
        Action(FORMS(NavigateToPostalCode), "NavigateToPostalCodeV01|1234 AB||NL|", "1234 AB", "", "NL"),
        Action(FORMS(ShowAddressOnMap), "ShowAddressOnMapV01||x||y|", "", "x", "", "y"),
        Action(FORMS(ShowPostalCodeOnMap), "ShowPostalCodeOnMapV01|p|q|r|", "p", "q", "r"),
        Action(FORMS(ShowCoordinatesOnMap), "ShowCoordinatesOnMapV01|2147483647|-1|", kMax, -1),
        // Not normalised: the first coordinate is greater than the third.
        Action(FORMS(ShowRectangleOnMap), "ShowRectangleOnMapV01|10|-20|5|-2147483648|", 10, -20, 5, kMin),
        Action(FORMS(ChangeSetting), "ChangeSettingV01|12|", API::ESettingAvoidHighwaysOn),
        Action(FORMS(SwitchMap), "SwitchMapV01|Europe|East|", "Europe|East"),
        Action(FORMS(SetNavigatorProperty), "SetNavigatorPropertyV01|3|-90|", API::EPropertyMapRotation, -90),
        Action(FORMS(BringNavigatorToForeground), "BringNavigatorToForegroundV01|"),
        Action(FORMS(SwitchToNavigatorView), "SwitchToNavigatorViewV01|"),
        Action(FORMS(SetRouteSummaryVisible), "SetRouteSummaryVisibleV01|0|", 0),
        Action(FORMS(ClearRoute), "ClearRouteV01|"),
        Action(FORMS(ClearFavorite), "ClearFavoriteV01|-1|", -1),
        Action(FORMS(SetFavorite), "SetFavoriteV01|0|A|B|-1|2|", 0, "A", "B", -1, 2),
        Query(FORMS(GetFavorite), 5, Check<API::TFavoriteInfo>([](const auto& r, const Expect& x) {
            x.Str(1, r.text1); x.Str(2, r.text2); x.Int(3, r.value1); x.Int(4, r.value2); }),
            "GetFavoriteV01|-2147483648|", kMin),
        Action(FORMS(MakePoiVisible), "MakePoiVisibleV01|9|0|", API::EPoiSpeedCamera, 0),
        Action(FORMS(AddPoi), "AddPoiV01||-3|4|t|1||", "", -3, 4, "t|1", ""),
        Action(FORMS(DeleteClosestPoi), "DeleteClosestPoiV01|set|0|-2147483648|", "set", 0, kMin),
        Action(FORMS(DeleteAllPoi), "DeleteAllPoiV01||", ""),
        Action(FORMS(MakeUserPoiVisible), "MakeUserPoiVisibleV01|my|set|-1|", "my|set", -1),
        // Not compared or swapped.
        Action(FORMS(MoveClosestPoi), "MoveClosestPoiV01|s|4|3|-2|1|", "s", 4, 3, -2, 1),
        Query(FORMS(GetCurrentPosition), 6, Check<API::TCurrentPositionInfo>([](const auto& r, const Expect& x) {
            x.Int(1, r.value1); x.Int(2, r.value2); x.Int(3, r.value3); x.Int(4, r.value4); x.Int(5, r.value5); }),
            "GetCurrentPositionV01|"),
        Query(FORMS(GetLocationInfo), 7, Check<API::TLocationInfo>([](const auto& r, const Expect& x) {
            x.Int(1, r.value1); x.Int(2, r.value2); x.Int(3, r.value3); x.Str(4, r.text1); x.Int(5, r.value4);
            x.Int(6, r.value5); }), "GetLocationInfoV01|-5|0|", -5, 0),
        Query(FORMS(GetLocationInfoEx), 8, Check<API::TLocationInfoEx>([](const auto& r, const Expect& x) {
            x.Int(1, r.value1); x.Int(2, r.value2); x.Int(3, r.value3); x.Str(4, r.text1); x.Int(5, r.value4);
            x.Int(6, r.value5); x.Str(7, r.text2); }), "GetLocationInfoExV01|-2147483648|2147483647|", kMin, kMax),
        Query(FORMS(GetRouteInfo), 14, Check<API::TRouteInfo>([](const auto& r, const Expect& x) {
            const std::int32_t values[] = {r.value1, r.value2, r.value3, r.value4, r.value5, r.value6, r.value7,
                                           r.value8, r.value9, r.value10, r.value11, r.value12, r.value13};
            for (int k = 1; k <= 13; ++k) x.Int(k, values[k - 1]); }), "GetRouteInfoV01|"),
        // Its reply has a shape of its own (route_coordinates_test.cc).
        Query(FORMS(GetRouteCoordinates), 0, nullptr, "GetRouteCoordinatesV01|"),
        Query(FORMS(Geocode), 6, geocode, "GeocodeV01|a||c|", "a", "", "c"),
        Query(FORMS(GeocodeExtended), 6, geocode, "GeocodeExtendedV01|1|2|3|4|", "1", "2", "3", "4"),
        // The one wire name without the version suffix.
        Query(FORMS(GeocodeByPostalCode), 6, geocode, "GeocodeByPostalCode||||", "", "", ""),
        Query(FORMS(GetDataSetInfo), 5, Check<API::TDataSetInfo>([](const auto& r, const Expect& x) {
            x.Str(1, r.text1); x.Str(2, r.text2); x.Int(3, r.value1); x.Int(4, r.value2); }), "GetDataSetInfoV01|"),
        Query(FORMS(GetUniqueDeviceId), 3, Check<API::TDeviceId>([](const auto& r, const Expect& x) {
            x.Str(1, r.text1); x.Int(2, r.value1); }), "GetUniqueDeviceIdV01|"),
        Query(FORMS(EnableExternalGPSInput), 2, Check<API::TExternalGPSResult>([](const auto& r, const Expect& x) {
            x.Int(1, r.value1); }), "EnableExternalGPSInputV01|"),
        Action(FORMS(DisableExternalGPSInput), "DisableExternalGPSInputV01|"),
        Action(FORMS(EnableRawGPSOutput), "EnableRawGPSOutputV01||", ""),
        Action(FORMS(DisableRawGPSOutput), "DisableRawGPSOutputV01|"),
    };
    return cases;
}
// clang-format on

bool HasFixedReply(const CommandCase& c) {
    return c.command->replyShape == OXSDK5Link::EReplyShape::Fixed;
}

/// Room for every record, marked so that any byte a retrieve writes shows.
struct RecordStorage {
    RecordStorage() { std::memset(bytes, kMark, sizeof bytes); }
    bool UntouchedFrom(std::size_t begin) const {
        for (std::size_t i = begin; i < sizeof bytes; ++i) {
            if (bytes[i] != kMark) return false;
        }
        return true;
    }
    alignas(8) char bytes[512];
};

struct Outcome {
    int result;
    API::TError error;
};

/// Retrieves a reply of `count` fields: `code`, then Text(k, longField) for field k; with
/// `count` -1, retrieves nothing from no session.
Outcome Retrieve(const CommandCase& c, int count, const char* code, RecordStorage& storage,
                 int longField) {
    std::string reply;
    for (int k = 0; k < count; ++k) reply += (k == 0 ? code : Text(k, longField)) + "|";
    ScriptedLayer layer;
    API api(layer);
    layer.QueueReply(reply);
    MOstrelSession* session = nullptr;
    if (count >= 0) {
        layer.StartSendCommand();
        session = layer.SendCommand();
    }
    Outcome outcome{0, {12345}};
    outcome.result = c.retrieve(api, session, &outcome.error, storage.bytes);
    EXPECT_EQ(0, layer.liveSessions());
    EXPECT_TRUE(count >= 0 || layer.calls().empty());
    return outcome;
}

std::ptrdiff_t CountCalls(const ScriptedLayer& layer, const std::string& slot) {
    return std::count(layer.calls().begin(), layer.calls().end(), slot);
}

TEST(CommandCallsTest, AsyncSendsTheExactTextWhateverTheLeadingIntAndNullWhenSendingFails) {
    for (const CommandCase& c : Cases()) {
        SCOPED_TRACE(c.command->name);
        for (int leading : {1, 0, -7, kMin, kMax}) {
            ScriptedLayer layer;
            API api(layer);
            MOstrelSession* session = c.async(api, leading);
            ASSERT_NE(nullptr, session);
            EXPECT_EQ(std::vector<std::string>{c.wire}, layer.sent()) << "leading " << leading;
            // One appended argument per parameter after the wire name, "|" in a text or not.
            EXPECT_EQ(1 + c.command->argumentCount, CountCalls(layer, "AppendArgument"));
            layer.StartReceiveCommand(session);
        }
        ScriptedLayer failing;
        failing.FailSends(true);
        API api(failing);
        EXPECT_EQ(nullptr, c.async(api, 1));
    }
}

// A reply of one field carries the navigator's code; a full one fills the record whatever the
// code, integers with the number in front of any letters, texts cut inside their members.
TEST(CommandCallsTest, RetrieveTakesTheFieldCountsItsCommandAllowsAndNoSession) {
    for (const CommandCase& c : Cases()) {
        if (!HasFixedReply(c)) continue;
        for (int count = -1; count <= c.fullCount + 1; ++count) {
            const bool accepted = count == 1 || count == c.fullCount;
            const bool filled = count == c.fullCount && c.full != nullptr;
            for (const char* code : {"0", "7", "-3"}) {
                for (int longField = 0; longField < (filled ? c.fullCount : 1); ++longField) {
                    SCOPED_TRACE(std::string(c.command->name) + " fields " + std::to_string(count) +
                                 " code " + code + " long field " + std::to_string(longField));
                    RecordStorage storage;
                    const Outcome outcome = Retrieve(c, count, code, storage, longField);
                    const int refused = count < 0 ? -1 : -2;
                    EXPECT_EQ(accepted ? 0 : refused, outcome.result);
                    EXPECT_EQ(accepted ? std::stoi(code) : refused, outcome.error.errorCode);
                    if (filled) c.full(storage.bytes, Expect{longField});
                    EXPECT_TRUE(storage.UntouchedFrom(filled ? c.recordSize : 0));
                }
            }
        }
    }
}

TEST(CommandCallsTest, BlockingFormSendsOnceToARunningNavigatorAndNothingOtherwise) {
    enum Scenario { kRunning, kCannotStart, kCannotSend };
    for (const CommandCase& c : Cases()) {
        // A one-field reply carries the navigator's code, except for the route coordinates,
        // which need at least two fields.
        const bool fixed = HasFixedReply(c);
        const int results[] = {0, fixed ? -1 : -2, -1};
        const int codes[] = {fixed ? 4 : -2, -5, -1};
        for (Scenario scenario : {kRunning, kCannotStart, kCannotSend}) {
            SCOPED_TRACE(std::string(c.command->name) + " scenario " + std::to_string(scenario));
            // The fake device holds no navigator that could be started, only maybe its window.
            oxsdk::navigator::ResetNavigatorState();
            oxsdk::platform::FakePlatform fake;
            oxsdk::platform::ScopedPlatform use(fake);
            if (scenario != kCannotStart) fake.SetWindow(u"AldernWinClass", 8);
            ScriptedLayer layer;
            layer.FailSends(scenario == kCannotSend);
            layer.QueueReply("4|");
            API api(layer);
            API::TError error{99};
            RecordStorage record;
            EXPECT_EQ(results[scenario], c.blocking(api, &error, record.bytes));
            EXPECT_EQ(codes[scenario], error.errorCode);
            EXPECT_EQ(scenario == kRunning ? std::vector<std::string>{c.wire}
                                           : std::vector<std::string>{},
                      layer.sent());
            EXPECT_EQ(scenario == kRunning ? 1 : 0, CountCalls(layer, "StartReceiveCommand"));
            EXPECT_TRUE(scenario == kRunning || record.UntouchedFrom(0));
            EXPECT_EQ(0, layer.liveSessions());
        }
    }
    oxsdk::navigator::ResetNavigatorState();
}

// A copy of a layer would leave two owners of one argument list.
static_assert(!std::is_copy_constructible_v<MOstrelCommunicationLayerInterface> &&
              !std::is_copy_assignable_v<MOstrelCommunicationLayerInterface> &&
              !std::is_copy_constructible_v<COstrelFileLayer>);

}  // namespace
