// What every remote command puts on the wire: the exact text its Async form sends for
// representative arguments, independent of the leading int, and what its blocking form sends
// (or does not send) depending on whether the navigator runs.
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
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

/// One command called with fixed arguments in its Async and blocking forms, and the text both
/// must send. The blocking call gets a record of the command's type where it has one.
struct WireCase {
    const TCommandDescription* command;
    std::function<MOstrelSession*(API&, int leading)> async;
    std::function<int(API&, API::TError*, void* record)> blocking;
    const char* expected;
};

template <typename Record>
Record* As(void* record) {
    return static_cast<Record*>(record);
}

// clang-format off
const std::vector<WireCase>& WireCases() {
    static const std::vector<WireCase> cases = {
        {&commands::GetApplicationVersion,
         [](API& a, int n) { return a.GetApplicationVersionAsync(n); },
         [](API& a, API::TError* e, void* r) { return a.GetApplicationVersion(e, As<API::TVersion>(r)); },
         "GetApplicationVersionV01|"},
        {&commands::FlashMessage,
         [](API& a, int n) { return a.FlashMessageAsync(n, "", kMin); },
         [](API& a, API::TError* e, void*) { return a.FlashMessage(e, "", kMin); },
         "FlashMessageV01||-2147483648|"},
        {&commands::NavigateToCoordinates,
         [](API& a, int n) { return a.NavigateToCoordinatesAsync(n, -5, 7, ""); },
         [](API& a, API::TError* e, void*) { return a.NavigateToCoordinates(e, -5, 7, ""); },
         "NavigateToCoordinatesV01|-5|7||"},
        {&commands::NavigateToFavorite,
         [](API& a, int n) { return a.NavigateToFavoriteAsync(n, 0); },
         [](API& a, API::TError* e, void*) { return a.NavigateToFavorite(e, 0); },
         "NavigateToFavoriteV01|0|"},
        {&commands::NavigateToAddress,
         [](API& a, int n) { return a.NavigateToAddressAsync(n, "Main St 1", "", "a|b", "Town"); },
         [](API& a, API::TError* e, void*) { return a.NavigateToAddress(e, "Main St 1", "", "a|b", "Town"); },
         "NavigateToAddressV01|Main St 1||a|b|Town|"},
        {&commands::NavigateToPostalCode,
         [](API& a, int n) { return a.NavigateToPostalCodeAsync(n, "1234 AB", "", "NL"); },
         [](API& a, API::TError* e, void*) { return a.NavigateToPostalCode(e, "1234 AB", "", "NL"); },
         "NavigateToPostalCodeV01|1234 AB||NL|"},
        {&commands::ShowAddressOnMap,
         [](API& a, int n) { return a.ShowAddressOnMapAsync(n, "", "x", "", "y"); },
         [](API& a, API::TError* e, void*) { return a.ShowAddressOnMap(e, "", "x", "", "y"); },
         "ShowAddressOnMapV01||x||y|"},
        {&commands::ShowPostalCodeOnMap,
         [](API& a, int n) { return a.ShowPostalCodeOnMapAsync(n, "p", "q", "r"); },
         [](API& a, API::TError* e, void*) { return a.ShowPostalCodeOnMap(e, "p", "q", "r"); },
         "ShowPostalCodeOnMapV01|p|q|r|"},
        {&commands::ShowCoordinatesOnMap,
         [](API& a, int n) { return a.ShowCoordinatesOnMapAsync(n, kMax, -1); },
         [](API& a, API::TError* e, void*) { return a.ShowCoordinatesOnMap(e, kMax, -1); },
         "ShowCoordinatesOnMapV01|2147483647|-1|"},
        {&commands::ShowRectangleOnMap,  // not normalised: the first is greater than the third
         [](API& a, int n) { return a.ShowRectangleOnMapAsync(n, 10, -20, 5, kMin); },
         [](API& a, API::TError* e, void*) { return a.ShowRectangleOnMap(e, 10, -20, 5, kMin); },
         "ShowRectangleOnMapV01|10|-20|5|-2147483648|"},
        {&commands::ChangeSetting,
         [](API& a, int n) { return a.ChangeSettingAsync(n, API::ESettingAvoidHighwaysOn); },
         [](API& a, API::TError* e, void*) { return a.ChangeSetting(e, API::ESettingAvoidHighwaysOn); },
         "ChangeSettingV01|12|"},
        {&commands::SwitchMap,
         [](API& a, int n) { return a.SwitchMapAsync(n, "Europe|East"); },
         [](API& a, API::TError* e, void*) { return a.SwitchMap(e, "Europe|East"); },
         "SwitchMapV01|Europe|East|"},
        {&commands::SetNavigatorProperty,
         [](API& a, int n) { return a.SetNavigatorPropertyAsync(n, API::EPropertyMapRotation, -90); },
         [](API& a, API::TError* e, void*) { return a.SetNavigatorProperty(e, API::EPropertyMapRotation, -90); },
         "SetNavigatorPropertyV01|3|-90|"},
        {&commands::BringNavigatorToForeground,
         [](API& a, int n) { return a.BringNavigatorToForegroundAsync(n); },
         [](API& a, API::TError* e, void*) { return a.BringNavigatorToForeground(e); },
         "BringNavigatorToForegroundV01|"},
        {&commands::SwitchToNavigatorView,
         [](API& a, int n) { return a.SwitchToNavigatorViewAsync(n); },
         [](API& a, API::TError* e, void*) { return a.SwitchToNavigatorView(e); },
         "SwitchToNavigatorViewV01|"},
        {&commands::SetRouteSummaryVisible,
         [](API& a, int n) { return a.SetRouteSummaryVisibleAsync(n, 0); },
         [](API& a, API::TError* e, void*) { return a.SetRouteSummaryVisible(e, 0); },
         "SetRouteSummaryVisibleV01|0|"},
        {&commands::ClearRoute,
         [](API& a, int n) { return a.ClearRouteAsync(n); },
         [](API& a, API::TError* e, void*) { return a.ClearRoute(e); },
         "ClearRouteV01|"},
        {&commands::ClearFavorite,
         [](API& a, int n) { return a.ClearFavoriteAsync(n, -1); },
         [](API& a, API::TError* e, void*) { return a.ClearFavorite(e, -1); },
         "ClearFavoriteV01|-1|"},
        {&commands::SetFavorite,
         [](API& a, int n) { return a.SetFavoriteAsync(n, 0, "A", "B", -1, 2); },
         [](API& a, API::TError* e, void*) { return a.SetFavorite(e, 0, "A", "B", -1, 2); },
         "SetFavoriteV01|0|A|B|-1|2|"},
        {&commands::GetFavorite,
         [](API& a, int n) { return a.GetFavoriteAsync(n, kMin); },
         [](API& a, API::TError* e, void* r) { return a.GetFavorite(e, As<API::TFavoriteInfo>(r), kMin); },
         "GetFavoriteV01|-2147483648|"},
        {&commands::MakePoiVisible,
         [](API& a, int n) { return a.MakePoiVisibleAsync(n, API::EPoiSpeedCamera, 0); },
         [](API& a, API::TError* e, void*) { return a.MakePoiVisible(e, API::EPoiSpeedCamera, 0); },
         "MakePoiVisibleV01|9|0|"},
        {&commands::AddPoi,
         [](API& a, int n) { return a.AddPoiAsync(n, "", -3, 4, "t|1", ""); },
         [](API& a, API::TError* e, void*) { return a.AddPoi(e, "", -3, 4, "t|1", ""); },
         "AddPoiV01||-3|4|t|1||"},
        {&commands::DeleteClosestPoi,
         [](API& a, int n) { return a.DeleteClosestPoiAsync(n, "set", 0, kMin); },
         [](API& a, API::TError* e, void*) { return a.DeleteClosestPoi(e, "set", 0, kMin); },
         "DeleteClosestPoiV01|set|0|-2147483648|"},
        {&commands::DeleteAllPoi,
         [](API& a, int n) { return a.DeleteAllPoiAsync(n, ""); },
         [](API& a, API::TError* e, void*) { return a.DeleteAllPoi(e, ""); },
         "DeleteAllPoiV01||"},
        {&commands::MakeUserPoiVisible,
         [](API& a, int n) { return a.MakeUserPoiVisibleAsync(n, "my|set", -1); },
         [](API& a, API::TError* e, void*) { return a.MakeUserPoiVisible(e, "my|set", -1); },
         "MakeUserPoiVisibleV01|my|set|-1|"},
        {&commands::MoveClosestPoi,  // not compared or swapped
         [](API& a, int n) { return a.MoveClosestPoiAsync(n, "s", 4, 3, -2, 1); },
         [](API& a, API::TError* e, void*) { return a.MoveClosestPoi(e, "s", 4, 3, -2, 1); },
         "MoveClosestPoiV01|s|4|3|-2|1|"},
        {&commands::GetCurrentPosition,
         [](API& a, int n) { return a.GetCurrentPositionAsync(n); },
         [](API& a, API::TError* e, void* r) { return a.GetCurrentPosition(e, As<API::TCurrentPositionInfo>(r)); },
         "GetCurrentPositionV01|"},
        {&commands::GetLocationInfo,
         [](API& a, int n) { return a.GetLocationInfoAsync(n, -5, 0); },
         [](API& a, API::TError* e, void* r) { return a.GetLocationInfo(e, As<API::TLocationInfo>(r), -5, 0); },
         "GetLocationInfoV01|-5|0|"},
        {&commands::GetLocationInfoEx,
         [](API& a, int n) { return a.GetLocationInfoExAsync(n, kMin, kMax); },
         [](API& a, API::TError* e, void* r) { return a.GetLocationInfoEx(e, As<API::TLocationInfoEx>(r), kMin, kMax); },
         "GetLocationInfoExV01|-2147483648|2147483647|"},
        {&commands::GetRouteInfo,
         [](API& a, int n) { return a.GetRouteInfoAsync(n); },
         [](API& a, API::TError* e, void* r) { return a.GetRouteInfo(e, As<API::TRouteInfo>(r)); },
         "GetRouteInfoV01|"},
        {&commands::GetRouteCoordinates,
         [](API& a, int n) { return a.GetRouteCoordinatesAsync(n); },
         [](API& a, API::TError* e, void* r) { return a.GetRouteCoordinates(e, As<API::TRouteCoordinates>(r)); },
         "GetRouteCoordinatesV01|"},
        {&commands::Geocode,
         [](API& a, int n) { return a.GeocodeAsync(n, "a", "", "c"); },
         [](API& a, API::TError* e, void* r) { return a.Geocode(e, As<API::TGeocodeResult>(r), "a", "", "c"); },
         "GeocodeV01|a||c|"},
        {&commands::GeocodeExtended,
         [](API& a, int n) { return a.GeocodeExtendedAsync(n, "1", "2", "3", "4"); },
         [](API& a, API::TError* e, void* r) { return a.GeocodeExtended(e, As<API::TGeocodeResult>(r), "1", "2", "3", "4"); },
         "GeocodeExtendedV01|1|2|3|4|"},
        {&commands::GeocodeByPostalCode,  // the one wire name without the version suffix
         [](API& a, int n) { return a.GeocodeByPostalCodeAsync(n, "", "", ""); },
         [](API& a, API::TError* e, void* r) { return a.GeocodeByPostalCode(e, As<API::TGeocodeResult>(r), "", "", ""); },
         "GeocodeByPostalCode||||"},
        {&commands::GetDataSetInfo,
         [](API& a, int n) { return a.GetDataSetInfoAsync(n); },
         [](API& a, API::TError* e, void* r) { return a.GetDataSetInfo(e, As<API::TDataSetInfo>(r)); },
         "GetDataSetInfoV01|"},
        {&commands::GetUniqueDeviceId,
         [](API& a, int n) { return a.GetUniqueDeviceIdAsync(n); },
         [](API& a, API::TError* e, void* r) { return a.GetUniqueDeviceId(e, As<API::TDeviceId>(r)); },
         "GetUniqueDeviceIdV01|"},
        {&commands::EnableExternalGPSInput,
         [](API& a, int n) { return a.EnableExternalGPSInputAsync(n); },
         [](API& a, API::TError* e, void* r) { return a.EnableExternalGPSInput(e, As<API::TExternalGPSResult>(r)); },
         "EnableExternalGPSInputV01|"},
        {&commands::DisableExternalGPSInput,
         [](API& a, int n) { return a.DisableExternalGPSInputAsync(n); },
         [](API& a, API::TError* e, void*) { return a.DisableExternalGPSInput(e); },
         "DisableExternalGPSInputV01|"},
        {&commands::EnableRawGPSOutput,
         [](API& a, int n) { return a.EnableRawGPSOutputAsync(n, ""); },
         [](API& a, API::TError* e, void*) { return a.EnableRawGPSOutput(e, ""); },
         "EnableRawGPSOutputV01||"},
        {&commands::DisableRawGPSOutput,
         [](API& a, int n) { return a.DisableRawGPSOutputAsync(n); },
         [](API& a, API::TError* e, void*) { return a.DisableRawGPSOutput(e); },
         "DisableRawGPSOutputV01|"},
    };
    return cases;
}
// clang-format on

