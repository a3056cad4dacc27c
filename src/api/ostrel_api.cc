// The frame of COstrelAPI: construction, the local version answer and the worked command
// GetApplicationVersion. The other commands follow the same pattern in their own files.
#include <cstring>

#include "OXSDK5Link/OstrelAPI.h"
#include "api/command_calls.h"

namespace commands = OXSDK5Link::commands;
using oxsdk::api::RetrieveReply;
using oxsdk::api::RunBlocking;
using oxsdk::api::SendCommand;

COstrelAPI::COstrelAPI(MOstrelCommunicationLayerInterface& communicationLayer)
    : layer(communicationLayer), conversionBuffer{} {}

int COstrelAPI::GetSDKVersion(TError* error, TVersion* version) {
    error->errorCode = 0;
    std::memcpy(version->versionText, "5.2", sizeof "5.2");
    version->versionNumber = 223;
    return 0;
}

int COstrelAPI::GetApplicationVersion(TError* error, TVersion* version) {
    return RunBlocking(
        *this, error, [&] { return GetApplicationVersionAsync(1); },
        [&](MOstrelSession* session) { return GetApplicationVersionAsyncRetrieve(session, error, version); });
}

MOstrelSession* COstrelAPI::GetApplicationVersionAsync(int) {
    return SendCommand(layer, conversionBuffer, commands::GetApplicationVersion, {});
}

int COstrelAPI::GetApplicationVersionAsyncRetrieve(MOstrelSession* session, TError* error,
                                                   TVersion* version) {
    return RetrieveReply(layer, session, error, version, commands::GetApplicationVersion);
}
