#include "platform/device_text.h"

namespace oxsdk::platform {

bool WidenText(const char* text, char16_t* out, int capacity) {
    for (int i = 0; i < capacity; ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
        if (text[i] == '\0') return true;
    }
    if (capacity > 0) out[0] = u'\0';
    return false;
}

bool NarrowText(const char16_t* text, char* out, int capacity) {
    for (int i = 0; i < capacity; ++i) {
        if (text[i] > 0xFF) break;
        out[i] = static_cast<char>(text[i]);
        if (text[i] == u'\0') return true;
    }
    if (capacity > 0) out[0] = '\0';
    return false;
}

int WideLength(const char16_t* text) {
    int length = 0;
    while (text[length] != u'\0') ++length;
    return length;
}

bool AppendWide(char16_t* out, int capacity, const char16_t* text) {
    int start = WideLength(out);
    int extra = WideLength(text);
    if (start + extra + 1 > capacity) return false;
    for (int i = 0; i <= extra; ++i) out[start + i] = text[i];
    return true;
}

}  // namespace oxsdk::platform
