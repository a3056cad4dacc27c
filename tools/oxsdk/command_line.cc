// Command-line definition of the client.
#include "command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "argument_forms.h"
#include "command_names.h"
#include "output.h"

namespace oxsdk::cli {

const char* const kDefaultNavigatorName = "OstrelNavigator";
const char* const kDefaultClientName = "oxsdk";
const double kLongestTimeoutSeconds = 365.0 * 24 * 3600;
const double kDefaultTimeoutSeconds = 30;
// A command file is "\Ostrel\SdkFileCalls\CLIENT.NAVIGATOR.PID.SEQ.finished" on the device:
// at most 259 characters, the folder takes 21, and the dots, the longest process number and
// sequence (10 digits each) and "finished" take 32 more.
const std::size_t kLongestExchangeNames = 259 - 21 - 32;

namespace {

const char* const kFooter = R"(Exit statuses:
  0  the reply arrived and its errorCode is 0 (status: the navigator runs)
  1  the navigator answered with a non-zero errorCode (or refused the stop)
  2  usage error: the command line was refused and nothing was sent
  3  transport failure: the command could not be sent (-1) or the reply was malformed (-2);
     or a --gpx/--geojson file could not be written
  4  the navigator is not running (--no-start, status, foreground, stop) or could not be
     started (-5)
  5  timeout: no reply within --timeout (30 s unless given), or the navigator accepted the
     stop but stayed

Arguments:
  numbers      decimal, optional sign, -2147483648..2147483647; anything else is refused
  coordinates  microdegrees as an integer (52370216), or degrees when the value holds a
               decimal point (52.370216, 52.0); a latitude and the longitude after it may
               also come as one argument LAT,LON or geo:LAT,LON, always in degrees
               (geo:52.3702,4.8952)
  enumerations the enumerator's name (ESettingRouteFastest, letter case aside, prefix
               optional: RouteFastest) or its integer value (any 32-bit value is sent)
  texts        sent byte for byte; a text holding "|" or a line feed is refused: the
               navigator would read "|" as a field separator, and the exchange cuts a
               message at its first line feed; tabs, carriage returns and any other bytes
               travel unchanged; "" sends an empty field
  A missing or surplus argument is refused. Put "--" before arguments that start with "-"
  and are not numbers. `oxsdk list` shows every command with its arguments, reply members
  and enumerators; `oxsdk SUBCOMMAND --help` the arguments of one command.

Replies:
  Each record member is printed with its meaning and unit, coordinates also in degrees, and
  each error code with its name (errorCode: 3 (unknown place)). The protocol fixes only the
  member names, the version record and the codes -1, -2 and -5; the other meanings are those
  of the navigator emulator oxsdk-navigator, and another navigator may differ.
)";

std::string ReplyHelp(const TCommandDescription& command) {
    if (command.recordName == nullptr) return "error code only";
    return std::string("COstrelAPI::") + command.recordName;
}

}  // namespace

std::string CheckNumber(const std::string& text) {
    std::size_t digits = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) digits = 1;
    if (digits == text.size()) return "'" + text + "' is not a decimal integer";
    for (std::size_t i = digits; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return "'" + text + "' is not a decimal integer";
    }
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return "'" + text + "' is outside the 32-bit range -2147483648..2147483647";
    }
    return {};
}

std::string CheckText(const std::string& text) {
    if (text.find('|') != std::string::npos) {
        return "the text holds \"|\", which would split it into several fields";
    }
    if (text.find('\n') != std::string::npos) {
        return "the text holds a line feed, at which the exchange cuts the command short";
    }
    return {};
}

std::string CheckTimeout(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0 ||
        value > kLongestTimeoutSeconds) {
        return "'" + text + "' is not a number of seconds from 0 to 31536000 (a year)";
    }
    return {};
}

std::string CheckExchangeNames(const std::string& clientName, const std::string& navigatorName) {
    const std::size_t length = clientName.size() + navigatorName.size();
    if (length <= kLongestExchangeNames) return {};
    return "--client-name and --navigator-name hold " + std::to_string(length) +
           " characters together, at most " + std::to_string(kLongestExchangeNames) +
           " fit: both are part of the exchange file names "
           "\\Ostrel\\SdkFileCalls\\CLIENT.NAVIGATOR.PID.SEQ.finished (at most 259 characters "
           "with a 10-digit process number and sequence)";
}

std::string CheckExchangeName(const std::string& name) {
    if (name.empty()) return "an exchange name must not be empty";
    if (name.size() > kLongestExchangeNames - 1) {
        return "an exchange name holds at most " + std::to_string(kLongestExchangeNames - 1) +
               " characters";
    }
    if (name.find_first_of("./\\") != std::string::npos) {
        return "an exchange name must not hold \".\", \"/\" or \"\\\"";
    }
    return {};
}

std::int32_t ParseNumber(const std::string& text) {
    return static_cast<std::int32_t>(std::strtoll(text.c_str(), nullptr, 10));
}

