// CSdkBase, MArguments and CCsvArguments: the separator-closed argument list.
//
// The text length is kept in `textLength` while the list is built by AppendArgument, so
// appending never rescans the text; a text placed in the buffer from outside (a reply read
// into CommandBuffer()) is measured once when it is decoded.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "OXSDK5Link/Arguments.h"

CSdkBase::~CSdkBase() = default;

void* CSdkBase::operator new(std::size_t size) noexcept {
    void* block = std::malloc(size);
    if (block != nullptr) std::memset(block, 0, size);
    return block;
}

void CSdkBase::operator delete(void* block) noexcept {
    std::free(block);
}

MArguments::~MArguments() = default;

CCsvArguments::CCsvArguments(char separatorCharacter)
    : largeBuffer(nullptr),
      largeBufferSize(0),
      largeFields(nullptr),
      largeFieldsSize(0),
      nrFields(0),
      separator(separatorCharacter),
      textLength(0),
      fieldStride(1),
      lastFieldIndex(-1),
      lastField(nullptr) {
    commandBuffer[0] = '\0';
}

CCsvArguments::CCsvArguments(const CCsvArguments& other)
    : MArguments(other),
      CSdkBase(other),
      largeBuffer(nullptr),
      largeBufferSize(0),
      largeFields(nullptr),
      largeFieldsSize(0),
      nrFields(0),
      separator(other.separator),
      textLength(0),
      fieldStride(1),
      lastFieldIndex(-1),
      lastField(nullptr) {
    commandBuffer[0] = '\0';
    CopyFrom(other);
}

CCsvArguments& CCsvArguments::operator=(const CCsvArguments& other) {
    if (this != &other) {
        Reset();
        separator = other.separator;
        CopyFrom(other);
    }
    return *this;
}

CCsvArguments::~CCsvArguments() {
    CCsvArguments::Reset();
}

// Duplicates the other list's text buffer and field table into this (empty) list, rebasing the
// field pointers onto the copy. When memory runs out the copy is left empty.
void CCsvArguments::CopyFrom(const CCsvArguments& other) {
    const char* source = other.largeBuffer != nullptr ? other.largeBuffer : other.commandBuffer;
    if (other.largeBuffer != nullptr) {
        largeBuffer =
            static_cast<char*>(std::malloc(static_cast<std::size_t>(other.largeBufferSize)));
        if (largeBuffer == nullptr) return;
        largeBufferSize = other.largeBufferSize;
        std::memcpy(largeBuffer, other.largeBuffer, static_cast<std::size_t>(largeBufferSize));
    } else {
        std::memcpy(commandBuffer, other.commandBuffer, sizeof commandBuffer);
    }
    textLength = other.textLength;
    const char* const* otherTable = other.largeFields != nullptr ? other.largeFields : other.fields;
    const char** table = fields;
    int entries = other.nrFields;
    if (other.largeFields != nullptr) {
        largeFields =
            static_cast<const char**>(std::malloc(static_cast<std::size_t>(other.largeFieldsSize)));
        if (largeFields == nullptr) {
            Reset();
            return;
        }
        largeFieldsSize = other.largeFieldsSize;
        table = largeFields;
        entries = other.fieldStride > 1
                      ? static_cast<int>(largeFieldsSize / static_cast<int>(sizeof(const char*)))
                      : other.nrFields;
    }
    char* target = CurrentBuffer();
    for (int i = 0; i < entries; ++i) table[i] = target + (otherTable[i] - source);
    nrFields = other.nrFields;
    fieldStride = other.fieldStride;
}

void CCsvArguments::Reset() {
    std::free(largeBuffer);
    largeBuffer = nullptr;
    std::free(largeFields);
    largeFields = nullptr;
    commandBuffer[0] = '\0';
    nrFields = 0;
    largeBufferSize = 0;
    largeFieldsSize = 0;
    textLength = 0;
    fieldStride = 1;
    lastFieldIndex = -1;
    lastField = nullptr;
}

