// Argument lists: the text form in which every command and every reply travels.
//
// A command or reply is one line of text in which the arguments stand one after another, each
// closed by a separator character ("|" in the file exchange). MArguments is the interface of
// such a list, CCsvArguments its implementation. The sender appends arguments; the receiver
// loads a text into CommandBuffer() and decodes it into fields read by index.
#pragma once

#include <cstddef>

#include "OXSDK5Link/Export.h"

/// Common base of the library's heap objects: allocation through malloc, zero-filled.
class OXSDK5LINK_API CSdkBase {
public:
    virtual ~CSdkBase();
    CSdkBase(const CSdkBase&) = default;
    /// Copies nothing and returns the object.
    CSdkBase& operator=(const CSdkBase&) { return *this; }

    /// Allocates `size` bytes with malloc and fills them with zero bytes; null when malloc fails.
    static void* operator new(std::size_t size) noexcept;
    /// Releases a block obtained from operator new with free.
    static void operator delete(void* block) noexcept;

protected:
    CSdkBase() = default;
};

/// An argument list: builds a command text and decodes a received text into fields.
class OXSDK5LINK_API MArguments {
public:
    MArguments() = default;
    MArguments(const MArguments&) = default;
    MArguments& operator=(const MArguments&) = default;
    virtual ~MArguments();

    /// Empties the text, drops the decoded fields and releases any heap buffer.
    virtual void Reset() = 0;
    /// Appends `text` followed by one separator; the text is copied at once.
    virtual void AppendArgument(const char* text) = 0;
    /// The current text buffer: the command being built, or the place a reply is read into.
    virtual const char* CommandBuffer() = 0;
    /// Splits the current text in place into fields, one per separator.
    virtual void DecodeCommand() = 0;
    /// Number of fields found by the last DecodeCommand.
    virtual int NrReceiveFields() const = 0;
    /// Field `index` (0 to NrReceiveFields() - 1; not checked) of the last DecodeCommand.
    virtual const char* ReceiveField(int index) const = 0;
    /// Resets the list and provides a heap text buffer of `size` bytes for a reply to be read
    /// into (uninitialised); returns 1 when provided, 0 when the allocation failed.
    virtual int PrepareLargeBuffer(int size) = 0;
};

/// The separator-closed argument list of the file exchange.
///
/// Texts below 1024 bytes (with separator and terminator) live in an inline buffer; longer
/// ones move to a heap buffer of 2048 bytes, which then grows by 1024 bytes or by half its
/// size, whichever is more, or at once to what a longer argument needs. Up to 31 fields use an
/// inline field table. Appending and decoding take time linear in the text. Copies duplicate
/// the heap blocks.
class OXSDK5LINK_API CCsvArguments : public MArguments, public CSdkBase {
public:
    static constexpr int kInlineBufferSize = 1024;
    static constexpr int kFirstLargeBufferSize = 2048;
    static constexpr int kGrowthStep = 1024;
    static constexpr int kInlineFieldCount = 32;

    explicit CCsvArguments(char separator);
    CCsvArguments(const CCsvArguments& other);
    CCsvArguments& operator=(const CCsvArguments& other);
    ~CCsvArguments() override;

    void Reset() override;
    void AppendArgument(const char* text) override;
    const char* CommandBuffer() override;
    void DecodeCommand() override;
    int NrReceiveFields() const override;
    const char* ReceiveField(int index) const override;
    int PrepareLargeBuffer(int size) override;

protected:
    char* CurrentBuffer() { return largeBuffer != nullptr ? largeBuffer : commandBuffer; }
    void CopyFrom(const CCsvArguments& other);

    char commandBuffer[kInlineBufferSize];
    char* largeBuffer;
    int largeBufferSize;
    const char* fields[kInlineFieldCount];
    const char** largeFields;
    int largeFieldsSize;
    int nrFields;
    char separator;
    /// Length of the text built by AppendArgument; -1 when the text was placed in the buffer
    /// from outside (a reply read into CommandBuffer()) and must be measured.
    int textLength;
};
