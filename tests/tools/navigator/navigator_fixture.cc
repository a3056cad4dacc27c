#include "navigator_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "fake_layer.h"

namespace oxsdk::emulator::testing {

const CGazetteer& ShippedGazetteer() {
    static const CGazetteer gazetteer = [] {
        CGazetteer loaded;
        std::string error;
        if (!loaded.LoadFile(OXSDK_NAVIGATOR_DATA, &error)) ADD_FAILURE() << error;
        return loaded;
    }();
    return gazetteer;
}

CTemporaryFolder::CTemporaryFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/oxsdk-nav-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
}

CTemporaryFolder::~CTemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

NavigatorTest::NavigatorTest()
    : store_(folder_.path() + "/data"), clock_(1.0, 1780000000.0, [this] { return wallSeconds_; }) {
    log_.CaptureInMemory();
    log_.SetLevel(ELogLevel::kDebug);
    TNavigatorEnvironment environment;
    environment.deviceId = "OXEMU-TEST";
    environment.devicePathToHost = [this](const std::string& device, std::string* host) {
        if (device.empty() || device[0] != '\\') return false;
        *host = folder_.path() + "/device";
        for (char c : device) *host += c == '\\' ? '/' : c;
        return true;
    };
    environment.bringToForeground = [this] { ++foregroundCalls_; };
    navigator_ = std::make_unique<CEmulatedNavigator>(
        ShippedGazetteer(), store_, clock_, log_,
        PointFromMicrodegrees(kStartLatitude, kStartLongitude), environment);
    handler_ = std::make_unique<CNavigatorCommandHandler>(*navigator_);
}

std::vector<std::string> NavigatorTest::Run(const std::vector<std::string>& fields) {
    CFakeLayer layer;
    layer.LoadCommand(fields);
    MOstrelSession session;
    handler_->HandleCommand(layer, &session);
    EXPECT_EQ(layer.repliesSent(), 1) << fields[0];
    EXPECT_EQ(layer.replySession(), &session);
    return layer.reply();
}

}  // namespace oxsdk::emulator::testing
