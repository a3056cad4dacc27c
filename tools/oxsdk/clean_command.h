// `oxsdk clean`: removes the exchange files that nobody will ever read (their client process is
// gone, or they are commands to a navigator that is not running) and reports what it removed.
// Called by main.cc.
#pragma once

#include <string>

#include "command_runner.h"
#include "exchange_cleaner.h"
#include "nlohmann/json.hpp"

namespace oxsdk::cli {

struct TCleanReport {
    std::string folder;  ///< host path of the exchange folder
    bool navigatorRunning = false;
    tools::TCleanResult result;
    EExitStatus status = EExitStatus::Success;
    std::string message;  ///< what went wrong, empty on success
};

/// Cleans the exchange folder of the device the environment names.
TCleanReport RunClean(const TClientOptions& options);

/// "removed NAME (reason)" per file, then a summary line.
std::string CleanReportToText(const TCleanReport& report);
/// command "clean", status, exitStatus, folder, navigatorRunning, removed and failed as lists
/// of {name, reason}, message.
nlohmann::ordered_json CleanReportToJson(const TCleanReport& report);

}  // namespace oxsdk::cli