/// Frees a session the test does not retrieve through the API.
void Release(ScriptedLayer& layer, MOstrelSession* session) {
    layer.StartReceiveCommand(session);
}

int CountCalls(const ScriptedLayer& layer, const std::string& slot) {
    int count = 0;
    for (const std::string& call : layer.calls()) count += call == slot ? 1 : 0;
    return count;
}

TEST(CommandWireTest, EveryCommandButStopApplicationHasACase) {
    // StopApplication's forms belong to navigator control and are tested there.
    for (const TCommandDescription* command : commands::kAll) {
        if (command == &commands::StopApplication) continue;
        int found = 0;
        for (const WireCase& c : WireCases()) found += c.command == command ? 1 : 0;
        EXPECT_EQ(1, found) << command->name;
    }
}

TEST(CommandWireTest, AsyncSendsTheExactTextWhateverTheLeadingInt) {
    for (const WireCase& c : WireCases()) {
        for (int leading : {1, 0, -7, kMin, kMax}) {
            ScriptedLayer layer;
            API api(layer);
            MOstrelSession* session = c.async(api, leading);
            ASSERT_NE(nullptr, session) << c.command->name;
            ASSERT_EQ(1u, layer.sent().size()) << c.command->name;
            EXPECT_EQ(c.expected, layer.sent()[0]) << c.command->name << " leading " << leading;
            // One appended argument per parameter after the wire name, "|" in a text or not.
            EXPECT_EQ(1 + c.command->argumentCount, CountCalls(layer, "AppendArgument"))
                << c.command->name;
            EXPECT_EQ("StartSendCommand", layer.calls().front()) << c.command->name;
            EXPECT_EQ("SendCommand", layer.calls().back()) << c.command->name;
            Release(layer, session);
        }
    }
}

