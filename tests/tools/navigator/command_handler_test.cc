// The command handler on a complete emulated navigator (shipped gazetteer, a store in a
// temporary folder, a simulated clock the test winds): the documented codes for refused
// commands, and replies that follow the navigator's state. That every command of the
// catalogue is answered in its full shape is shown end to end (navigator_e2e_test.cc).
#include "command_handler.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "OXSDK5Link/CommandCatalogue.h"
#include "commands.h"
#include "fault_script.h"
#include "navigator_fixture.h"
#include "nmea.h"
#include "sample_commands.h"
#include "support/scripted_layer.h"

namespace oxsdk::emulator::testing {
namespace {

using TFields = std::vector<std::string>;

constexpr std::int32_t kStartLatitude = 52370216;  // Amsterdam, Dam square
constexpr std::int32_t kStartLongitude = 4895168;

class CommandHandlerTest : public ::testing::Test {
protected:
    CommandHandlerTest()
        : store_(folder_.path(), "data"),
          clock_(1.0, 1780000000.0, [this] { return wallSeconds_; }) {
        log_.CaptureInMemory();
        TNavigatorEnvironment environment;
        environment.deviceRoot = folder_.path();
        environment.devicePathBelowRoot = [](const std::string& device, std::string* relative) {
            relative->clear();
            for (char c : device.substr(1)) *relative += c == '\\' ? '/' : c;
            return true;
        };
        navigator_ = std::make_unique<CEmulatedNavigator>(
            ShippedGazetteer(), store_, clock_, log_,
            PointFromMicrodegrees(kStartLatitude, kStartLongitude), environment);
        handler_ = std::make_unique<CNavigatorCommandHandler>(*navigator_);
    }

    // Hands `fields` to `handler` (the navigator's by default) and returns the texts it sent.
    std::vector<std::string> Send(const TFields& fields,
                                  MCommandHandlerInterface* handler = nullptr) {
        oxsdk::testing::ScriptedLayer layer;
        std::string text;
        for (const std::string& field : fields) text += field + "|";
        layer.LoadAndDecode(text);
        MOstrelSession session;
        (handler != nullptr ? *handler : *handler_).HandleCommand(layer, &session);
        return layer.sent();
    }
    // Hands `fields` to the handler and returns the fields of its one reply.
    TFields Run(const TFields& fields) {
        const std::vector<std::string> sent = Send(fields);
        if (sent.size() != 1) {
            ADD_FAILURE() << fields[0] << ": " << sent.size() << " replies";
            return {};
        }
        TFields reply;
        std::istringstream text(sent[0]);
        for (std::string field; std::getline(text, field, '|');) reply.push_back(field);
        return reply;
    }

