#include "monitor_events.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

#include "escaped_text.h"

namespace oxsdk::cli {
namespace {

bool ParseNumber(const std::string& text, std::uint32_t* value) {
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0')) return false;
    std::uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (number > 0xFFFFFFFFu) return false;
    *value = static_cast<std::uint32_t>(number);
    return true;
}

std::string Key(const std::string& writer, const std::string& reader, const TExchangeName& name) {
    return writer + '.' + reader + '.' + std::to_string(name.pid) + '.' +
           std::to_string(name.sequence);
}

bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        std::uint32_t point = lead;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            point = lead & 0x07u;
        } else if (lead >= 0xE0) {
            length = lead <= 0xEF ? 3 : 0;
            point = lead & 0x0Fu;
        } else if (lead >= 0xC2) {
            length = 2;
            point = lead & 0x1Fu;
        } else if (lead >= 0x80) {
            length = 0;
        }
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            point = (point << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and points past U+10FFFF are not UTF-8.
        if ((length == 3 && (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF))) ||
            (length == 4 && (point < 0x10000 || point > 0x10FFFF))) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string text;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

std::string FormatTime(std::chrono::system_clock::time_point time, bool utc) {
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(micros / 1000000);
    long fraction = static_cast<long>(micros % 1000000);
    if (fraction < 0) {
        fraction += 1000000;
        --seconds;
    }
    const std::tm* parts = utc ? std::gmtime(&seconds) : std::localtime(&seconds);
    char text[64] = "";
    if (parts != nullptr) {
        char whole[40];
        std::strftime(whole, sizeof whole, utc ? "%Y-%m-%dT%H:%M:%S" : "%H:%M:%S", parts);
        std::snprintf(text, sizeof text, utc ? "%s.%06ldZ" : "%s.%06ld", whole, fraction);
    }
    return text;
}

const char* KindName(EEventKind kind) {
    switch (kind) {
        case EEventKind::kWatching:
            return "watching";
        case EEventKind::kCommand:
            return "command";
        case EEventKind::kReply:
            return "reply";
        case EEventKind::kVanished:
            return "vanished";
        case EEventKind::kUnreadable:
            return "unreadable";
        case EEventKind::kOversized:
            return "oversized";
        case EEventKind::kEventsLost:
            return "events-lost";
    }
    return "";
}

bool IsMessage(EEventKind kind) {
    return kind == EEventKind::kCommand || kind == EEventKind::kReply;
}

}  // namespace

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool ParseExchangeName(const std::string& fileName, TExchangeName* name) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t dot = fileName.find('.', start);
        parts.push_back(fileName.substr(start, dot == std::string::npos ? dot : dot - start));
        if (dot == std::string::npos || parts.size() > 5) break;
        start = dot + 1;
    }
    if (parts.size() != 5 || (parts[4] != "message" && parts[4] != "finished")) return false;
    if (!ParseNumber(parts[2], &name->pid) || !ParseNumber(parts[3], &name->sequence)) {
        return false;
    }
    name->writer = parts[0];
    name->reader = parts[1];
    return true;
}

TMessageText DecodeMessageText(std::string bytes) {
    std::size_t end = std::min(bytes.find('\0'), bytes.size());
    const std::size_t lineFeed = bytes.find('\n');
    if (lineFeed < end) end = lineFeed + 1;
    TMessageText text;
    bytes.resize(end);
    text.text = std::move(bytes);  // a long message is not copied
    for (std::size_t bar = 0; (bar = text.text.find('|', bar)) != std::string::npos; ++bar) {
        ++text.fieldCount;
        text.closed = bar + 1;
    }
    return text;
}

std::vector<std::string> TMessageText::Fields() const {
    std::vector<std::string> fields;
    for (std::size_t start = 0, bar; start < closed; start = bar + 1) {
        bar = text.find('|', start);
        fields.push_back(text.substr(start, bar - start));
    }
    return fields;
}

