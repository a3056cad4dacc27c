// Favourites and POI sets in their files: they survive a new store, the closest point is
// closest in metres, no temporary file stays, and broken files or folders are reported. The
// emulator's own files under hostile hosts: symbolic links, FIFOs and folders planted at their
// names are neither followed nor waited for, what is created is private whatever the umask, and
// an input file that is a FIFO or too large is refused at once.
#include "user_data_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>

#include "gazetteer.h"
#include "log.h"
#include "navigator_fixture.h"
#include "nmea.h"
#include "scenario.h"

namespace oxsdk::emulator::testing {
namespace {

TEST(UserDataStore, FavouritesAndPoiSetsSurviveANewStore) {
    CTemporaryFolder folder;
    const std::string data = folder.path() + "/a/b";
    {
        CUserDataStore store(folder.path(), "a/b");
        std::string error;
        ASSERT_TRUE(store.Load(&error));  // no files yet
        ASSERT_TRUE(store.SetFavorite(5, {"Home", "Dam 1 \xC3\xA9", 52373080, 4892453}));
        ASSERT_TRUE(store.SetFavorite(0, {"Work", "", -1, 2}));
        ASSERT_TRUE(store.ClearFavorite(0));
        ASSERT_TRUE(store.AddPoi("Cafes", {"Cafe", "Corner", 52370000, 4890000}));
        ASSERT_TRUE(store.SetPoiSetVisible("Cafes", false));
    }
    CUserDataStore reopened(folder.path(), "a/b");
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
    CUserDataStore store(folder.path(), "");
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
    // Cut short, and numbers that no conversion may take: 1e300, beyond 64 bits.
    const std::string favorite = R"({"favorites": [{"name": "A", "description": "", )";
    for (const std::string& broken :
         {std::string(R"({"favorites": [ {"index": )"),
          favorite + R"("index": 1e300, "latitude": 0, "longitude": 0}]})",
          favorite + R"("index": 1, "latitude": 18446744073709551615, "longitude": 0}]})"}) {
        { std::ofstream(folder.path() + "/favorites.json") << broken; }
        CUserDataStore store(folder.path(), "");
        std::string error;
        EXPECT_FALSE(store.Load(&error)) << broken;
        EXPECT_NE(error.find("favorites.json"), std::string::npos) << broken;
        EXPECT_TRUE(store.favorites().empty()) << broken;
    }

    CUserDataStore unwritable("/proc", "oxsdk-no-such-folder");
    EXPECT_FALSE(unwritable.SetFavorite(1, {"A", "B", 0, 0}));
    EXPECT_TRUE(unwritable.favorite(1).has_value());  // kept in memory
}

// A file outside the emulator's folders, to show that it is neither read nor changed.
struct TOutsideFile {
    std::string path;
    std::string content;
    mode_t mode = 0;

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    explicit TOutsideFile(const std::string& where) : path(where) {
        std::ofstream(path) << R"({"favorites": [{"index": 1, "name": "Outside", )"
                            << R"("description": "", "latitude": 1, "longitude": 2}]})";
        ::chmod(path.c_str(), 0444);
        struct stat status {};
        ::stat(path.c_str(), &status);
        mode = status.st_mode;
        content = Read(path);
    }
    void ExpectUnchanged(const std::string& label) const {
        struct stat status {};
        ASSERT_EQ(::lstat(path.c_str(), &status), 0) << label;
        EXPECT_EQ(status.st_mode, mode) << label;
        EXPECT_EQ(Read(path), content) << label;
    }
};

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode : 0;
}

// Sets the umask for a scope, so that modes show what the emulator asked for.
struct TUmask {
    mode_t saved;
    explicit TUmask(mode_t mask) : saved(::umask(mask)) {}
    ~TUmask() { ::umask(saved); }
};

TEST(HostileHost, DataFilesAreNeitherReadNorWrittenThroughLinks) {
    const struct {
        const char* label;
        const char* link;  // below the device, to the file outside (or to its folder)
        bool toFolder;     // then nothing can be written
    } cases[] = {
        {"link at the temporary name", "/Ostrel/NavigatorData/favorites.json.tmp", false},
        {"link at the file's name", "/Ostrel/NavigatorData/favorites.json", false},
        {"data folder is a link", "/Ostrel/NavigatorData", true},
    };
    for (const auto& test : cases) {
        CTemporaryFolder device, elsewhere;
        const TOutsideFile outside(elsewhere.path() + "/favorites.json");
        const std::filesystem::path link = device.path() + test.link;
        std::filesystem::create_directories(link.parent_path());
        std::filesystem::create_symlink(test.toFolder ? elsewhere.path() : outside.path, link);
        CUserDataStore store(device.path(), "Ostrel/NavigatorData");
        std::string error;
        store.Load(&error);
        EXPECT_FALSE(store.favorite(1).has_value()) << test.label << ": read through the link";
        EXPECT_EQ(store.SetFavorite(2, {"Home", "", 3, 4}), !test.toFolder) << test.label;
        outside.ExpectUnchanged(test.label);
        const std::filesystem::directory_iterator entries(elsewhere.path());
        EXPECT_EQ(std::distance(begin(entries), end(entries)), 1)
            << test.label << ": a file was added outside";
        if (!test.toFolder) {
            EXPECT_TRUE(S_ISREG(ModeOf(device.path() + "/Ostrel/NavigatorData/favorites.json")))
                << test.label;
        }
    }
}

TEST(HostileHost, OutputFilesMustBeRegularFilesAndAreNeverWaitedFor) {
    enum EPlanted { kLinkOutside, kFifoWithReader, kFifo, kFolder, kLinkToDevice };
    const char* const labels[] = {"link to a file outside", "FIFO with a reader",
                                  "FIFO without a reader", "folder", "link to a device"};
    for (const EPlanted planted : {kLinkOutside, kFifoWithReader, kFifo, kFolder, kLinkToDevice}) {
        CTemporaryFolder device, elsewhere;
        const TOutsideFile outside(elsewhere.path() + "/target");
        const std::string name = device.path() + "/Temp/out", label = labels[planted];
        std::filesystem::create_directory(device.path() + "/Temp");
        if (planted == kLinkOutside) std::filesystem::create_symlink(outside.path, name);
        if (planted == kLinkToDevice) std::filesystem::create_symlink("/dev/null", name);
        if (planted == kFolder) std::filesystem::create_directory(name);
        if (planted == kFifo || planted == kFifoWithReader) ::mkfifo(name.c_str(), 0600);
        const int reader = planted != kFifoWithReader
                               ? -1
                               : ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        CNmeaOutput nmea;
        EXPECT_FALSE(nmea.Open(device.path(), "Temp/out")) << label;
        CLog log;
        EXPECT_FALSE(log.OpenFile(name)) << label;
        outside.ExpectUnchanged(label);
        if (reader >= 0) ::close(reader);
    }
}

TEST(HostileHost, FilesAndFoldersAreCreatedPrivateWhateverTheUmask) {
    const TUmask open(0);
    CTemporaryFolder device;
    CUserDataStore store(device.path(), "Ostrel/NavigatorData");
    ASSERT_TRUE(store.SetFavorite(1, {"Home", "", 1, 2}));
    ASSERT_TRUE(store.AddPoi("Set", {"Cafe", "", 1, 2}));
    CNmeaOutput nmea;
    ASSERT_TRUE(nmea.Open(device.path(), "GPS/out.nmea"));
    CLog log;
    ASSERT_TRUE(log.OpenFile(device.path() + "/navigator.log"));
    for (const char* file :
         {"/Ostrel/NavigatorData/favorites.json", "/Ostrel/NavigatorData/poi-sets.json",
          "/GPS/out.nmea", "/navigator.log"}) {
        EXPECT_EQ(ModeOf(device.path() + file) & 0777, 0600u) << file;
    }
    for (const char* folder : {"/Ostrel", "/Ostrel/NavigatorData", "/GPS"}) {
        EXPECT_EQ(ModeOf(device.path() + folder) & 0777, 0700u) << folder;
    }
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

TEST(HostileHost, InputFilesThatAreFifosOrOversizedAreRefusedAtOnce) {
    CTemporaryFolder folder;
    const std::string fifo = folder.path() + "/fifo", big = folder.path() + "/big.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(big) << std::string(kMaxScenarioBytes, ' ') << "{}";
    const struct {
        bool gazetteer;
        std::string path;
        const char* error;
    } cases[] = {{false, fifo, "not a regular file"},
                 {false, big, "larger than"},
                 {true, fifo, "not a regular file"}};
    for (const auto& item : cases) {
        SCOPED_TRACE((item.gazetteer ? "gazetteer " : "scenario ") + item.path);
        std::string error;
        auto done = std::async(std::launch::async, [&] {
            TScenario scenario;
            CGazetteer gazetteer;
            return item.gazetteer ? gazetteer.LoadFile(item.path, &error)
                                  : LoadScenario(item.path, &scenario, &error);
        });
        if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ::close(::open(fifo.c_str(), O_WRONLY));  // the writer it waits for, to end the test
            done.wait();
            ADD_FAILURE() << "still waiting after 60 s";
            continue;
        }
        EXPECT_FALSE(done.get());
        EXPECT_NE(error.find(item.error), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace oxsdk::emulator::testing
