#include "monitor_events.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

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

std::string Escaped(const std::string& text) {
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            shown += "\\\\";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            shown += code;
        } else {
            shown += c;
        }
    }
    return shown;
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

TMessageText DecodeMessageText(const std::string& bytes) {
    std::size_t end = std::min(bytes.find('\0'), bytes.size());
    const std::size_t lineFeed = bytes.find('\n');
    if (lineFeed < end) end = lineFeed + 1;
    TMessageText text;
    std::size_t start = 0;
    for (std::size_t bar; (bar = bytes.find('|', start)) < end; start = bar + 1) {
        text.fields.push_back(bytes.substr(start, bar - start));
    }
    text.rest = bytes.substr(start, end - start);
    return text;
}

CDirectionTracker::CDirectionTracker(std::string navigatorName, std::size_t capacity)
    : capacity_(capacity) {
    if (!navigatorName.empty()) navigators_.push_back(AsciiLower(std::move(navigatorName)));
}

bool CDirectionTracker::IsNavigator(const std::string& name) const {
    return std::find(navigators_.begin(), navigators_.end(), AsciiLower(name)) != navigators_.end();
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
    if (!IsNavigator(name.reader)) navigators_.push_back(AsciiLower(name.reader));
    const std::string key = Key(name.writer, name.reader, name);
    if (waiting_.insert_or_assign(key, TCommandSeen{wireName, when}).second) order_.push_back(key);
    while (order_.size() > capacity_) {
        waiting_.erase(order_.front());
        order_.pop_front();
    }
    return std::nullopt;
}

nlohmann::ordered_json EventToJson(const TMonitorEvent& event) {
    bool utf8 = IsUtf8(event.file) && IsUtf8(event.client) && IsUtf8(event.navigator) &&
                IsUtf8(event.wireName) && IsUtf8(event.text.rest);
    for (const std::string& field : event.text.fields) utf8 = utf8 && IsUtf8(field);
    auto text = [utf8](const std::string& bytes) { return utf8 ? bytes : Latin1ToUtf8(bytes); };

    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["event"] = KindName(event.kind);
    json["time"] = FormatTime(event.time, true);
    if (event.kind == EEventKind::kWatching) {
        json["folder"] = text(event.file);
        return json;
    }
    if (event.kind == EEventKind::kEventsLost) {
        json["reason"] = event.reason;
        return json;
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
    if (IsMessage(event.kind)) {
        nlohmann::ordered_json fields = nlohmann::ordered_json::array();
        for (const std::string& field : event.text.fields) fields.push_back(text(field));
        json["fields"] = fields;
        if (!event.text.rest.empty()) json["rest"] = text(event.text.rest);
    }
    if (IsMessage(event.kind) || event.kind == EEventKind::kOversized) json["size"] = event.size;
    if (event.latencyMilliseconds) json["latencyMs"] = *event.latencyMilliseconds;
    if (!event.reason.empty()) json["reason"] = event.reason;
    return json;
}

std::string EventToText(const TMonitorEvent& event) {
    std::string kind = KindName(event.kind);
    kind.resize(12, ' ');  // the longest, "events-lost", and a blank
    std::string line = FormatTime(event.time, false) + "  " + kind;
    if (event.kind == EEventKind::kWatching) return line + Escaped(event.file) + "\n";
    if (event.kind == EEventKind::kEventsLost) return line + event.reason + "\n";
    if (!IsMessage(event.kind)) line += Escaped(event.file) + "  ";
    if (event.named) {
        if (!IsMessage(event.kind)) line += event.reply ? "reply " : "command ";
        line += Escaped(event.reply ? event.navigator : event.client) + " -> " +
                Escaped(event.reply ? event.client : event.navigator) + "  pid " +
                std::to_string(event.pid) + "  seq " + std::to_string(event.sequence) + "  ";
    }
    if (IsMessage(event.kind)) {
        line += event.wireName.empty() ? std::string("?") : Escaped(event.wireName);
        // A command's first field is its wire name, shown already.
        const std::size_t first = event.kind == EEventKind::kCommand ? 1 : 0;
        std::string fields;
        for (std::size_t i = first; i < event.text.fields.size(); ++i) {
            fields += (i > first ? "|" : "") + Escaped(event.text.fields[i]);
        }
        if (event.text.fields.size() > first) line += "  " + fields;
        if (!event.text.rest.empty()) line += "  (unclosed: " + Escaped(event.text.rest) + ")";
    } else if (!event.wireName.empty()) {
        line += Escaped(event.wireName) + "  ";
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
    return line + "\n";
}

}  // namespace oxsdk::cli
