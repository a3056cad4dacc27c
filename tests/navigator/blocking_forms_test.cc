// The blocking command forms end to end on the fake device: the real file layer on the client
// side, and COstrelFileLayer::ProcessEvents answering as the navigator whenever the client
// pauses. Command files are counted as the client creates them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"

namespace oxsdk::navigator {
namespace {

using platform::FakePlatform;
using Texts = std::vector<std::string>;

constexpr platform::WindowHandle kNavigatorWindow = 0x40;
constexpr char16_t kInstalled[] = u"\\Storage Card\\Nav\\ZEV Izizararar.exe";

// Keeps the name of every exchange file the client creates for a command.
class CommandFileLog : public platform::PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    platform::Error CreateForWriting(const char16_t* path,
                                     std::unique_ptr<platform::File>* file) override {
        platform::Error error = PlatformWrapper::CreateForWriting(path, file);
        std::u16string name(path);
        name = name.substr(name.rfind(u'\\') + 1);
        if (error == platform::Error::kNone && name.rfind(u"client.nav.", 0) == 0 &&
            name.size() > 8 && name.compare(name.size() - 8, 8, u".message") == 0) {
            commandFiles.push_back(name);
        }
        return error;
    }
    std::vector<std::u16string> commandFiles;
};

// The navigator's command handler: answers every command, a version for the version query,
// and closes its window when told to stop.
class Navigator : public MCommandHandlerInterface {
public:
    explicit Navigator(FakePlatform& device) : device_(device) {}
    int HandleCommand(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session) override {
        std::string command = layer.ReceiveField(0);
        received.push_back(command);
        layer.StartReturnResult(session);
        layer.AppendArgument("0");
        if (command == "GetApplicationVersionV01") {
            layer.AppendArgument("9.1");
            layer.AppendArgument("77");
        }
        layer.SendCommand();
        if (command == "StopApplicationV01") device_.RemoveWindow(u"AldernWinClass");
        return 0;
    }
    Texts received;

private:
    FakePlatform& device_;
};

class BlockingFormTest : public ::testing::Test {
protected:
    BlockingFormTest()
        : log(fake),
          use(log),
          layer(COstrelFileLayer::New("client", "nav", -1)),
          api(*layer),
          navigator(fake) {
        ResetNavigatorState();
        // The navigator takes one pass over the exchange folder whenever the client pauses:
        // in the start's waits, and in the reply wait on the exchange folder.
        fake.OnSleep([this](std::uint32_t) { COstrelFileLayer::ProcessEvents("nav", navigator); });
        fake.OnFolderWait([this](const std::u16string&, std::uint32_t) {
            COstrelFileLayer::ProcessEvents("nav", navigator);
        });
        version.versionNumber = -1;
        std::strcpy(version.versionText, "old");
    }
    ~BlockingFormTest() override { ResetNavigatorState(); }

    void InstallNavigator() {
        fake.AddFile(kInstalled);
        fake.OnStartProcess(
            [this](const std::u16string&) { fake.SetWindow(u"AldernWinClass", kNavigatorWindow); });
    }
    void ExpectVersionUntouched() {
        EXPECT_STREQ(version.versionText, "old");
        EXPECT_EQ(version.versionNumber, -1);
    }
    bool ExchangeFolderEmpty() { return fake.ListFolder(u"\\Ostrel\\SdkFileCalls").empty(); }

