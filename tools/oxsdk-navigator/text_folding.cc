#include "text_folding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace oxsdk::emulator {
namespace {

// Base letters of U+00C0..U+00FF; 0 for the signs that are not letters.
constexpr const char* kLatin1Letters[64] = {
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y"};

// Decodes one character at `text[*index]`: a valid UTF-8 sequence, else one Latin-1 byte.
std::uint32_t NextCodePoint(std::string_view text, std::size_t* index) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(*index);
    int length = 0;
    std::uint32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
    }
    if (length > 0 && *index + static_cast<std::size_t>(length) <= text.size()) {
        // The second byte's range rules out overlong forms, surrogates (U+D800..U+DFFF) and
        // code points above U+10FFFF.
        const unsigned char second = byte(*index + 1);
        const unsigned char lowest = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char highest = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        bool valid = second >= lowest && second <= highest;
        for (int i = 1; i < length && valid; ++i) {
            const unsigned char next = byte(*index + static_cast<std::size_t>(i));
            valid = (next & 0xC0u) == 0x80u;
            value = (value << 6) | (next & 0x3Fu);
        }
        if (valid) {
            *index += static_cast<std::size_t>(length);
            return value;
        }
    }
    *index += 1;
    return lead;
}

std::string FoldCodePoint(std::uint32_t c) {
    if (c < 0x80) {
        const auto ascii = static_cast<unsigned char>(c);
        if (std::isalnum(ascii)) return std::string(1, static_cast<char>(std::tolower(ascii)));
        return {};
    }
    if (c >= 0xC0 && c <= 0xFF) return kLatin1Letters[c - 0xC0];
    switch (c) {
        case 0x152:
        case 0x153:
            return "oe";
        case 0x141:
        case 0x142:
            return "l";
        case 0x160:
        case 0x161:
            return "s";
        case 0x17D:
        case 0x17E:
            return "z";
        case 0x178:
            return "y";
        default:
            return {};
    }
}

struct TCountry {
    const char* code;
    const char* name;
    const char* aliases;  // folded, separated by ","
};

constexpr TCountry kCountries[] = {
    {"NL", "Netherlands", "nl,nld,netherlands,thenetherlands,nederland,holland"},
    {"BE", "Belgium", "be,bel,belgium,belgie,belgique,belgien"},
    {"LU", "Luxembourg", "lu,lux,luxembourg,luxemburg,letzebuerg"},
    {"DE", "Germany", "de,deu,ger,germany,deutschland,allemagne,duitsland"},
    {"FR", "France", "fr,fra,france,frankrijk,frankreich"},
    {"GB", "United Kingdom",
     "gb,gbr,uk,unitedkingdom,greatbritain,britain,england,scotland,wales,northernireland"},
};

}  // namespace

std::string FoldText(std::string_view text, bool umlautDigraphs) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::uint32_t c = NextCodePoint(text, &i);
        folded += FoldCodePoint(c);
        if (umlautDigraphs &&
            (c == 0xC4 || c == 0xD6 || c == 0xDC || c == 0xE4 || c == 0xF6 || c == 0xFC)) {
            folded += 'e';
        }
    }
    return folded;
}

std::string FoldPostalCode(std::string_view text) {
    std::string folded;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) && byte < 0x80) {
            folded += static_cast<char>(std::toupper(byte));
        }
    }
    return folded;
}

std::string ReplyText(std::string_view text, std::size_t maxBytes) {
    std::string out(text.substr(0, std::min(text.size(), maxBytes)));
    if (out.size() < text.size()) {
        // Do not leave the first bytes of a cut multi-byte character behind.
        std::size_t end = out.size();
        while (end > 0 && (static_cast<unsigned char>(out[end - 1]) & 0xC0u) == 0x80u) --end;
        if (end > 0 && static_cast<unsigned char>(out[end - 1]) >= 0xC0u) {
            const unsigned char lead = static_cast<unsigned char>(out[end - 1]);
            const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (out.size() - (end - 1) < length) out.resize(end - 1);
        }
    }
    for (char& c : out) {
        if (c == '|') c = '/';
    }
    return out;
}

std::string CountryCode(std::string_view text) {
    const std::string folded = FoldText(text);
    if (folded.empty()) return {};
    for (const TCountry& country : kCountries) {
        std::string_view aliases = country.aliases;
        while (!aliases.empty()) {
            const std::size_t comma = aliases.find(',');
            const std::string_view alias = aliases.substr(0, comma);
            if (alias == folded) return country.code;
            if (comma == std::string_view::npos) break;
            aliases.remove_prefix(comma + 1);
        }
    }
    return {};
}

std::string CountryName(std::string_view code) {
    for (const TCountry& country : kCountries) {
        if (code == country.code) return country.name;
    }
    return std::string(code);
}

}  // namespace oxsdk::emulator

namespace oxsdk::emulator {

std::string ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const std::uint32_t c = NextCodePoint(text, &i);
        if (i - start > 1 || c < 0x80) {
            out.append(text.substr(start, i - start));
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace oxsdk::emulator