TEST(CommandWireTest, AsyncReturnsNullWhenTheLayerCannotSend) {
    for (const WireCase& c : WireCases()) {
        ScriptedLayer layer;
        layer.FailSends(true);
        API api(layer);
        EXPECT_EQ(nullptr, c.async(api, 1)) << c.command->name;
    }
}

/// The blocking forms over the fake platform, on which the navigator's window can be shown or
/// not, and an empty device on which no navigator can be found to start.
class CommandBlockingFormTest : public ::testing::Test {
protected:
    CommandBlockingFormTest() : use(fake) { oxsdk::navigator::ResetNavigatorState(); }
    ~CommandBlockingFormTest() override { oxsdk::navigator::ResetNavigatorState(); }

    void ShowNavigator() { fake.SetWindow(u"AldernWinClass", 8); }
    void MarkRecord() { std::memset(record, 0x5A, sizeof record); }
    bool RecordUntouched() const {
        for (unsigned char byte : record) {
            if (byte != 0x5A) return false;
        }
        return true;
    }

    oxsdk::platform::FakePlatform fake;
    oxsdk::platform::ScopedPlatform use;
    alignas(8) unsigned char record[512];
};

TEST_F(CommandBlockingFormTest, RunningNavigatorGetsExactlyOneCommandAndTheRetrieveResult) {
    ShowNavigator();
    for (const WireCase& c : WireCases()) {
        ScriptedLayer layer;
        API api(layer);
        layer.QueueReply("4|");
        API::TError error{99};
        const int result = c.blocking(api, &error, record);
        ASSERT_EQ(1u, layer.sent().size()) << c.command->name;
        EXPECT_EQ(c.expected, layer.sent()[0]) << c.command->name;
        EXPECT_EQ(0, result) << c.command->name;
        // A one-field reply carries the navigator's code, except for the route coordinates,
        // which need at least two fields.
        const int expectedCode = c.command == &commands::GetRouteCoordinates ? -2 : 4;
        EXPECT_EQ(expectedCode, error.errorCode) << c.command->name;
        EXPECT_EQ(0, layer.liveSessions()) << c.command->name;
    }
}