std::string TMessageText::FirstField() const {
    return fieldCount > 0 ? text.substr(0, text.find('|')) : std::string();
}

CDirectionTracker::CDirectionTracker(std::string navigatorName, std::size_t capacity)
    : navigatorName_(AsciiLower(std::move(navigatorName))), capacity_(capacity) {}

bool CDirectionTracker::IsNavigator(const std::string& name) const {
    const std::string lower = AsciiLower(name);
    return (!navigatorName_.empty() && lower == navigatorName_) || navigators_.count(lower) != 0;
}

EDirection CDirectionTracker::DirectionOf(const TExchangeName& name) const {
    if (waiting_.count(Key(name.reader, name.writer, name)) != 0) return EDirection::kReply;
    if (IsNavigator(name.writer) && !IsNavigator(name.reader)) return EDirection::kReply;
    return EDirection::kCommand;
}

std::optional<CDirectionTracker::TCommandSeen> CDirectionTracker::Record(
    const TExchangeName& name, EDirection direction, const std::string& wireName,
    std::chrono::steady_clock::time_point when) {
    if (direction == EDirection::kReply) {
        const auto command = waiting_.find(Key(name.reader, name.writer, name));
        if (command == waiting_.end()) return std::nullopt;
        TCommandSeen seen = command->second;
        waiting_.erase(command);  // its key stays in order_ until it is pushed out
        return seen;
    }
    if (!IsNavigator(name.reader)) {
        navigatorOrder_.push_back(AsciiLower(name.reader));
        navigators_.insert(navigatorOrder_.back());
        if (navigatorOrder_.size() > capacity_) {
            navigators_.erase(navigatorOrder_.front());
            navigatorOrder_.pop_front();
        }
    }
    const std::string key = Key(name.writer, name.reader, name);
    if (waiting_.insert_or_assign(key, TCommandSeen{wireName, when}).second) order_.push_back(key);
    while (order_.size() > capacity_) {
        waiting_.erase(order_.front());
        order_.pop_front();
    }
    return std::nullopt;
}