    FakePlatform fake;
    CommandFileLog log;
    platform::ScopedPlatform use;
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer;
    COstrelAPI api;
    Navigator navigator;
    COstrelAPI::TError error{99};
    COstrelAPI::TVersion version{};
};

TEST_F(BlockingFormTest, RunningNavigatorGetsExactlyOneCommandFile) {
    fake.SetWindow(u"AldernWinClass", kNavigatorWindow);

    EXPECT_EQ(api.GetApplicationVersion(&error, &version), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_STREQ(version.versionText, "9.1");
    EXPECT_EQ(version.versionNumber, 77);
    EXPECT_EQ(log.commandFiles, std::vector<std::u16string>{u"client.nav.1234.1.message"});
    EXPECT_EQ(navigator.received, Texts{"GetApplicationVersionV01"});
    EXPECT_TRUE(fake.startedProcesses().empty());
    EXPECT_TRUE(ExchangeFolderEmpty());
}

TEST_F(BlockingFormTest, NavigatorNotRunningIsStartedAndHandshakenBeforeTheCommand) {
    InstallNavigator();
    fake.SetCurrentForeground(0x20);

    EXPECT_EQ(api.GetApplicationVersion(&error, &version), 0);
    EXPECT_EQ(error.errorCode, 0);
    EXPECT_EQ(version.versionNumber, 77);
    EXPECT_EQ(fake.startedProcesses(), std::vector<std::u16string>{kInstalled});
    EXPECT_EQ(navigator.received,
              (Texts{"BringNavigatorToForegroundV01", "GetApplicationVersionV01"}));
    EXPECT_EQ(log.commandFiles.size(), 2u);
    EXPECT_EQ(fake.foregroundRequests(), std::vector<platform::WindowHandle>{0x21});
    EXPECT_TRUE(ExchangeFolderEmpty());
}

struct FormCase {
    const char* what;
    std::function<int(COstrelAPI&, COstrelAPI::TError*)> call;
    int startFailure;  // result when the navigator cannot be started
};

const FormCase kForms[] = {
    {"NavigateToCoordinates",
     [](COstrelAPI& api, COstrelAPI::TError* e) { return api.NavigateToCoordinates(e, 1, 2, "x"); },
     -1},
    {"GetFavorite",
     [](COstrelAPI& api, COstrelAPI::TError* e) {
         COstrelAPI::TFavoriteInfo favorite{};
         return api.GetFavorite(e, &favorite, 3);
     },
     -1},
    {"GetRouteCoordinates",
     [](COstrelAPI& api, COstrelAPI::TError* e) {
         COstrelAPI::TRouteCoordinates route{};
         return api.GetRouteCoordinates(e, &route);
     },
     -2},
};

TEST_F(BlockingFormTest, StartThatFindsNoNavigatorSendsNothing) {
    fake.AddFile(u"\\Windows\\calc.exe");
    EXPECT_EQ(api.GetApplicationVersion(&error, &version), -1);
    EXPECT_EQ(error.errorCode, -5);
    ExpectVersionUntouched();
    for (const FormCase& form : kForms) {
        SCOPED_TRACE(form.what);
        error.errorCode = 99;
        EXPECT_EQ(form.call(api, &error), form.startFailure);
        EXPECT_EQ(error.errorCode, -5);
    }
    EXPECT_TRUE(log.commandFiles.empty());
    EXPECT_TRUE(navigator.received.empty());
}

TEST_F(BlockingFormTest, ReadinessCommandThatCannotBeSentGivesMinusOneAndSendsNothing) {
    InstallNavigator();
    fake.InjectFault(platform::FakeOperation::kCreateForWriting, u"", platform::Error::kOther,
                     FakePlatform::kAlways);

    EXPECT_EQ(api.GetApplicationVersion(&error, &version), -1);
    EXPECT_EQ(error.errorCode, -1);
    ExpectVersionUntouched();
    EXPECT_EQ(fake.startedProcesses().size(), 1u);
    EXPECT_TRUE(log.commandFiles.empty());
    EXPECT_TRUE(navigator.received.empty());
}

TEST_F(BlockingFormTest, StopSeesTheWindowGoWithoutPausing) {
    fake.SetWindow(u"AldernWinClass", kNavigatorWindow);

    EXPECT_EQ(api.StopApplication(&error), 0);
    EXPECT_EQ(error.errorCode, -5);
    EXPECT_EQ(navigator.received, Texts{"StopApplicationV01"});
    // The client waited only for the reply (on the exchange folder), never for the window.
    EXPECT_TRUE(fake.sleeps().empty());
    for (const auto& wait : fake.folderWaits()) EXPECT_EQ(wait.second, 100u);
    EXPECT_TRUE(ExchangeFolderEmpty());
}

}  // namespace
}  // namespace oxsdk::navigator
