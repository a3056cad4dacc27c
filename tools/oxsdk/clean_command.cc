#include "clean_command.h"

#include "escaped_text.h"

namespace oxsdk::cli {

TCleanReport RunClean(const TClientOptions& options) {
    TCleanReport report;
    report.folder = tools::ExchangeFolderOf(tools::DeviceRootFromEnvironment());
    // When the navigator's state cannot be told, its commands are left alone.
    report.navigatorRunning = RunStatus(options).running.value_or(true);
    report.result =
        tools::RemoveStaleExchangeFiles([&](const tools::TExchangeFileName& file) -> std::string {
            if (tools::ProcessIsGone(file.pid)) {
                return "client process " + std::to_string(file.pid) + " is gone";
            }
            if (!report.navigatorRunning &&
                tools::SameExchangeName(file.reader, options.navigatorName)) {
                return "command to " + options.navigatorName + ", which is not running";
            }
            return {};
        });
    if (!report.result.error.empty()) {
        report.status = EExitStatus::TransportFailure;
        report.message =
            "cannot list the exchange folder " + report.folder + ": " + report.result.error;
    } else if (!report.result.failed.empty()) {
        report.status = EExitStatus::TransportFailure;
        report.message = "could not remove " + std::to_string(report.result.failed.size()) +
                         " stale file(s) from " + report.folder + ", first " +
                         EscapedText(report.result.failed[0].name) + ": " +
                         report.result.failed[0].reason;
    }
    return report;
}

std::string CleanReportToText(const TCleanReport& report) {
    std::string text;
    for (const tools::TRemovedFile& file : report.result.removed) {
        // A file name may hold anything but "/": control characters are shown escaped.
        text += "removed " + EscapedText(file.name) + " (" + file.reason + ")\n";
    }
    text += "removed: " + std::to_string(report.result.removed.size()) + " file(s) from " +
            report.folder + "\n";
    return text;
}

nlohmann::ordered_json CleanReportToJson(const TCleanReport& report) {
    auto list = [](const std::vector<tools::TRemovedFile>& files) {
        nlohmann::ordered_json entries = nlohmann::ordered_json::array();
        for (const tools::TRemovedFile& file : files) {
            entries.push_back({{"name", file.name}, {"reason", file.reason}});
        }
        return entries;
    };
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["command"] = "clean";
    json["status"] = StatusName(report.status);
    json["exitStatus"] = ExitCode(report.status);
    json["folder"] = report.folder;
    json["navigatorRunning"] = report.navigatorRunning;
    json["removed"] = list(report.result.removed);
    json["failed"] = list(report.result.failed);
    if (!report.message.empty()) json["message"] = report.message;
    return json;
}

}  // namespace oxsdk::cli