namespace {

// Appends `size` bytes of UTF-8 `text` as a JSON string, escaped as the JSON library escapes
// it (quote and backslash, the short escapes of the five controls that have one, "\u00xx" for
// the other controls), so that a line reads the same whichever of the two wrote a part of it.
void AppendJsonString(std::string& out, const char* text, std::size_t size) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < size; ++i) {
        const char c = text[i];
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\\u00";
                    out += kHex[static_cast<unsigned char>(c) >> 4];
                    out += kHex[static_cast<unsigned char>(c) & 0x0F];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

// A compact dump of `json`; bytes that are not UTF-8 become replacement characters.
std::string Dumped(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

std::string EventToJsonLine(const TMonitorEvent& event) {
    const bool utf8 = IsUtf8(event.file) && IsUtf8(event.client) && IsUtf8(event.navigator) &&
                      IsUtf8(event.wireName) && IsUtf8(event.text.text);
    auto text = [utf8](const std::string& bytes) { return utf8 ? bytes : Latin1ToUtf8(bytes); };

    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["event"] = KindName(event.kind);
    json["time"] = FormatTime(event.time, true);
    if (event.kind == EEventKind::kWatching) {
        json["folder"] = text(event.file);
        return Dumped(json) + "\n";
    }
    if (event.kind == EEventKind::kEventsLost) {
        json["reason"] = event.reason;
        return Dumped(json) + "\n";
    }
    if (!utf8) json["encoding"] = "latin-1";
    if (!IsMessage(event.kind)) json["file"] = text(event.file);
    if (!IsMessage(event.kind) && event.named)
        json["direction"] = event.reply ? "reply" : "command";
    if (event.named) {
        json["client"] = text(event.client);
        json["navigator"] = text(event.navigator);
        json["pid"] = event.pid;
        json["sequence"] = event.sequence;
    }
    if (!event.wireName.empty()) json["wireName"] = text(event.wireName);
    std::string line = Dumped(json);
    line.pop_back();  // the closing brace: the fields and the rest follow
    if (IsMessage(event.kind)) {
        std::string converted;
        if (!utf8) converted = Latin1ToUtf8(event.text.text);
        const std::string& bytes = utf8 ? event.text.text : converted;
        const std::size_t closed = event.text.fieldCount > 0 ? bytes.rfind('|') + 1 : 0;
        // Each field adds its quotes and a comma.
        line.reserve(line.size() + bytes.size() + 3 * event.text.fieldCount + 64);
        line += ",\"fields\":[";
        for (std::size_t start = 0, bar; start < closed; start = bar + 1) {
            bar = bytes.find('|', start);
            if (start > 0) line += ',';
            AppendJsonString(line, bytes.data() + start, bar - start);
        }
        line += ']';
        if (closed < bytes.size()) {
            line += ",\"rest\":";
            AppendJsonString(line, bytes.data() + closed, bytes.size() - closed);
        }
    }
    nlohmann::ordered_json tail = nlohmann::ordered_json::object();
    if (IsMessage(event.kind) || event.kind == EEventKind::kOversized) tail["size"] = event.size;
    if (event.latencyMilliseconds) tail["latencyMs"] = *event.latencyMilliseconds;
    if (!event.reason.empty()) tail["reason"] = event.reason;
    if (!tail.empty())
        line += ',' + Dumped(tail).substr(1);
    else
        line += '}';
    line += '\n';  // not line + "\n": that would copy a long line once more
    return line;
}

std::string EventToText(const TMonitorEvent& event) {
    std::string kind = KindName(event.kind);
    kind.resize(12, ' ');  // the longest, "events-lost", and a blank
    std::string line = FormatTime(event.time, false) + "  " + kind;
    if (event.kind == EEventKind::kWatching) return line + EscapedText(event.file) + "\n";
    if (event.kind == EEventKind::kEventsLost) return line + event.reason + "\n";
    if (!IsMessage(event.kind)) line += EscapedText(event.file) + "  ";
    if (event.named) {
        if (!IsMessage(event.kind)) line += event.reply ? "reply " : "command ";
        line += EscapedText(event.reply ? event.navigator : event.client) + " -> " +
                EscapedText(event.reply ? event.client : event.navigator) + "  pid " +
                std::to_string(event.pid) + "  seq " + std::to_string(event.sequence) + "  ";
    }
    if (IsMessage(event.kind)) {
        line += event.wireName.empty() ? std::string("?") : EscapedText(event.wireName);
        // A command's first field is its wire name, shown already. The fields are shown as
        // they stand in the text, joined by their "|" (which escaping leaves alone).
        const TMessageText& text = event.text;
        const std::size_t skipped =
            event.kind == EEventKind::kCommand && text.fieldCount > 0 ? text.text.find('|') + 1 : 0;
        if (text.fieldCount > (event.kind == EEventKind::kCommand ? 1u : 0u)) {
            line.reserve(line.size() + text.closed + 64);
            line += "  ";
            AppendEscaped(line, text.text.data() + skipped, text.closed - 1 - skipped);
        }
        if (text.closed < text.text.size()) {
            line += "  (unclosed: ";
            AppendEscaped(line, text.text.data() + text.closed, text.text.size() - text.closed);
            line += ")";
        }
    } else if (!event.wireName.empty()) {
        line += EscapedText(event.wireName) + "  ";
    }
    if (event.kind == EEventKind::kOversized) {
        line += std::to_string(event.size) + " bytes, over the bound: not read";
    }
    if (!event.reason.empty()) line += event.reason;
    if (event.latencyMilliseconds) {
        char latency[32];
        std::snprintf(latency, sizeof latency, "  %.3f ms", *event.latencyMilliseconds);
        line += latency;
    }
    line += '\n';
    return line;
}

}  // namespace oxsdk::cli
