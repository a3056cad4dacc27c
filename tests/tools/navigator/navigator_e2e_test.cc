// End to end: the real oxsdk-navigator on a temporary emulated device, driven through the
// library's file layer and COstrelAPI as an application would. Every wait has a bound of tens
// of seconds, and every process started here is killed and reaped, also when a check fails.
#include <signal.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "emulator_process.h"
#include "sample_commands.h"

namespace oxsdk::emulator::testing {
namespace {

using OXSDK5Link::EReplyShape;
using OXSDK5Link::TCommandDescription;
namespace catalogue = OXSDK5Link::commands;

constexpr double kBound = 30.0;  // seconds for any reply or process event
constexpr const char* kNavigatorName = "OstrelNavigator";

double DistanceMetres(std::int32_t lat1, std::int32_t lon1, std::int32_t lat2, std::int32_t lon2) {
    const double radians = 3.14159265358979323846 / 180.0 / 1e6;
    const double dLat = (lat2 - lat1) * radians, dLon = (lon2 - lon1) * radians;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * radians) * std::cos(lat2 * radians) * std::sin(dLon / 2) *
                         std::sin(dLon / 2);
    return 2.0 * 6371008.8 * std::atan2(std::sqrt(a), std::sqrt(1.0 - a));
}

class EmulatorEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(device_.root().empty());
        layer_.reset(COstrelFileLayer::New("E2eClient", kNavigatorName, -1));
        ASSERT_NE(layer_, nullptr);
        api_ = std::make_unique<COstrelAPI>(*layer_);
    }
    void TearDown() override {
        emulator_.Kill();
        KillRegisteredEmulator(device_.root());
        if (HasFailure()) PrintLog();
    }

    void PrintLog() {
        std::ifstream log(device_.root() + "/navigator.log");
        std::cerr << "navigator log:\n" << log.rdbuf() << "\n";
    }

    // Waits, bounded, until the reply to `session` is there; the retrieve after it cannot hang.
    bool Await(MOstrelSession* session) {
        return session != nullptr &&
               WaitUntil(kBound, [&] { return layer_->ReturnAvailable(session) != 0; });
    }

    // Sends a command by its wire fields and returns the reply's fields (empty: no reply).
    std::vector<std::string> Exchange(const std::string& wireName,
                                      const std::vector<std::string>& arguments) {
        layer_->StartSendCommand();
        layer_->AppendArgument(wireName.c_str());
        for (const std::string& argument : arguments) layer_->AppendArgument(argument.c_str());
        MOstrelSession* session = layer_->SendCommand();
        if (!Await(session)) return {};
        layer_->StartReceiveCommand(session);
        std::vector<std::string> fields;
        for (int i = 0; i < layer_->NrReceiveFields(); ++i)
            fields.push_back(layer_->ReceiveField(i));
        return fields;
    }

    // Runs an Async form and its retrieve with a bounded wait in between.
    template <typename Send, typename Retrieve>
    int Call(Send send, Retrieve retrieve) {
        MOstrelSession* session = send();
        if (!Await(session)) return -100;
        return retrieve(session);
    }

    COstrelAPI::TCurrentPositionInfo Position() {
        COstrelAPI::TCurrentPositionInfo position{};
        COstrelAPI::TError error{};
        EXPECT_EQ(Call([&] { return api_->GetCurrentPositionAsync(1); },
                       [&](MOstrelSession* s) {
                           return api_->GetCurrentPositionAsyncRetrieve(s, &error, &position);
                       }),
                  0);
        EXPECT_EQ(error.errorCode, 0);
        return position;
    }

    int Navigate(std::int32_t latitude, std::int32_t longitude) {
        COstrelAPI::TError error{};
        EXPECT_EQ(
            Call([&] { return api_->NavigateToCoordinatesAsync(1, latitude, longitude, "x"); },
                 [&](MOstrelSession* s) {
                     return api_->NavigateToCoordinatesAsyncRetrieve(s, &error);
                 }),
            0);
        return error.errorCode;
    }

    CTemporaryDevice device_;
    CEmulatorProcess emulator_;
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer_;
    std::unique_ptr<COstrelAPI> api_;
};

