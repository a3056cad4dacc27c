// The emulator's command handler on one "|"-closed command per line, run in order on a fresh
// navigator (a clock one simulated minute further per command): every readable command gets one
// reply of a shape its client accepts (the code alone on failure, every member on success).
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "OXSDK5Link/CommandCatalogue.h"
#include "command_handler.h"
#include "fuzz_support.h"
#include "support/scripted_layer.h"
#include "transport/parse_decimal.h"

namespace {

using namespace oxsdk::emulator;
using OXSDK5Link::EFieldKind;
using OXSDK5Link::EReplyShape;
using OXSDK5Link::TCommandDescription;

using oxsdk::fuzz::Require;
using oxsdk::fuzz::SplitFields;

// A temporary folder for the store and the device, emptied before each input and removed at
// exit.
const std::string& Folder() {
    static const struct TFolder {
        std::string path = std::filesystem::temp_directory_path().string() + "/oxsdk-fuzz-XXXXXX";
        TFolder() {
            if (::mkdtemp(path.data()) == nullptr) std::abort();
        }
        ~TFolder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    return folder.path;
}

// Device paths map below the device root of the temporary folder; anything that could step
// out is refused.
bool DevicePathBelowRoot(const std::string& device, std::string* relative) {
    const char* plain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-.\\";
    if (device.size() < 2 || device[0] != '\\' || device.find("..") != std::string::npos ||
        device.find_first_not_of(plain) != std::string::npos) {
        return false;
    }
    *relative = device.substr(1);
    std::replace(relative->begin(), relative->end(), '\\', '/');
    return true;
}

void CheckReply(const std::string& command, const std::vector<std::string>& reply) {
    Require(!reply.empty(), "empty reply", command);
    const TCommandDescription* description =
        OXSDK5Link::commands::FindByWireName(SplitFields(command).at(0).c_str());
    const bool route =
        description != nullptr && description->replyShape == EReplyShape::RouteCoordinates;
    const int code = ParseDecimal(reply[0].c_str());
    Require(reply[0] == std::to_string(code), "code is not a decimal number", command);
    if (code != 0) {
        Require(reply.size() == (route ? 2u : 1u), "failure reply of another shape", command);
        return;
    }
    Require(description != nullptr, "unknown command succeeded", command);
    if (route) {
        Require(reply.size() >= 2 && reply.size() % 2 == 0, "route reply shape", command);
        Require(ParseDecimal(reply[1].c_str()) == static_cast<int>(reply.size() / 2 - 1),
                "announced pairs differ from the pairs sent", command);
        return;
    }
    Require(reply.size() == static_cast<std::size_t>(description->replyFieldCount) + 1,
            "success reply of another shape", command);
    for (int i = 0; i < description->replyFieldCount; ++i) {
        const std::string& field = reply[static_cast<std::size_t>(i) + 1];
        if (description->replyFields[i].kind == EFieldKind::Text) {
            Require(field.size() < description->replyFields[i].capacity,
                    "text longer than its member", command);
        } else {
            Require(field == std::to_string(ParseDecimal(field.c_str())),
                    "number field is not a decimal number", command);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = oxsdk::fuzz::TextOf(data, size);
    std::error_code ignored;
    std::filesystem::remove_all(Folder() + "/data", ignored);
    std::filesystem::remove_all(Folder() + "/device", ignored);
    std::filesystem::create_directory(Folder() + "/device", ignored);

    double wallSeconds = 0.0;
    CUserDataStore store(Folder(), "data");
    CSimulationClock clock(1.0, 1780000000.0, [&wallSeconds] { return wallSeconds; });
    CLog log;
    log.CaptureInMemory();
    TNavigatorEnvironment environment;
    environment.deviceRoot = Folder() + "/device";
    environment.devicePathBelowRoot = DevicePathBelowRoot;
    environment.bringToForeground = [] {};
    CEmulatedNavigator navigator(oxsdk::fuzz::ShippedGazetteer(), store, clock, log,
                                 TGeoPoint{52.370216, 4.895168}, environment);
    CNavigatorCommandHandler handler(navigator);

    for (std::size_t start = 0; start < input.size();) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        const std::string command = input.substr(start, end - start);
        start = end + 1;
        wallSeconds += 60.0;

        oxsdk::testing::ScriptedLayer layer;
        layer.LoadAndDecode(command);
        MOstrelSession session;
        handler.HandleCommand(layer, &session);
        if (SplitFields(command).empty()) {
            Require(layer.sent().empty(), "unreadable command answered", command);
            continue;
        }
        Require(layer.sent().size() == 1, "not exactly one reply", command);
        CheckReply(command, SplitFields(layer.sent()[0]));
        if (navigator.stopRequested()) break;
    }
    navigator.nmea().Close();
    return 0;
}