TEST_F(CommandBlockingFormTest, NavigatorThatCannotBeStartedGetsNoCommand) {
    for (const WireCase& c : WireCases()) {
        ScriptedLayer layer;
        API api(layer);
        API::TError error{99};
        MarkRecord();
        const int result = c.blocking(api, &error, record);
        EXPECT_TRUE(RecordUntouched()) << c.command->name;
        const int expected = c.command == &commands::GetRouteCoordinates ? -2 : -1;
        EXPECT_EQ(expected, result) << c.command->name;
        EXPECT_EQ(-5, error.errorCode) << c.command->name;
        EXPECT_TRUE(layer.sent().empty()) << c.command->name;
    }
}

TEST_F(CommandBlockingFormTest, CommandThatCannotBeSentGivesMinusOne) {
    ShowNavigator();
    for (const WireCase& c : WireCases()) {
        ScriptedLayer layer;
        layer.FailSends(true);
        API api(layer);
        API::TError error{99};
        MarkRecord();
        EXPECT_EQ(-1, c.blocking(api, &error, record)) << c.command->name;
        EXPECT_TRUE(RecordUntouched()) << c.command->name;
        EXPECT_EQ(-1, error.errorCode) << c.command->name;
        EXPECT_EQ(0, CountCalls(layer, "StartReceiveCommand")) << c.command->name;
    }
}

}  // namespace
