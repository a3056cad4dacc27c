// Favourites and POI sets in their files: they survive a new store, the closest point is
// closest in metres, no temporary file stays, and broken files or folders are reported.
#include "user_data_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "navigator_fixture.h"
#include "nmea.h"
#include "scenario.h"

namespace oxsdk::emulator::testing {
namespace {

TEST(UserDataStore, FavouritesAndPoiSetsSurviveANewStore) {
    CTemporaryFolder folder;
    const std::string data = folder.path() + "/a/b";
    {
        CUserDataStore store(data);
        std::string error;
        ASSERT_TRUE(store.Load(&error));  // no files yet
        ASSERT_TRUE(store.SetFavorite(5, {"Home", "Dam 1 \xC3\xA9", 52373080, 4892453}));
        ASSERT_TRUE(store.SetFavorite(0, {"Work", "", -1, 2}));
        ASSERT_TRUE(store.ClearFavorite(0));
        ASSERT_TRUE(store.AddPoi("Cafes", {"Cafe", "Corner", 52370000, 4890000}));
        ASSERT_TRUE(store.SetPoiSetVisible("Cafes", false));
    }
    CUserDataStore reopened(data);
    std::string error;
    ASSERT_TRUE(reopened.Load(&error)) << error;
    ASSERT_EQ(reopened.favorites().size(), 1u);
    EXPECT_EQ(reopened.favorite(5)->description, "Dam 1 \xC3\xA9");
    ASSERT_NE(reopened.poiSet("Cafes"), nullptr);
    EXPECT_FALSE(reopened.poiSet("Cafes")->visible);
    EXPECT_EQ(reopened.poiSet("Cafes")->points.at(0).name, "Cafe");
    for (const auto& entry : std::filesystem::directory_iterator(data)) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

TEST(UserDataStore, ClosestPoiIsClosestInMetresNotInDegrees) {
    CTemporaryFolder folder;
    CUserDataStore store(folder.path());
    // At 60 degrees north a degree of longitude is half as long as one of latitude.
    store.AddPoi("Set", {"North", "", 60600000, 10000000});  // 0.6 degrees, about 67 km
    store.AddPoi("Set", {"East", "", 60000000, 10900000});   // 0.9 degrees, about 50 km
    EXPECT_EQ(store.ClosestPoi("Set", {60.0, 10.0}), 1);
    EXPECT_EQ(store.ClosestPoi("Other", {60.0, 10.0}), -1);
    ASSERT_TRUE(store.DeletePoi("Set", 1));
    ASSERT_TRUE(store.DeletePoi("Set", 0));
    EXPECT_EQ(store.ClosestPoi("Set", {60.0, 10.0}), -1);
}

TEST(UserDataStore, BrokenFilesAndUnwritableFoldersAreReported) {
    CTemporaryFolder folder;
    { std::ofstream(folder.path() + "/favorites.json") << "{\"favorites\": [ {\"index\": "; }
    CUserDataStore store(folder.path());
    std::string error;
    EXPECT_FALSE(store.Load(&error));
    EXPECT_NE(error.find("favorites.json"), std::string::npos);

    CUserDataStore unwritable("/proc/oxsdk-no-such-folder");
    EXPECT_FALSE(unwritable.SetFavorite(1, {"A", "B", 0, 0}));
    EXPECT_TRUE(unwritable.favorite(1).has_value());  // kept in memory
}

TEST(Nmea, SentencesCarryPositionTimeAndChecksum) {
    EXPECT_EQ(NmeaChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), "47");
    const double time = 1780000000.0 + 0.5;  // 2026-05-28 20:26:40.50 UTC
    const std::string gga = FormatGga({52.5, -0.1278}, time);
    EXPECT_EQ(gga.substr(0, 44), "$GPGGA,202640.50,5230.0000,N,00007.6680,W,1,");
    const std::string rmc = FormatRmc({-33.8688, 151.2093}, time, 92.6, 45.0);
    EXPECT_NE(rmc.find(",A,3352.1280,S,15112.5580,E,50.0,45.0,280526,"), std::string::npos) << rmc;
    for (const std::string& sentence : {gga, rmc}) {
        const std::size_t star = sentence.find('*');
        EXPECT_EQ(sentence.substr(star + 1), NmeaChecksum(sentence.substr(1, star - 1)));
    }
}

TEST(Scenario, ParsesEveryKeyAndRejectsMistakes) {
    TScenario scenario;
    std::string error;
    ASSERT_TRUE(ParseScenario(R"({"position": {"latitude": 51.5, "longitude": -0.12},
        "destination": {"place": "Utrecht", "country": "NL"}, "timeScale": 10,
        "simulationSpeed": 120, "map": "Benelux", "deviceId": "DEV-1"})",
                              &scenario, &error))
        << error;
    EXPECT_DOUBLE_EQ(scenario.position->point->longitude, -0.12);
    EXPECT_EQ(*scenario.timeScale, 10.0);
    EXPECT_EQ(*scenario.simulationSpeed, 120);
    const CGeocoder geocoder(ShippedGazetteer());
    TGeoPoint point;
    ASSERT_TRUE(ResolveLocation(*scenario.destination, geocoder, &point, &error));
    EXPECT_NEAR(point.latitude, 52.0907, 1e-9);
    ASSERT_TRUE(ResolveLocation({std::nullopt, "", "75001", "FR"}, geocoder, &point, &error));
    EXPECT_NEAR(point.longitude, 2.3522, 1e-9);
    EXPECT_FALSE(ResolveLocation({std::nullopt, "Atlantis", "", ""}, geocoder, &point, &error));

    for (const char* bad : {"[1]", "{\"speed\": 3}", "{\"timeScale\": -1}",
                            "{\"position\": {\"latitude\": 99, \"longitude\": 0}}",
                            "{\"position\": {}}", "{\"deviceId\": \"\"}", "{"}) {
        TScenario rejected;
        EXPECT_FALSE(ParseScenario(bad, &rejected, &error)) << bad;
    }
}

}  // namespace
}  // namespace oxsdk::emulator::testing
