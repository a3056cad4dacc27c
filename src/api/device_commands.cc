// The device, map-data and GPS commands of COstrelAPI: facts about the navigator's data set and
// the device, and switching GPS input and raw GPS output.
#include "api/command_forms.h"

OXSDK_QUERY_FORMS(GetDataSetInfo, TDataSetInfo, (), ())
OXSDK_QUERY_FORMS(GetUniqueDeviceId, TDeviceId, (), ())
OXSDK_QUERY_FORMS(EnableExternalGPSInput, TExternalGPSResult, (), ())
OXSDK_ACTION_FORMS(DisableExternalGPSInput, (), ())
OXSDK_ACTION_FORMS(EnableRawGPSOutput, (, const char* outputText), (, outputText))
OXSDK_ACTION_FORMS(DisableRawGPSOutput, (), ())