void DefineCommandLine(CLI::App& app, TCommandLine& commandLine) {
    app.description(
        "Drives the navigation application through the OXSDK5Link library: one subcommand per "
        "remote command of COstrelAPI, plus start, stop, status, foreground, sdk-version, list, "
        "clean and completion.");
    app.footer(kFooter);
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("oxsdk ") + OXSDK_PROJECT_VERSION);
    commandLine.options.clientName = kDefaultClientName;
    commandLine.options.navigatorName = kDefaultNavigatorName;
    commandLine.options.timeoutSeconds = kDefaultTimeoutSeconds;

    const CLI::Validator exchangeName(CheckExchangeName, "");
    app.add_option("--client-name", commandLine.options.clientName, "this client's exchange name")
        ->capture_default_str()
        ->type_name("NAME")
        ->check(exchangeName);
    app.add_option("--navigator-name", commandLine.options.navigatorName,
                   "the navigator's exchange name")
        ->capture_default_str()
        ->type_name("NAME")
        ->check(exchangeName);
    app.add_flag("--json", commandLine.json, "print the outcome as one JSON object");
    app.add_flag("--no-start", commandLine.options.noStart,
                 "fail with status 4 instead of starting the navigator");
    app.add_option("--timeout", commandLine.options.timeoutSeconds,
                   "bound the whole request (start and reply) to SECONDS (default 30), at most "
                   "a year; 0: no bound, wait as long as the library does")
        ->check(CLI::Validator(CheckTimeout, ""))
        ->option_text("SECONDS");
    app.parse_complete_callback([&commandLine] {
        const std::string refused =
            CheckExchangeNames(commandLine.options.clientName, commandLine.options.navigatorName);
        if (!refused.empty()) throw CLI::ValidationError(refused);
    });

    auto local = [&](const char* name, const char* help, ELocalCommand which) {
        CLI::App* sub = app.add_subcommand(name, help);
        sub->fallthrough();
        sub->callback([&commandLine, which] { commandLine.local = which; });
    };
    local("start", "start the navigator unless it runs (StartApplication)", ELocalCommand::Start);
    local("stop",
          "stop the navigator and wait up to 11 s for it to close (StopApplication); never "
          "starts it",
          ELocalCommand::Stop);
    local("status", "whether the navigator runs (IsApplicationRunning); status 4 when not",
          ELocalCommand::Status);
    local("foreground",
          "bring the running navigator's window forward (OstrelApplicationToForeground); never "
          "starts it",
          ELocalCommand::Foreground);
    local("sdk-version", "this library's version (GetSDKVersion); needs no navigator",
          ELocalCommand::SdkVersion);
    local("list", "every remote command with its arguments, wire name and reply",
          ELocalCommand::List);
    local("clean",
          "remove exchange files whose client process is gone, and commands to the navigator "
          "while it does not run; says what it removed",
          ELocalCommand::Clean);
    CLI::App* completion = app.add_subcommand(
        "completion", "print the shell completion script for SHELL (bash or zsh)");
    completion->add_option("shell", commandLine.shell, "bash or zsh")
        ->required()
        ->check(CLI::IsMember({"bash", "zsh"}));
    completion->callback([&commandLine] { commandLine.local = ELocalCommand::Completion; });

    for (const TCommandDescription* command : OXSDK5Link::commands::kAll) {
        const TCommandBinding* binding = FindBinding(*command);
        if (binding == nullptr) continue;  // every entry has one; the tests make sure
        const std::string help = std::string("send ") + command->wireName +
                                 " (COstrelAPI::" + command->name +
                                 "); reply: " + ReplyHelp(*command);
        CLI::App* sub = app.add_subcommand(SubcommandName(command->name), help);
        sub->fallthrough();
        auto typed = std::make_shared<std::vector<std::string>>();
        if (command->argumentCount > 0) {
            // At least one, so that a "--" before the arguments stays with this subcommand;
            // none at all is refused by the conversion, which names what is missing.
            sub->add_option("arguments", *typed, "the arguments below, in this order")
                ->expected(1, -1)
                ->allow_extra_args()
                ->type_name("ARGUMENT");
            sub->footer("Arguments:\n" + ArgumentsHelp(*binding));
        }
        if (command == &OXSDK5Link::commands::GetRouteCoordinates) {
            sub->add_option("--gpx", commandLine.gpxPath,
                            "also write the route to FILE as a GPX 1.1 track (degrees)")
                ->type_name("FILE");
            sub->add_option("--geojson", commandLine.geoJsonPath,
                            "also write the route to FILE as a GeoJSON LineString (degrees, "
                            "longitude first)")
                ->type_name("FILE");
        }
        sub->callback([&commandLine, binding, typed] {
            commandLine.binding = binding;
            commandLine.rawArguments = *typed;
            const std::string refused = ConvertArguments(*binding, *typed, &commandLine.values);
            if (!refused.empty()) throw CLI::ValidationError(refused);
        });
    }
}

std::string UnknownSubcommandMessage(const CLI::App& app,
                                     const std::vector<std::string>& arguments) {
    // The first word that is neither an option nor an option's value is the subcommand.
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--") break;
        if (!word.empty() && word[0] == '-') {
            const std::string name = word.substr(0, word.find('='));
            const CLI::Option* option = app.get_option_no_throw(name);
            if (option != nullptr && word.find('=') == std::string::npos &&
                option->get_items_expected_max() > 0) {
                ++i;  // its value
            }
            continue;
        }
        std::vector<std::string> names;
        for (const CLI::App* sub : app.get_subcommands({})) {
            if (sub->get_name() == word) return {};
            names.push_back(sub->get_name());
        }
        std::string message = "unknown subcommand '" + word + "'";
        const std::string closest = ClosestName(word, names);
        if (!closest.empty()) message += "; did you mean '" + closest + "'?";
        return message + " (`oxsdk --help` lists them all)";
    }
    return {};
}

}  // namespace oxsdk::cli