TEST_F(EmulatorEndToEnd, EveryWireNameGetsAnAcceptedReplyAndTheStopLeavesNothingBehind) {
    ASSERT_TRUE(emulator_.Start(device_.root()));
    ASSERT_EQ(Exchange("SetFavoriteV01", {"1", "Office", "", "52090700", "5121400"}).at(0), "0");
    ASSERT_EQ(Exchange("AddPoiV01", {"Cafes", "52370000", "4890000", "Cafe", ""}).at(0), "0");
    EXPECT_EQ(Exchange("NoSuchCommandV01", {}), std::vector<std::string>{"1"});
    EXPECT_EQ(Exchange("GetRouteInfoV01", {"surplus"}), std::vector<std::string>{"2"});
    for (const TCommandDescription* command : catalogue::kAll) {
        // The state every sample needs: favourite 1, a point in "Cafes", a route.
        Exchange("SetFavoriteV01", {"1", "Office", "", "52090700", "5121400"});
        Exchange("AddPoiV01", {"Cafes", "52370000", "4890000", "Cafe", ""});
        Exchange("NavigateToCoordinatesV01", {"52090700", "5121400", "Utrecht"});
        const std::vector<std::string> reply =
            Exchange(command->wireName, kSampleArguments.at(command->wireName));
        ASSERT_FALSE(reply.empty()) << command->wireName << ": no reply";
        EXPECT_EQ(reply[0], "0") << command->wireName;
        if (command->replyShape == EReplyShape::Fixed) {
            EXPECT_EQ(static_cast<int>(reply.size()), 1 + command->replyFieldCount)
                << command->wireName;
        } else {
            ASSERT_GE(reply.size(), 2u);
            EXPECT_EQ(reply.size(), 2 + 2 * std::stoul(reply[1])) << command->wireName;
        }
    }
    int status = -1;
    ASSERT_TRUE(emulator_.WaitForExit(kBound, &status)) << "still running after the stop";
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(NavigatorWindowExists());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(device_.root())) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

