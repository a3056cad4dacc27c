// `oxsdk monitor`: prints every command and reply that passes through the exchange folder,
// decoded, as lines for a person or as JSON lines, optionally keeping the session in a file.
// It only reads the folder. Called by main.cc.
#pragma once

#include <cstdint>
#include <string>

#include "CLI/CLI.hpp"

namespace oxsdk::cli {

struct TMonitorOptions {
    bool chosen = false;      ///< the monitor subcommand was given
    std::string client;       ///< only this client's traffic (letter case aside); empty: all
    std::string command;      ///< only commands with this wire name and their replies
    std::string record;       ///< also write every event as a JSON line to this file
    std::uint64_t count = 0;  ///< end after this many message events; 0: no bound
    double duration = 0;      ///< end after this many seconds; 0: no bound
};

/// Declares the monitor subcommand and its options on `app`.
void DefineMonitorCommand(CLI::App& app, TMonitorOptions& options);

/// Watches until --count or --duration is reached or an interrupt arrives, printing each event
/// as a JSON line when `json`. `navigatorName` is taken as a navigator's exchange name from the
/// start. Returns the exit status: 0, or 3 when the folder cannot be watched or the record
/// file cannot be written.
int RunMonitor(const TMonitorOptions& options, bool json, const std::string& navigatorName);

}  // namespace oxsdk::cli
