// Prints the link library's version and the text that GetApplicationVersion puts on the wire,
// using a communication layer of its own that keeps what it is asked to send.
#include <cstdio>

#include "OXSDK5Link/OXSDK5Link.h"

namespace {

// A layer that sends nothing: it remembers the last command text instead.
class CapturingLayer : public MOstrelCommunicationLayerInterface {
public:
    CapturingLayer() : MOstrelCommunicationLayerInterface(new CCsvArguments('|')) {}
    void StartSendCommand() override { arguments->Reset(); }
    void StartReturnResult(MOstrelSession*) override { arguments->Reset(); }
    void AppendArgument(const char* text) override { arguments->AppendArgument(text); }
    MOstrelSession* SendCommand() override {
        std::snprintf(lastCommand, sizeof lastCommand, "%s", arguments->CommandBuffer());
        return new MOstrelSession;
    }
    int ReturnAvailable(MOstrelSession*) override { return 0; }
    void StartReceiveCommand(MOstrelSession* session) override {
        delete session;
        arguments->Reset();
    }
    char lastCommand[1024] = {};
};

}  // namespace

int main() {
    CapturingLayer layer;
    COstrelAPI api(layer);

    COstrelAPI::TError error{};
    COstrelAPI::TVersion version{};
    api.GetSDKVersion(&error, &version);
    std::printf("GetSDKVersion: errorCode %d, versionText \"%s\", versionNumber %d\n",
                error.errorCode, version.versionText, version.versionNumber);

    MOstrelSession* session = api.GetApplicationVersionAsync(1);
    std::printf("GetApplicationVersion command on the wire: \"%s\"\n", layer.lastCommand);
    // The reply never comes on this layer; collecting releases the session all the same.
    const int result = api.GetApplicationVersionAsyncRetrieve(session, &error, &version);
    std::printf("Retrieve without a navigator: result %d, errorCode %d\n", result, error.errorCode);
    return 0;
}
