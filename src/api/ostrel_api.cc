// The frame of COstrelAPI: construction, the local version answer and the worked command
// GetApplicationVersion. The other commands are listed the same way in their family files.
#include <cstring>

#include "OXSDK5Link/OstrelAPI.h"
#include "api/command_forms.h"

COstrelAPI::COstrelAPI(MOstrelCommunicationLayerInterface& communicationLayer)
    : layer(communicationLayer), conversionBuffer{} {}

int COstrelAPI::GetSDKVersion(TError* error, TVersion* version) {
    error->errorCode = 0;
    std::memcpy(version->versionText, "5.2", sizeof "5.2");
    version->versionNumber = 223;
    return 0;
}

OXSDK_QUERY_FORMS(GetApplicationVersion, TVersion, (), ())
