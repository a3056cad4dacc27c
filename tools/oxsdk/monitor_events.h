// What `oxsdk monitor` makes of the files it sees: the fields of an exchange file name, the
// fields of a message as the receiver decodes them, which way a message travels (command or
// reply) and the events it prints, as a line for a person or as one JSON object. Pure code,
// no I/O; called by monitor.cc and by the tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "nlohmann/json.hpp"

namespace oxsdk::cli {

/// "writer.reader.pid.sequence.message" (or ".finished"): pid and sequence are decimal
/// numbers of 32 bits without sign or leading zero, as the library writes them; the names may
/// be empty but hold no ".".
struct TExchangeName {
    std::string writer;
    std::string reader;
    std::uint32_t pid = 0;
    std::uint32_t sequence = 0;
};
bool ParseExchangeName(const std::string& fileName, TExchangeName* name);

/// `text` with ASCII capitals in lower case: exchange names compare without regard to case.
std::string AsciiLower(std::string text);

/// A message as its receiver reads it: the text ends at the first zero byte and just after the
/// first line feed; every piece that a "|" closes is a field; the piece after the last "|"
/// (the rest, empty in what the library writes) is no field. The text is kept whole, not cut
/// into one string per field, so that a reply of millions of empty fields takes no more memory
/// than its own bytes.
struct TMessageText {
    std::string text;        ///< what the receiver reads
    std::size_t closed = 0;  ///< bytes of `text` that fields take, the last "|" included
    std::size_t fieldCount = 0;

    std::vector<std::string> Fields() const;
    /// The first field; empty when there is none.
    std::string FirstField() const;
    std::string Rest() const { return text.substr(closed); }
};
TMessageText DecodeMessageText(std::string bytes);

enum class EDirection { kCommand, kReply };

/// Tells commands from replies. A reply carries its command's names swapped: a message whose
/// swapped twin was seen as a command is its reply. Otherwise a message written by a name known
/// as a navigator (the reader of an earlier command, or the one given at construction) to one
/// that is not is a reply, and anything else a command. Commands wait for their reply in a
/// bounded table (the oldest is forgotten first); the names known as navigators are bounded
/// alike, the one given at construction aside. A message costs a few lookups, however many
/// names were seen.
class CDirectionTracker {
public:
    explicit CDirectionTracker(std::string navigatorName, std::size_t capacity = 65536);

    EDirection DirectionOf(const TExchangeName& name) const;

    struct TCommandSeen {
        std::string wireName;
        std::chrono::steady_clock::time_point when;
    };
    /// Notes a message going `direction`; for a reply, returns its command when it was seen.
    std::optional<TCommandSeen> Record(const TExchangeName& name, EDirection direction,
                                       const std::string& wireName,
                                       std::chrono::steady_clock::time_point when);

private:
    bool IsNavigator(const std::string& name) const;

    std::string navigatorName_;         // lower case, never forgotten
    std::set<std::string> navigators_;  // lower case, seen as readers of commands
    std::deque<std::string> navigatorOrder_;
    std::map<std::string, TCommandSeen> waiting_;
    std::deque<std::string> order_;
    std::size_t capacity_;
};

enum class EEventKind {
    kWatching,
    kCommand,
    kReply,
    kVanished,
    kUnreadable,
    kOversized,
    kEventsLost
};

/// One line of the monitor's output.
struct TMonitorEvent {
    EEventKind kind = EEventKind::kCommand;
    std::chrono::system_clock::time_point time;
    std::string file;    ///< the message file's name (the folder for kWatching)
    bool named = false;  ///< the name was parsed: client, navigator, pid, sequence are set
    bool reply = false;  ///< the message goes from the navigator to the client
    std::string client;
    std::string navigator;
    std::uint32_t pid = 0;
    std::uint32_t sequence = 0;
    std::string wireName;  ///< a command's first field; a reply's from its command
    TMessageText text;
    std::uint64_t size = 0;  ///< bytes in the message file
    std::optional<double> latencyMilliseconds;
    std::string reason;
};

/// One JSON object on one line, closed by a line feed: "event" (watching, command, reply,
/// vanished, unreadable, oversized, events-lost), "time" (UTC, ISO 8601 with microseconds) and
/// what applies of file, direction (of a message that was not read), client, navigator, pid,
/// sequence, wireName, fields, rest, size, latencyMs, reason. Texts go as they are when they
/// are UTF-8; otherwise every text of the event is given byte for byte as Latin-1 characters
/// and "encoding": "latin-1" says so. The fields are written straight from the message text,
/// never as a tree of values.
std::string EventToJsonLine(const TMonitorEvent& event);

/// "HH:MM:SS.uuuuuu  command  client -> navigator  pid P  seq S  WireName  f1|f2" in local
/// time; a reply also gives its latency. Control characters and "\" are escaped.
std::string EventToText(const TMonitorEvent& event);

}  // namespace oxsdk::cli
