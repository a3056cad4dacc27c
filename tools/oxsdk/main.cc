// oxsdk: the command-line client of the OXSDK5Link library. Parses the command line, runs the
// one request it names through the public API, prints the outcome and exits with its status.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "clean_command.h"
#include "command_line.h"
#include "command_names.h"
#include "command_runner.h"
#include "completion.h"
#include "exchange_cleaner.h"
#include "exit_status.h"
#include "monitor.h"
#include "output.h"
#include "route_export.h"
#include "watch_command.h"

namespace {

using namespace oxsdk::cli;

const char* LocalName(ELocalCommand command) {
    switch (command) {
        case ELocalCommand::Start:
            return "start";
        case ELocalCommand::Stop:
            return "stop";
        case ELocalCommand::Status:
            return "status";
        case ELocalCommand::Foreground:
            return "foreground";
        case ELocalCommand::SdkVersion:
            return "sdk-version";
        case ELocalCommand::List:
            return "list";
        case ELocalCommand::Clean:
            return "clean";
        case ELocalCommand::Completion:
            return "completion";
        case ELocalCommand::None:
            break;
    }
    return "";
}

int Report(const TRequestName& request, const TCallOutcome& outcome, bool json) {
    if (json) {
        WriteOutcomeJson(std::cout, request, outcome);
    } else {
        WriteOutcomeText(std::cout, outcome);
    }
    if (!outcome.message.empty()) std::cerr << "oxsdk: " << outcome.message << '\n';
    const int code = ExitCode(outcome.status);
    if (outcome.mustExitAtOnce) {
        // The library is still at work in another thread: leave without unwinding.
        std::cout.flush();
        std::cerr.flush();
        std::_Exit(code);
    }
    return code;
}

// Writes the route of a get-route-coordinates reply to the files --gpx and --geojson name.
void ExportRoute(const TCommandLine& commandLine, TCallOutcome* outcome) {
    const std::pair<const std::string*, void (*)(std::ostream&, const TRoutePairs&)> exports[] = {
        {&commandLine.gpxPath, WriteRouteGpx}, {&commandLine.geoJsonPath, WriteRouteGeoJson}};
    for (const auto& [path, format] : exports) {
        if (path->empty()) continue;
        if (outcome->status != EExitStatus::Success || outcome->routePairs.empty()) {
            std::cerr << "oxsdk: no route to write to " << *path << '\n';
            continue;
        }
        const std::string failed = WriteExportFile(*path, outcome->routePairs, format);
        if (!failed.empty()) {
            outcome->status = EExitStatus::TransportFailure;
            outcome->message = failed;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"", "oxsdk"};
    TCommandLine commandLine;
    DefineCommandLine(app, commandLine);
    TMonitorOptions monitor;
    DefineMonitorCommand(app, monitor);
    TWatchOptions watch;
    DefineWatchCommand(app, watch);
    if (const std::optional<int> refused =
            ParseCommandLine(app, argc, argv, std::cout, std::cerr)) {
        return *refused;
    }

    const TClientOptions& options = commandLine.options;
    if (commandLine.local != ELocalCommand::List && commandLine.local != ELocalCommand::SdkVersion &&
        commandLine.local != ELocalCommand::Completion) {
        if (const std::string problem = oxsdk::tools::DescribeUntrustedDevice(); !problem.empty()) {
            std::cerr << "oxsdk: " << problem << '\n';
            return ExitCode(EExitStatus::TransportFailure);
        }
    }
    if (monitor.chosen) return RunMonitor(monitor, commandLine.json, options.navigatorName);
    if (watch.chosen) return RunWatch(watch, commandLine.json, options);
    if (commandLine.binding != nullptr) {
        const TCommandDescription& command = *commandLine.binding->command;
        TCallOutcome outcome =
            RunCommand(*commandLine.binding, commandLine.ArgumentValues(), options);
        ExportRoute(commandLine, &outcome);
        return Report({command.name, command.wireName}, outcome, commandLine.json);
    }
    TCallOutcome outcome;
    switch (commandLine.local) {
        case ELocalCommand::List:
            std::cout << (commandLine.json ? DumpJson(CommandListToJson()) + "\n"
                                           : CommandListToText());
            return 0;
        case ELocalCommand::Completion:
            std::cout << CompletionScript(app, commandLine.shell);
            return 0;
        case ELocalCommand::Clean: {
            const TCleanReport report = RunClean(options);
            std::cout << (commandLine.json ? DumpJson(CleanReportToJson(report)) + "\n"
                                           : CleanReportToText(report));
            if (!report.message.empty()) std::cerr << "oxsdk: " << report.message << '\n';
            return ExitCode(report.status);
        }
        case ELocalCommand::Start:
            outcome = RunStart(options);
            break;
        case ELocalCommand::Stop:
            outcome = RunStop(options);
            break;
        case ELocalCommand::Status:
            outcome = RunStatus(options);
            break;
        case ELocalCommand::Foreground:
            outcome = RunForeground(options);
            break;
        case ELocalCommand::SdkVersion:
            outcome = RunSdkVersion(options);
            break;
        case ELocalCommand::None:
            return ExitCode(EExitStatus::UsageError);
    }
    return Report({LocalName(commandLine.local), {}}, outcome, commandLine.json);
}