TEST_F(EmulatorEndToEnd, FavouritesSurviveARestart) {
    ASSERT_TRUE(emulator_.Start(device_.root()));
    COstrelAPI::TError error{};
    ASSERT_EQ(Call([&] { return api_->SetFavoriteAsync(1, 4, "Home", "Dam 1", 52373080, 4892453); },
                   [&](MOstrelSession* s) { return api_->SetFavoriteAsyncRetrieve(s, &error); }),
              0);
    ASSERT_EQ(error.errorCode, 0);
    emulator_.Signal(SIGTERM);
    int status = -1;
    ASSERT_TRUE(emulator_.WaitForExit(kBound, &status));
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(NavigatorWindowExists());

    ASSERT_TRUE(emulator_.Start(device_.root()));
    COstrelAPI::TFavoriteInfo favorite{};
    ASSERT_EQ(Call([&] { return api_->GetFavoriteAsync(1, 4); },
                   [&](MOstrelSession* s) {
                       return api_->GetFavoriteAsyncRetrieve(s, &error, &favorite);
                   }),
              0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_STREQ(favorite.text1, "Home");
    EXPECT_STREQ(favorite.text2, "Dam 1");
    EXPECT_EQ(favorite.value1, 52373080);
    EXPECT_EQ(favorite.value2, 4892453);
}

TEST_F(EmulatorEndToEnd, RouteRunsFromTheCurrentPositionToTheDestination) {
    ASSERT_TRUE(emulator_.Start(device_.root(), {"--time-scale", "0"}));
    const COstrelAPI::TCurrentPositionInfo position = Position();
    ASSERT_EQ(Navigate(48856600, 2352200), 0);  // Paris
    COstrelAPI::TRouteCoordinates route{};
    COstrelAPI::TError error{};
    ASSERT_EQ(Call([&] { return api_->GetRouteCoordinatesAsync(1); },
                   [&](MOstrelSession* s) {
                       return api_->GetRouteCoordinatesAsyncRetrieve(s, &error, &route);
                   }),
              0);
    ASSERT_EQ(error.errorCode, 0);
    ASSERT_NE(route.coordinates, nullptr);
    EXPECT_GT(route.count, 2000);  // about 430 km in steps of 100-200 m
    const COstrelAPI::TRouteCoordinatePair first = route.coordinates[0];
    const COstrelAPI::TRouteCoordinatePair last = route.coordinates[route.count - 1];
    std::free(route.coordinates);
    EXPECT_LT(DistanceMetres(first.first, first.second, position.value1, position.value2), 50.0);
    EXPECT_LT(DistanceMetres(last.first, last.second, 48856600, 2352200), 50.0);
}

TEST_F(EmulatorEndToEnd, PositionMovesWhileNavigating) {
    ASSERT_TRUE(emulator_.Start(device_.root(), {"--time-scale", "60"}));
    const COstrelAPI::TCurrentPositionInfo start = Position();
    ASSERT_EQ(Navigate(52090700, 5121400), 0);
    EXPECT_TRUE(WaitUntil(kBound, [&] {
        const COstrelAPI::TCurrentPositionInfo now = Position();
        return DistanceMetres(start.value1, start.value2, now.value1, now.value2) > 100.0;
    }));
    const COstrelAPI::TCurrentPositionInfo moving = Position();
    EXPECT_GT(moving.value4, 0);  // km/h
    COstrelAPI::TRouteInfo info{};
    COstrelAPI::TError error{};
    ASSERT_EQ(
        Call([&] { return api_->GetRouteInfoAsync(1); },
             [&](MOstrelSession* s) { return api_->GetRouteInfoAsyncRetrieve(s, &error, &info); }),
        0);
    EXPECT_GT(info.value5, 100);                        // travelled
    EXPECT_EQ(info.value3 + info.value5, info.value1);  // remaining + travelled = length
}

TEST_F(EmulatorEndToEnd, UnknownPlacesGiveANonZeroErrorCode) {
    ASSERT_TRUE(emulator_.Start(device_.root()));
    COstrelAPI::TGeocodeResult result{};
    COstrelAPI::TError error{};
    ASSERT_EQ(
        Call([&] { return api_->GeocodeAsync(1, "Main Street 1", "Atlantis", ""); },
             [&](MOstrelSession* s) { return api_->GeocodeAsyncRetrieve(s, &error, &result); }),
        0);
    EXPECT_EQ(error.errorCode, 3);
    ASSERT_EQ(
        Call([&] { return api_->NavigateToPostalCodeAsync(1, "ZZ99", "", ""); },
             [&](MOstrelSession* s) { return api_->NavigateToPostalCodeAsyncRetrieve(s, &error); }),
        0);
    EXPECT_EQ(error.errorCode, 3);
}

TEST_F(EmulatorEndToEnd, StartApplicationStartsTheInstalledEmulatorAndStopApplicationEndsIt) {
    const std::filesystem::path folder = device_.root() + "/Program Files/Ostrel";
    std::filesystem::create_directories(folder);
    {
        std::ofstream launcher(folder / "Ostrel Navigator.exe");
        launcher << "#!/bin/sh\nexec '" << OXSDK_NAVIGATOR_PATH << "' --gazetteer '"
                 << OXSDK_NAVIGATOR_DATA << "' --log '" << device_.root() << "/navigator.log'\n";
    }
    std::filesystem::permissions(folder / "Ostrel Navigator.exe",
                                 std::filesystem::perms::owner_all);
    COstrelAPI::TError error{};
    ASSERT_EQ(api_->StartApplication(&error), 0);
    ASSERT_EQ(error.errorCode, 0);
    EXPECT_TRUE(NavigatorWindowExists());
    COstrelAPI::TVersion version{};
    ASSERT_EQ(Call([&] { return api_->GetApplicationVersionAsync(1); },
                   [&](MOstrelSession* s) {
                       return api_->GetApplicationVersionAsyncRetrieve(s, &error, &version);
                   }),
              0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_STREQ(version.versionText, "5.2.0-emu");
    EXPECT_EQ(api_->StopApplication(&error), 0);
    EXPECT_EQ(error.errorCode, -5);  // the window went during the stop's wait
    EXPECT_FALSE(NavigatorWindowExists());
}

}  // namespace
}  // namespace oxsdk::emulator::testing