void CCsvArguments::AppendArgument(const char* text) {
    if (textLength < 0) textLength = static_cast<int>(std::strlen(CurrentBuffer()));
    const std::size_t length = std::strlen(text);
    // Room for the text, its separator and the terminator.
    const std::size_t needed = static_cast<std::size_t>(textLength) + length + 2;
    if (largeBuffer == nullptr && needed > static_cast<std::size_t>(kInlineBufferSize)) {
        std::size_t size = kFirstLargeBufferSize;
        if (needed > size) size = needed + kGrowthStep;
        char* grown = static_cast<char*>(std::malloc(size));
        if (grown == nullptr) return;  // out of memory: the argument is dropped
        std::memcpy(grown, commandBuffer, static_cast<std::size_t>(textLength) + 1);
        largeBuffer = grown;
        largeBufferSize = static_cast<int>(size);
    } else if (largeBuffer != nullptr && needed > static_cast<std::size_t>(largeBufferSize)) {
        // Grow by at least one step and by half the buffer, so that building a long text by
        // many appends stays linear; an argument longer than that gets what it needs at once.
        const std::size_t current = static_cast<std::size_t>(largeBufferSize);
        std::size_t size = current + std::max<std::size_t>(kGrowthStep, current / 2);
        if (needed > size) size = needed + kGrowthStep;
        char* grown = static_cast<char*>(std::realloc(largeBuffer, size));
        if (grown == nullptr) return;  // out of memory: the argument is dropped
        largeBuffer = grown;
        largeBufferSize = static_cast<int>(size);
    }
    char* end = CurrentBuffer() + textLength;
    std::memcpy(end, text, length);
    end[length] = separator;
    end[length + 1] = '\0';
    textLength += static_cast<int>(length) + 1;
}

const char* CCsvArguments::CommandBuffer() {
    // The caller may write a reply into the buffer: its length is measured again when needed.
    textLength = -1;
    return CurrentBuffer();
}

// The separators are counted first, so that the field table is allocated once at its final
// size: its size follows the text actually decoded, never a count taken from it. A table that
// would be larger than the text holds every fieldStride-th field only.
void CCsvArguments::DecodeCommand() {
    char* text = CurrentBuffer();
    std::free(largeFields);
    largeFields = nullptr;
    largeFieldsSize = 0;
    nrFields = 0;
    fieldStride = 1;
    lastFieldIndex = -1;
    lastField = nullptr;
    const std::size_t length =
        textLength >= 0 ? static_cast<std::size_t>(textLength) : std::strlen(text);
    if (length == 0) return;
    char* const end = text + length;
    std::size_t separators = 0;
    for (const char* p = text; (p = static_cast<const char*>(std::memchr(
                                    p, separator, static_cast<std::size_t>(end - p)))) != nullptr;
         ++p) {
        ++separators;
    }
    const char** table = fields;
    std::size_t stride = 1;
    // As the list has always done, a heap table takes over from 31 separators on.
    if (separators >= static_cast<std::size_t>(kInlineFieldCount) - 1) {
        const std::size_t bound = std::max(length, static_cast<std::size_t>(kFullFieldTableBytes));
        while ((separators / stride + 1) * sizeof(const char*) > bound && stride < length) {
            stride *= 2;
        }
        const std::size_t bytes = (separators / stride + 1) * sizeof(const char*);
        if (bytes > static_cast<std::size_t>(INT_MAX) ||
            separators > static_cast<std::size_t>(INT_MAX) - 1) {
            return;  // more fields than can be counted: none
        }
        largeFields = static_cast<const char**>(std::malloc(bytes));
        if (largeFields == nullptr) return;  // out of memory: no fields, the text unchanged
        largeFieldsSize = static_cast<int>(bytes);
        table = largeFields;
    }
    table[0] = text;
    std::size_t field = 0;
    for (char* p = text; (p = static_cast<char*>(std::memchr(
                              p, separator, static_cast<std::size_t>(end - p)))) != nullptr;) {
        *p++ = '\0';
        if (++field % stride == 0) table[field / stride] = p;
    }
    nrFields = static_cast<int>(separators);
    fieldStride = static_cast<int>(stride);
    // The decoded text is no longer one text: further appends start after its first field.
    textLength = -1;
}

int CCsvArguments::NrReceiveFields() const {
    return nrFields;
}

// With a table of every fieldStride-th field, the field is reached from its table entry, or
// from the field given last when that is nearer, by stepping over the terminated fields in
// between: reading the fields in order costs one step each.
const char* CCsvArguments::ReceiveField(int index) const {
    if (largeFields == nullptr) return fields[index];
    if (fieldStride == 1) return largeFields[index];
    int at = index - index % fieldStride;
    const char* field = largeFields[index / fieldStride];
    if (lastFieldIndex >= at && lastFieldIndex <= index) {
        at = lastFieldIndex;
        field = lastField;
    }
    for (; at < index; ++at) field += std::strlen(field) + 1;
    lastFieldIndex = index;
    lastField = field;
    return field;
}

int CCsvArguments::PrepareLargeBuffer(int size) {
    Reset();
    if (size <= 0) return 0;
    largeBuffer = static_cast<char*>(std::malloc(static_cast<std::size_t>(size)));
    if (largeBuffer == nullptr) return 0;
    largeBufferSize = size;
    textLength = -1;
    return 1;
}
