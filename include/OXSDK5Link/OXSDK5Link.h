// Everything public of the OXSDK5Link link library.
#pragma once

/// @file
/// Everything public of the OXSDK5Link link library: include this one header.

#include "OXSDK5Link/Arguments.h"
#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/CommunicationLayer.h"
#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "OXSDK5Link/Watcher.h"
#include "OXSDK5Link/oxsdk5link.h"
