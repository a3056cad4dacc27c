// The navigator emulator's command handler on fuzzed commands. Input: one command per line,
// each a text of "|"-closed fields as it arrives in a message, run in order on a fresh emulated
// navigator (shipped gazetteer, empty store in a temporary folder, a clock that advances one
// simulated minute per command). Every readable command gets exactly one reply, whose shape is
// one the command's client accepts: the code alone (with a pair count of 0 for the route's
// coordinates) on failure, every record member on success, texts within their members.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "OXSDK5Link/CommandCatalogue.h"
#include "command_handler.h"
#include "support/scripted_layer.h"
#include "transport/parse_decimal.h"

namespace {

using namespace oxsdk::emulator;
using OXSDK5Link::EFieldKind;
using OXSDK5Link::EReplyShape;
using OXSDK5Link::TCommandDescription;

void Require(bool condition, const std::string& command, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "command \"%s\": %s\n", command.c_str(), what);
        std::abort();
    }
}

const CGazetteer& Gazetteer() {
    static const CGazetteer gazetteer = [] {
        CGazetteer loaded;
        std::string error;
        if (!loaded.LoadFile(OXSDK_NAVIGATOR_DATA, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::abort();
        }
        return loaded;
    }();
    return gazetteer;
}

// A temporary folder for the store and the device, emptied before each input and removed at
// exit.
const std::string& Folder() {
    static const struct TTemporaryFolder {
        TTemporaryFolder() {
            path = std::filesystem::temp_directory_path().string() + "/oxsdk-fuzz-XXXXXX";
            if (::mkdtemp(path.data()) == nullptr) std::abort();
        }
        ~TTemporaryFolder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        std::string path;
    } folder;
    return folder.path;
}

// Device paths map below the device root of the temporary folder; anything that could step
// out is refused.
bool DevicePathBelowRoot(const std::string& device, std::string* relative) {
    if (device.size() < 2 || device[0] != '\\' || device.find("..") != std::string::npos) {
        return false;
    }
    relative->clear();
    for (char c : device.substr(1)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        if (!plain && c != '\\') return false;
        *relative += c == '\\' ? '/' : c;
    }
    return true;
}

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields;
    for (std::size_t start = 0, bar; (bar = text.find('|', start)) != std::string::npos;
         start = bar + 1) {
        fields.push_back(text.substr(start, bar - start));
    }
    return fields;
}

void CheckReply(const std::string& command, const std::vector<std::string>& reply) {
    Require(!reply.empty(), command, "empty reply");
    const TCommandDescription* description =
        OXSDK5Link::commands::FindByWireName(SplitFields(command).at(0).c_str());
    const bool route =
        description != nullptr && description->replyShape == EReplyShape::RouteCoordinates;
    const int code = ParseDecimal(reply[0].c_str());
    Require(reply[0] == std::to_string(code), command, "code is not a decimal number");
    if (code != 0) {
        Require(reply.size() == (route ? 2u : 1u), command, "failure reply of another shape");
        return;
    }
    Require(description != nullptr, command, "unknown command succeeded");
    if (route) {
        Require(reply.size() >= 2 && reply.size() % 2 == 0, command, "route reply shape");
        Require(ParseDecimal(reply[1].c_str()) == static_cast<int>(reply.size() / 2 - 1), command,
                "announced pairs differ from the pairs sent");
        return;
    }
    Require(reply.size() == static_cast<std::size_t>(description->replyFieldCount) + 1, command,
            "success reply of another shape");
    for (int i = 0; i < description->replyFieldCount; ++i) {
        const std::string& field = reply[static_cast<std::size_t>(i) + 1];
        if (description->replyFields[i].kind == EFieldKind::Text) {
            Require(field.size() < description->replyFields[i].capacity, command,
                    "text longer than its member");
        } else {
            Require(field == std::to_string(ParseDecimal(field.c_str())), command,
                    "number field is not a decimal number");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string input(bytes, strnlen(bytes, size));
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
    CEmulatedNavigator navigator(Gazetteer(), store, clock, log, TGeoPoint{52.370216, 4.895168},
                                 environment);
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
            Require(layer.sent().empty(), command, "unreadable command answered");
            continue;
        }
        Require(layer.sent().size() == 1, command, "not exactly one reply");
        CheckReply(command, SplitFields(layer.sent()[0]));
        if (navigator.stopRequested()) break;
    }
    navigator.nmea().Close();
    return 0;
}
