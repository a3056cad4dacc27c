#include "escaped_text.h"

namespace oxsdk::cli {

void AppendEscaped(std::string& out, const char* text, std::size_t size) {
    static const char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < size; ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
}

std::string EscapedText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    AppendEscaped(shown, text.data(), text.size());
    return shown;
}

}  // namespace oxsdk::cli
