// The command line of the oxsdk client: global options, one subcommand per catalogue command
// (named by SubcommandName) and the local subcommands, with the checks that keep hostile
// arguments from being sent. Built with CLI11; called by main.cc and by the tests.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "CLI/CLI.hpp"
#include "command_bindings.h"
#include "command_runner.h"

namespace oxsdk::cli {

/// The navigator exchange name the client talks to without --navigator-name.
extern const char* const kDefaultNavigatorName;
/// The client's own exchange name without --client-name.
extern const char* const kDefaultClientName;
/// The longest --timeout accepted: a year.
extern const double kLongestTimeoutSeconds;
/// The bound of a request without --timeout.
extern const double kDefaultTimeoutSeconds;

/// The local (non-catalogue) subcommands.
enum class ELocalCommand {
    None, Start, Stop, Status, Foreground, SdkVersion, List, Clean, Completion
};

/// What the parsed command line asks for.
struct TCommandLine {
    TClientOptions options;
    bool json = false;
    ELocalCommand local = ELocalCommand::None;
    const TCommandBinding* binding = nullptr;  ///< the catalogue command, when one was chosen
    std::vector<std::string> rawArguments;     ///< its arguments as typed
    TArgumentValues values;                    ///< the same converted, in catalogue order
    std::string gpxPath;                       ///< get-route-coordinates --gpx
    std::string geoJsonPath;                   ///< get-route-coordinates --geojson
    std::string shell;                         ///< completion: "bash" or "zsh"

    /// The arguments of the chosen catalogue command, converted (call after a good parse).
    TArgumentValues ArgumentValues() const { return values; }
};

/// Declares every option and subcommand on `app`, writing into `commandLine` when parsed.
void DefineCommandLine(CLI::App& app, TCommandLine& commandLine);

/// When `arguments` (without the program name) name no subcommand of `app` where one is
/// expected, the message for that word, with the closest subcommand; else empty.
std::string UnknownSubcommandMessage(const CLI::App& app,
                                     const std::vector<std::string>& arguments);

/// `arguments` (without the program name) as CLI11 must see them so that every word in an
/// argument position of the chosen subcommand is taken as typed: the subcommand's own and the
/// global options stay options (with their values), every other word after the subcommand
/// moves behind a "--". "-h" or "--help" alone after the subcommand asks for its help; beside
/// arguments it is one. Unchanged when the subcommand takes no positional arguments.
std::vector<std::string> ArgumentsAsTyped(const CLI::App& app, std::vector<std::string> arguments);

/// Parses the command line (`argv[0]` is the program) into what DefineCommandLine declared on
/// `app`. On help or --version prints it and returns 0; on a usage error writes
/// "oxsdk: REASON" with a suggestion for a mistyped subcommand or option to `err`, and with
/// --json also a JSON object to `out`, and returns 2; std::nullopt when the command line is
/// good.
std::optional<int> ParseCommandLine(CLI::App& app, int argc, const char* const* argv,
                                    std::ostream& out, std::ostream& err);

/// Empty when `text` is a decimal integer (optional sign, digits only) within the signed
/// 32-bit range; else the reason it is refused.
std::string CheckNumber(const std::string& text);
/// Empty when `text` arrives as one whole field (it holds no "|" and no line feed); else the
/// reason.
std::string CheckText(const std::string& text);
/// Empty when `name` can serve as an exchange name (1 to 205 characters, no ".", "/", "\").
std::string CheckExchangeName(const std::string& name);
/// Empty when the two names together fit the exchange file names (206 characters at most:
/// a command file's device path holds 259 with the longest process number and sequence);
/// else the reason.
std::string CheckExchangeNames(const std::string& clientName, const std::string& navigatorName);
/// Empty when `text` is a finite number of seconds from 0 to kLongestTimeoutSeconds (not nan,
/// inf or negative); else the reason.
std::string CheckTimeout(const std::string& text);
/// The value of a text accepted by CheckNumber.
std::int32_t ParseNumber(const std::string& text);

}  // namespace oxsdk::cli