    CTemporaryFolder folder_;
    double wallSeconds_ = 1000.0;
    CLog log_;
    CUserDataStore store_;
    CSimulationClock clock_;
    std::unique_ptr<CEmulatedNavigator> navigator_;
    std::unique_ptr<CNavigatorCommandHandler> handler_;
};

TEST_F(CommandHandlerTest, WrongArgumentCountsAreAnsweredWithCode2InTheCommandsShape) {
    for (const OXSDK5Link::TCommandDescription* command : OXSDK5Link::commands::kAll) {
        TFields fields = SampleArguments(command->wireName);
        fields.insert(fields.begin(), command->wireName);
        const TFields expected = command->replyShape == OXSDK5Link::EReplyShape::RouteCoordinates
                                     ? TFields{"2", "0"}
                                     : TFields{"2"};
        fields.push_back("extra");
        EXPECT_EQ(Run(fields), expected) << command->wireName;
        if (fields.size() >= 3) {
            fields.resize(fields.size() - 2);
            EXPECT_EQ(Run(fields), expected) << command->wireName;
        }
    }
    EXPECT_FALSE(navigator_->stopRequested());
}

TEST_F(CommandHandlerTest, RefusedCommandsAreAnsweredWithTheirDocumentedCode) {
    ASSERT_EQ(::mkfifo((folder_.path() + "/gps.fifo").c_str(), 0600), 0);  // no reader
    ASSERT_EQ(::mkdir((folder_.path() + "/Sub").c_str(), 0700), 0);
    const std::vector<std::pair<TFields, TFields>> cases = {
        // 1: unknown command (names are exact)
        {{"NoSuchCommandV01"}, {"1"}},
        {{"getapplicationversionv01"}, {"1"}},
        {{""}, {"1"}},
        // 3: unknown place
        {{"GeocodeV01", "Main Street 1", "Atlantis", ""}, {"3"}},
        {{"GeocodeExtendedV01", "Domplein", "9", "Utrecht", "FR"}, {"3"}},
        {{"NavigateToAddressV01", "Domplein", "9", "", "NL"}, {"3"}},
        {{"ShowPostalCodeOnMapV01", "1012", "", "DE"}, {"3"}},
        // 4: no route; 6: no such favourite; 7: no such POI set
        {{"GetRouteInfoV01"}, {"4"}},
        {{"GetRouteCoordinatesV01"}, {"4", "0"}},
        {{"GetFavoriteV01", "8"}, {"6"}},
        {{"DeleteClosestPoiV01", "Cafes", "0", "0"}, {"7"}},
        {{"MakeUserPoiVisibleV01", "Cafes", "1"}, {"7"}},
        // 5: invalid argument
        {{"NavigateToCoordinatesV01", "91000000", "0", "north of the pole"}, {"5"}},
        {{"NavigateToFavoriteV01", "100"}, {"5"}},
        {{"SetNavigatorPropertyV01", "1", "101"}, {"5"}},
        {{"SetRouteSummaryVisibleV01", "2"}, {"5"}},
        {{"SetFavoriteV01", "0", "A", "B", "99999999999", "0"}, {"5"}},
        {{"GetLocationInfoV01", "0", "-180000001"}, {"5"}},
        {{"EnableRawGPSOutputV01", ""}, {"5"}},
        // 9: the output is no regular file; refused at once, not waited for
        {{"EnableRawGPSOutputV01", "\\gps.fifo"}, {"9"}},
        {{"EnableRawGPSOutputV01", "\\Sub"}, {"9"}},
    };
    for (const auto& [command, reply] : cases) {
        EXPECT_EQ(Run(command), reply)
            << command[0] << " " << (command.size() > 1 ? command[1] : "");
    }
    EXPECT_FALSE(navigator_->model().trip().has_value());
    EXPECT_TRUE(store_.favorites().empty());
    EXPECT_TRUE(store_.poiSets().empty());
}

TEST_F(CommandHandlerTest, RouteToAGeocodedAddressRunsFromThePositionToThatAddress) {
    const TFields geocode = Run({"GeocodeV01", "Domplein 9", "Utrecht", "NL"});
    ASSERT_EQ(geocode.size(), 6u);
    EXPECT_EQ(geocode[4], "Domplein 9, 3511 Utrecht");
    ASSERT_EQ(Run({"NavigateToAddressV01", "Domplein", "9", "Utrecht", "NL"}), TFields{"0"});

    const TFields info = Run({"GetRouteInfoV01"});
    ASSERT_EQ(info.size(), 14u);
    EXPECT_EQ(info[7], geocode[1]);  // destination
    EXPECT_EQ(info[8], geocode[2]);
    const long length = std::stol(info[1]);
    EXPECT_GT(length, 30000);  // Amsterdam to Utrecht: 35 km as the crow flies
    EXPECT_LT(length, 50000);
    EXPECT_EQ(info[3], info[1]);  // remaining: all of it
    EXPECT_EQ(info[12], "1");     // under way

    const TFields coordinates = Run({"GetRouteCoordinatesV01"});
    const std::size_t pairs = std::stoul(coordinates.at(1));
    EXPECT_EQ(info[9], coordinates[1]);
    ASSERT_EQ(coordinates.size(), 2 + 2 * pairs);
    EXPECT_EQ(coordinates[3], std::to_string(kStartLongitude));  // from the position
    EXPECT_EQ(coordinates[2 * pairs], geocode[1]);
    EXPECT_EQ(coordinates[2 * pairs + 1], geocode[2]);
    EXPECT_EQ(Run({"ClearRouteV01"}), TFields{"0"});
    EXPECT_EQ(Run({"GetRouteInfoV01"}), TFields{"4"});
}

TEST_F(CommandHandlerTest, FavouriteTextsAreCutToTheirMembers) {
    ASSERT_EQ(
        Run({"SetFavoriteV01", "7", std::string(100, 'n'), "Dam 1", "-33868800", "151209300"}),
        TFields{"0"});
    EXPECT_EQ(Run({"GetFavoriteV01", "7"}),
              (TFields{"0", std::string(63, 'n'), "Dam 1", "-33868800", "151209300"}));
    EXPECT_EQ(Run({"ClearFavoriteV01", "7"}), TFields{"0"});
    EXPECT_EQ(Run({"GetFavoriteV01", "7"}), TFields{"6"});
    // A change the data folder cannot take is refused, not reported done.
    const std::string file = folder_.path() + "/data/favorites.json";
    ASSERT_EQ(::unlink(file.c_str()), 0);
    ASSERT_EQ(::mkdir(file.c_str(), 0700), 0);
    EXPECT_EQ(Run({"SetFavoriteV01", "7", "n", "", "-33868800", "151209300"}), TFields{"8"});
}

TEST_F(CommandHandlerTest, PoiCommandsWorkOnTheClosestPointOfTheirSet) {
    Run({"AddPoiV01", "Cafes", "52370000", "4890000", "Near", ""});
    Run({"AddPoiV01", "Cafes", "52090000", "5120000", "Far", ""});
    Run({"MoveClosestPoiV01", "Cafes", "52100000", "5100000", "52091000", "5121000"});
    ASSERT_NE(store_.poiSet("Cafes"), nullptr);
    EXPECT_EQ(store_.poiSet("Cafes")->points.at(1).latitude, 52091000);
    EXPECT_EQ(Run({"DeleteClosestPoiV01", "Cafes", "52371000", "4891000"}), TFields{"0"});
    ASSERT_EQ(store_.poiSet("Cafes")->points.size(), 1u);
    EXPECT_EQ(store_.poiSet("Cafes")->points[0].name, "Far");
    EXPECT_EQ(Run({"DeleteAllPoiV01", "Cafes"}), TFields{"0"});
    EXPECT_EQ(store_.poiSet("Cafes"), nullptr);
}

TEST_F(CommandHandlerTest, ExternalGpsInputTakesTheFixesOfAnNmeaFileOrFifo) {
    const std::string rmc = "$GPRMC,120000,A,5230.0000,N,00500.0000,E,10.0,45.0,010526,,,A\n";
    const std::string gga = "$GPGGA,120001,5231.0000,N,00500.0000,E,1,08,0.9,2.0,M,46.9,M,,\n";
    const std::string next = "$GPGGA,120002,5231.0000,N,00502.0000,E,1,08,0.9,2.0,M,46.9,M,,";
    for (const bool fifo : {false, true}) {
        const std::string path = folder_.path() + (fifo ? "/gps.fifo" : "/gps.nmea");
        ASSERT_EQ(fifo ? ::mkfifo(path.c_str(), 0600) : ::close(::creat(path.c_str(), 0600)), 0);
        navigator_->SetGpsInputPath(fifo ? "\\gps.fifo" : "\\gps.nmea");
        ASSERT_EQ(Run({"EnableExternalGPSInputV01"}), (TFields{"0", "0"}));
        EXPECT_EQ(Run({"GetCurrentPositionV01"}).at(5), "2");  // opens the input: nothing yet
        // The FIFO has its reader now: a writer opens it without waiting.
        const int writer = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK);
        ASSERT_GE(writer, 0) << path;
        // A line too long for a sentence is skipped whole, whatever it ends with.
        const std::string text =
            rmc + gga + std::string(CNmeaInput::kLongestLine + 1, 'x') + rmc + next.substr(0, 20);
        ASSERT_EQ(::write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        EXPECT_EQ(Run({"GetCurrentPositionV01"}),
                  (TFields{"0", "52516667", "5000000", "0", "0", "2"}))
            << path;  // the last whole line; heading from the fix before, no speed in a GGA
        const std::string rest = next.substr(20) + "\n";
        ASSERT_EQ(::write(writer, rest.data(), rest.size()), static_cast<ssize_t>(rest.size()));
        ::close(writer);
        EXPECT_EQ(Run({"GetCurrentPositionV01"}),
                  (TFields{"0", "52516667", "5033333", "90", "0", "2"}))
            << path;
        ASSERT_EQ(Run({"DisableExternalGPSInputV01"}), TFields{"0"});
        EXPECT_EQ(Run({"GetCurrentPositionV01"}),
                  (TFields{"0", "52516667", "5033333", "90", "0", "1"}));
    }
}

TEST_F(CommandHandlerTest, ScriptedFaultsAnswerAsTheySay) {
    std::vector<TFault> faults;
    for (const char* text :
         {"GetRouteCoordinatesV01:code=3:once", "GetApplicationVersionV01:malformed",
          "GetRouteInfoV01:never", "StopApplicationV01:exit", "SetFavoriteV01:code=42"}) {
        std::string error;
        faults.emplace_back();
        ASSERT_TRUE(ParseFault(text, &faults.back(), &error)) << error;
    }
    int exits = 0;
    CFaultyHandler faulty(*handler_, faults, log_, [&exits] { ++exits; });
    const std::vector<std::pair<TFields, TFields>> cases = {
        {{"GetRouteCoordinatesV01"}, {"3|0|"}},  // the fault's code in the failure's shape
        {{"GetRouteCoordinatesV01"}, {"4|0|"}},  // once: then the navigator's own answer
        {{"GetApplicationVersionV01"}, {"0|5.2.0-emu|"}},  // one field short
        {{"ClearRouteV01"}, {"0|"}},                       // not faulted
        {{"SetFavoriteV01", "1", "A", "", "0", "0"}, {"42|"}},
        {{"NavigateToCoordinatesV01", "52090700", "5121400", "U"}, {"0|"}},
        {{"GetRouteInfoV01"}, {}},  // never answered
        {{"StopApplicationV01"}, {}},
    };
    for (const auto& [command, replies] : cases) EXPECT_EQ(Send(command, &faulty), replies);
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(navigator_->stopRequested());              // exit: not carried out
    EXPECT_EQ(Run({"GetFavoriteV01", "1"}), TFields{"6"});  // a code: not carried out
    EXPECT_EQ(handler_->commandsHandled(), 6u);             // never and malformed: carried out
}

TEST_F(CommandHandlerTest, CommandsWithoutFieldsOrSessionGetNoReply) {
    oxsdk::testing::ScriptedLayer layer;
    MOstrelSession session;
    handler_->HandleCommand(layer, &session);
    layer.LoadAndDecode("GetApplicationVersionV01|");
    handler_->HandleCommand(layer, nullptr);
    EXPECT_TRUE(layer.sent().empty());
}

}  // namespace
}  // namespace oxsdk::emulator::testing
