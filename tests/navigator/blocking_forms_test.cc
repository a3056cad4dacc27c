// The reply waits of the blocking forms on the fake device: the real file layer on the client
// side, and COstrelFileLayer::ProcessEvents answering as the navigator whenever the client pauses.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"
#include "support/echo_navigator.h"

namespace oxsdk::navigator {
namespace {

using platform::FakePlatform;
using Texts = std::vector<std::string>;

constexpr platform::WindowHandle kWindow = 0x40;

// The navigator's command handler: answers "0", and a version for the version query.
class Navigator : public testing::EchoNavigator {
public:
    void Answer(MOstrelCommunicationLayerInterface& layer, const Texts& fields) override {
        layer.AppendArgument("0");
        if (fields.empty() || fields[0] != "GetApplicationVersionV01") return;
        layer.AppendArgument("9.1");
        layer.AppendArgument("77");
    }
};

enum ECall { kVersion, kVersionRetrieve, kRouteRetrieve, kStop };

// The client's device and API; the navigator takes one pass over the exchange folder whenever
// the client pauses.
struct Scene {
    explicit Scene(const char* client = "client")
        : use(fake), layer(COstrelFileLayer::New(client, "nav", -1)), api(*layer) {
        ResetNavigatorState();
        fake.OnSleep([this](std::uint32_t) { COstrelFileLayer::ProcessEvents("nav", navigator); });
        fake.OnFolderWait([this](const std::u16string&, std::uint32_t) {
            COstrelFileLayer::ProcessEvents("nav", navigator);
        });
        std::strcpy(version.versionText, "old");
    }
    ~Scene() { ResetNavigatorState(); }

    int Call(ECall form) {
        COstrelAPI::TRouteCoordinates route{};
        switch (form) {
            case kVersion:
                return api.GetApplicationVersion(&error, &version);
            case kVersionRetrieve:
                return api.GetApplicationVersionAsyncRetrieve(api.GetApplicationVersionAsync(1),
                                                              &error, &version);
            case kRouteRetrieve:
                return api.GetRouteCoordinatesAsyncRetrieve(api.GetRouteCoordinatesAsync(1), &error,
                                                            &route);
            default:
                return api.StopApplication(&error);
        }
    }
    // The call's result and error code, the version record and an exchange folder left empty.
    void Expect(int result, int errorCode) {
        EXPECT_EQ(error.errorCode, errorCode);
        EXPECT_STREQ(version.versionText, result == 0 ? "9.1" : "old");
        EXPECT_TRUE(fake.ListFolder(u"\\Ostrel\\SdkFileCalls").empty());
    }

    FakePlatform fake;
    platform::ScopedPlatform use;
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer;
    COstrelAPI api;
    Navigator navigator;
    COstrelAPI::TError error{99};
    COstrelAPI::TVersion version{};
};

// Every reply wait ends once the navigator's window, present as the wait began, is gone (-5),
// or at the layer's deadline (-6); the record stays as it was, the session is released, the
// command is withdrawn and, when the navigator went, a reply it began is removed. A navigator
// without a window keeps the unbounded wait.
TEST(BlockingFormTest, ReplyWaitsEndWhenTheNavigatorGoesOrAtTheDeadline) {
    const struct {
        const char* what;
        ECall call;
        bool silent;       // the navigator takes the command and never answers
        bool processes;    // the navigator takes commands at all
        bool window;       // the navigator has a window
        int timeout;       // reply timeout of the layer, ms
        int goneAtWait;    // the window goes at this folder wait (0: never)
        int shownAtWait;   // a window shows at this folder wait (0: never)
        int answerAtWait;  // a navigator that processes answers from this wait on
        int result;        // and error code
    } cases[] = {
        {"blocking, command taken, window goes", kVersion, true, true, true, 0, 3, 0, 0, -5},
        {"blocking, command never taken, window goes", kVersion, false, false, true, 0, 3, 0, 0,
         -5},
        {"retrieve, window goes", kVersionRetrieve, true, true, true, 0, 5, 0, 0, -5},
        {"route retrieve, window goes", kRouteRetrieve, true, true, true, 0, 2, 0, 0, -5},
        {"stop, window goes unanswered", kStop, true, true, true, 0, 4, 0, 0, -5},
        {"deadline, navigator stays silent", kVersion, true, true, true, 1000, 0, 0, 0, -6},
        {"no window: waits until the late answer", kVersionRetrieve, false, true, false, 0, 0, 0,
         40, 0},
        {"no window as the wait began, one shows", kVersionRetrieve, false, true, false, 0, 0, 20,
         40, 0},
        {"answer comes as the window goes", kVersion, false, true, true, 0, 6, 0, 6, 0},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A client of its own per case: a wait given up keeps its sequence number in the process.
        const std::string client = "c" + std::to_string(index++);
        Scene t(client.c_str());
        // The reply to the client's first command (the fake's process number is 1234).
        const std::u16string halfReply = u"\\Ostrel\\SdkFileCalls\\nav." +
                                         std::u16string(client.begin(), client.end()) +
                                         u".1234.1.message";
        t.navigator.answer = !c.silent;
        if (c.window) t.fake.SetWindow(u"AldernWinClass", kWindow);
        static_cast<COstrelFileLayer*>(t.layer.get())->SetReplyTimeout(c.timeout);
        t.fake.OnFolderWait([&](const std::u16string&, std::uint32_t) {
            const int wait = static_cast<int>(t.fake.folderWaits().size());
            if (wait > 200) throw std::runtime_error("the reply wait does not end");
            if (c.goneAtWait != 0 && wait == c.goneAtWait) {
                // A navigator that goes may leave a reply begun, without its marker.
                if (c.result == -5) t.fake.AddFile(halfReply, "0|");
                t.fake.RemoveWindow(u"AldernWinClass");
            }
            if (c.shownAtWait != 0 && wait == c.shownAtWait) {
                t.fake.SetWindow(u"AldernWinClass", kWindow);
            }
            if (c.processes && wait >= c.answerAtWait)
                COstrelFileLayer::ProcessEvents("nav", t.navigator);
        });
        EXPECT_EQ(t.Call(c.call), c.result);
        t.Expect(c.result, c.result);
        EXPECT_LT(t.fake.folderWaits().size(), 50u);
    }
}

}  // namespace
}  // namespace oxsdk::navigator
