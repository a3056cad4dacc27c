#include "transport/exchange_file_name.h"

#include <cstdio>
#include <cstring>

#include "platform/device_text.h"
#include "transport/parse_decimal.h"

namespace oxsdk::transport {
namespace {

constexpr char kMarkerSuffix[] = ".finished";
constexpr std::size_t kMarkerSuffixLength = sizeof(kMarkerSuffix) - 1;

bool SameNameIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char left = static_cast<unsigned char>(*a);
        unsigned char right = static_cast<unsigned char>(*b);
        if (left >= 'A' && left <= 'Z') left = static_cast<unsigned char>(left - 'A' + 'a');
        if (right >= 'A' && right <= 'Z') right = static_cast<unsigned char>(right - 'A' + 'a');
        if (left != right) return false;
        if (left == '\0') return true;
    }
}

// Ends the field that starts at `start` at the next ".", returning the text after it; null
// when there is no further ".".
char* EndField(char* start) {
    char* dot = std::strchr(start, '.');
    if (dot == nullptr) return nullptr;
    *dot = '\0';
    return dot + 1;
}

}  // namespace

bool IsUsableExchangeName(const char* name) {
    if (name == nullptr) return false;
    for (int i = 0; i < kFileNameCapacity; ++i) {
        const char c = name[i];
        if (c == '\0') return true;
        if (c == '.' || c == '/' || c == '\\') return false;
    }
    return false;
}

bool FormatMarkerPattern(const char* receiver, char16_t* pattern, int capacity) {
    char narrow[kFileNameCapacity + 16];
    const int length = std::snprintf(narrow, sizeof narrow, "*.%s.*.*.finished", receiver);
    if (length < 0 || length >= static_cast<int>(sizeof narrow)) return false;
    return platform::WidenText(narrow, pattern, capacity);
}

bool FormatExchangeFileName(char (&name)[kFileNameCapacity], EExchangeFile kind, const char* writer,
                            const char* reader, int pid, int sequence) {
    const char* format =
        kind == EExchangeFile::kMessage ? "%s.%s.%u.%u.message" : "%s.%s.%u.%u.finished";
    int length = std::snprintf(name, sizeof(name), format, writer, reader,
                               static_cast<unsigned>(pid), static_cast<unsigned>(sequence));
    if (length < 0 || length >= kFileNameCapacity) {
        name[0] = '\0';
        return false;
    }
    return true;
}

bool ParseMarkerName(const char* entryName, const char* receiver, TMarkerFields* fields) {
    std::size_t length = 0;
    while (length < kFileNameCapacity && entryName[length] != '\0') ++length;
    if (length >= kFileNameCapacity || length < kMarkerSuffixLength) return false;
    if (std::memcmp(entryName + length - kMarkerSuffixLength, kMarkerSuffix, kMarkerSuffixLength) !=
        0) {
        return false;
    }
    char work[kFileNameCapacity];
    std::memcpy(work, entryName, length + 1);

    char* writer = work;
    char* reader = EndField(writer);
    if (reader == nullptr) return false;
    char* pidText = EndField(reader);
    if (pidText == nullptr || !SameNameIgnoringCase(reader, receiver)) return false;
    char* sequenceText = EndField(pidText);
    if (sequenceText == nullptr) return false;
    if (EndField(sequenceText) == nullptr) return false;

    int pid = ParseDecimal(pidText);
    int sequence = ParseDecimal(sequenceText);
    if (pid == -1) return false;

    // Only a name that formats back to itself is the marker of a message that can be found.
    char rebuilt[kFileNameCapacity];
    if (!FormatExchangeFileName(rebuilt, EExchangeFile::kMarker, writer, reader, pid, sequence) ||
        std::strcmp(rebuilt, entryName) != 0) {
        return false;
    }
    std::memcpy(fields->writer, writer, std::strlen(writer) + 1);
    std::memcpy(fields->reader, reader, std::strlen(reader) + 1);
    fields->pid = pid;
    fields->sequence = sequence;
    return true;
}

}  // namespace oxsdk::transport
