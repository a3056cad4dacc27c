// Command-line definition of the client.
#include "command_line.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "argument_forms.h"
#include "command_names.h"
#include "exit_status.h"
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
               decimal point (52.370216, 52.0); a whole number from -180 to 180 (0 aside)
               is refused as ambiguous: write 52.0 for degrees or 52u for microdegrees (the
               "u" marks microdegrees at any size); a latitude and the longitude after it may
               also come as one argument LAT,LON or geo:LAT,LON, always in degrees
               (geo:52.3702,4.8952)
  enumerations the enumerator's name (ESettingRouteFastest, letter case aside, prefix
               optional: RouteFastest) or its integer value (any 32-bit value is sent)
  texts        sent byte for byte; a text holding "|" or a line feed is refused: the
               navigator would read "|" as a field separator, and the exchange cuts a
               message at its first line feed; tabs, carriage returns and any other bytes
               travel unchanged; "" sends an empty field
  A missing or surplus argument is refused. Every word after the subcommand that is not
  one of the options above is an argument, as typed, even when it starts with "-"; -h or
  --help alone after the subcommand shows its help. `oxsdk list` shows every command
  with its arguments, reply members and enumerators; `oxsdk SUBCOMMAND --help` the
  arguments of one command.

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

namespace {

// The named (non-positional) option of `app` or of an app above it that `word` (up to an "=")
// names; null for any other word, and for the help options.
const CLI::Option* NamedOption(const CLI::App& app, const std::string& word) {
    if (word.size() < 2 || word[0] != '-') return nullptr;
    const std::string name = word.substr(0, word.find('='));
    for (const CLI::App* at = &app; at != nullptr; at = at->get_parent()) {
        const CLI::Option* option = at->get_option_no_throw(name);
        if (option != nullptr && option->nonpositional() && option != at->get_help_ptr()) {
            return option;
        }
    }
    return nullptr;
}

// Whether `option`, as `word` gives it, takes the next word as its value.
bool TakesNextWord(const CLI::Option& option, const std::string& word) {
    return word.find('=') == std::string::npos && option.get_items_expected_max() > 0;
}

// The index of the subcommand's name in `arguments` (past the global options and their
// values), or arguments.size() when there is none.
std::size_t SubcommandIndex(const CLI::App& app, const std::vector<std::string>& arguments,
                            const CLI::App** sub) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--") break;
        if (const CLI::Option* option = NamedOption(app, word)) {
            if (TakesNextWord(*option, word)) ++i;
            continue;
        }
        if (!word.empty() && word[0] == '-') continue;
        for (const CLI::App* candidate : app.get_subcommands({})) {
            if (candidate->get_name() == word) {
                *sub = candidate;
                return i;
            }
        }
        break;
    }
    return arguments.size();
}

bool IsHelpWord(const std::string& word) {
    return word == "-h" || word == "--help";
}

// Every option name of `app` and of the apps above it, for suggestions.
std::vector<std::string> OptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* at = &app; at != nullptr; at = at->get_parent()) {
        for (const CLI::Option* option : at->get_options({})) {
            for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        }
    }
    return names;
}

// A word that looks like an option but names none, with the closest option name; empty when
// every option word is known.
std::string UnknownOptionMessage(const CLI::App& app, const std::vector<std::string>& arguments) {
    const CLI::App* sub = nullptr;
    const std::size_t at = SubcommandIndex(app, arguments, &sub);
    const CLI::App& scope = sub != nullptr ? *sub : app;
    // After a subcommand that takes arguments, such words are arguments.
    const bool takesArguments = sub != nullptr && !sub->get_options([](const CLI::Option* option) {
                                                          return !option->nonpositional();
                                                      })
                                                       .empty();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--" || (i > at && takesArguments)) break;
        if (i == at || word.size() < 2 || word[0] != '-' || IsHelpWord(word) ||
            word == "--version" || CheckNumber(word).empty()) {
            continue;
        }
        if (const CLI::Option* option = NamedOption(i > at ? scope : app, word)) {
            if (TakesNextWord(*option, word)) ++i;
            continue;
        }
        const std::string name = word.substr(0, word.find('='));
        std::string message = "unknown option '" + name + "'";
        const std::string closest = ClosestName(name, OptionNames(scope));
        if (!closest.empty()) message += "; did you mean '" + closest + "'?";
        return message;
    }
    return {};
}

// "oxsdk: REASON" for the person, and the JSON object for a --json caller.
int ReportUsageError(const std::vector<std::string>& arguments, const std::string& subcommand,
                     const std::string& reason, std::ostream& out, std::ostream& err) {
    err << "oxsdk: " << reason << '\n';
    bool json = false;
    for (const std::string& word : arguments) {
        if (word == "--") break;
        json |= word == "--json";
    }
    if (json) {
        nlohmann::ordered_json report = nlohmann::ordered_json::object();
        report["command"] = subcommand;
        report["status"] = StatusName(EExitStatus::UsageError);
        report["exitStatus"] = ExitCode(EExitStatus::UsageError);
        report["message"] = reason;
        out << DumpJson(report) << '\n';
    }
    return ExitCode(EExitStatus::UsageError);
}

}  // namespace

std::vector<std::string> ArgumentsAsTyped(const CLI::App& app, std::vector<std::string> arguments) {
    const CLI::App* sub = nullptr;
    const std::size_t at = SubcommandIndex(app, arguments, &sub);
    if (sub == nullptr ||
        sub->get_options([](const CLI::Option* option) { return !option->nonpositional(); })
            .empty()) {
        return arguments;
    }
    std::vector<std::string> options, typed;
    bool rest = false;
    for (std::size_t i = at + 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        const CLI::Option* option = rest ? nullptr : NamedOption(*sub, word);
        if (option != nullptr) {
            options.push_back(word);
            if (TakesNextWord(*option, word) && i + 1 < arguments.size()) {
                options.push_back(arguments[++i]);
            }
        } else if (word == "--" && !rest) {
            rest = true;
        } else {
            typed.push_back(word);
        }
    }
    if (typed.size() == 1 && IsHelpWord(typed[0]) && !rest) return arguments;
    arguments.resize(at + 1);
    arguments.insert(arguments.end(), options.begin(), options.end());
    if (!typed.empty()) {
        arguments.push_back("--");
        arguments.insert(arguments.end(), typed.begin(), typed.end());
    }
    return arguments;
}

std::optional<int> ParseCommandLine(CLI::App& app, int argc, const char* const* argv,
                                    std::ostream& out, std::ostream& err) {
    const std::vector<std::string> typed(argv + 1, argv + argc);
    std::vector<std::string> arguments = ArgumentsAsTyped(app, typed);
    const CLI::App* sub = nullptr;
    SubcommandIndex(app, typed, &sub);
    const std::string subcommand = sub != nullptr ? sub->get_name() : "";
    try {
        // CLI11 takes the arguments last first.
        std::reverse(arguments.begin(), arguments.end());
        app.parse(arguments);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) return app.exit(error, out, err);
        std::string reason = UnknownOptionMessage(app, typed);
        if (reason.empty()) reason = UnknownSubcommandMessage(app, typed);
        if (reason.empty()) {
            reason = error.what();
            reason += subcommand.empty() ? " (`oxsdk --help` shows the usage)"
                                         : " (`oxsdk " + subcommand + " --help` shows its usage)";
        }
        return ReportUsageError(typed, subcommand, reason, out, err);
    }
    return std::nullopt;
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
