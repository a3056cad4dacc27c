// Argument lists: the text form in which every command and every reply travels.
//
// A command or reply is one line of text in which the arguments stand one after another, each
// closed by a separator character ("|" in the file exchange). MArguments is the interface of
// such a list, CCsvArguments its implementation. The sender appends arguments; the receiver
// loads a text into CommandBuffer() and decodes it into fields read by index.
#pragma once

/// @file
/// MArguments and CCsvArguments, the argument lists of commands and replies, and CSdkBase.

#include <cstddef>

#include "OXSDK5Link/Export.h"

/// Common base of the library's heap objects: allocation through malloc, zero-filled.
class OXSDK5LINK_API CSdkBase {
public:
    virtual ~CSdkBase();
    /// Copies nothing: the base holds no data.
    CSdkBase(const CSdkBase&) = default;
    /// Copies nothing and returns the object.
    CSdkBase& operator=(const CSdkBase&) { return *this; }

    /// Allocates `size` bytes with malloc and fills them with zero bytes; null when malloc fails.
    static void* operator new(std::size_t size) noexcept;
    /// Releases a block obtained from operator new with free.
    static void operator delete(void* block) noexcept;

protected:
    /// For derived classes only.
    CSdkBase() = default;
};

/// An argument list: builds a command text and decodes a received text into fields.
class OXSDK5LINK_API MArguments {
public:
    /// An interface holds no data.
    MArguments() = default;
    /// Copies nothing: the interface holds no data.
    MArguments(const MArguments&) = default;
    /// Copies nothing: the interface holds no data.
    MArguments& operator=(const MArguments&) = default;
    /// Releases what the implementation owns.
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
/// size, whichever is more, or at once to what a longer argument needs. Up to 30 fields use an
/// inline field table; more go to a heap table sized from the separators actually in the text:
/// one entry per field plus one, unless that table would be larger than both the text and
/// kFullFieldTableBytes (a text of very many very short fields, such as a long run of "|"). Then
/// the table holds every fieldStride-th field only (fieldStride the least power of two that
/// keeps it within the text's size), and ReceiveField steps from there over at most
/// fieldStride - 1 fields, or on from the field it gave last. So the fields never take more
/// memory than the text. Appending and decoding take time linear in the text, and so does
/// reading all fields in order. Copies duplicate the heap blocks.
class OXSDK5LINK_API CCsvArguments : public MArguments, public CSdkBase {
public:
    static constexpr int kInlineBufferSize = 1024;      ///< bytes of the inline text buffer
    static constexpr int kFirstLargeBufferSize = 2048;  ///< first size of a heap text buffer
    static constexpr int kGrowthStep = 1024;            ///< least growth of a heap text buffer
    static constexpr int kInlineFieldCount = 32;        ///< entries of the inline field table
    /// A heap field table up to this size holds every field, however short the text.
    static constexpr int kFullFieldTableBytes = 64 * 1024;

    /// An empty list whose arguments are each closed by `separator`.
    explicit CCsvArguments(char separator);
    /// A list with the same text, fields and separator; heap blocks are duplicated.
    CCsvArguments(const CCsvArguments& other);
    /// Replaces this list's contents with a copy of `other`'s.
    CCsvArguments& operator=(const CCsvArguments& other);
    /// Releases the heap buffers.
    ~CCsvArguments() override;

    void Reset() override;
    void AppendArgument(const char* text) override;
    const char* CommandBuffer() override;
    void DecodeCommand() override;
    int NrReceiveFields() const override;
    const char* ReceiveField(int index) const override;
    int PrepareLargeBuffer(int size) override;

protected:
    /// The buffer that holds the text now: the heap buffer when there is one, else the inline one.
    char* CurrentBuffer() { return largeBuffer != nullptr ? largeBuffer : commandBuffer; }
    /// Makes this list a copy of `other` (text, fields, separator), duplicating heap blocks.
    void CopyFrom(const CCsvArguments& other);

    char commandBuffer[kInlineBufferSize];  ///< inline text buffer
    char* largeBuffer;                      ///< heap text buffer, or null
    int largeBufferSize;                    ///< size of largeBuffer in bytes
    const char* fields[kInlineFieldCount];  ///< inline field table of the last decode
    const char** largeFields;               ///< heap field table for more fields, or null
    int largeFieldsSize;                    ///< size of largeFields in bytes
    int nrFields;                           ///< fields found by the last decode
    char separator;                         ///< character that closes every argument
    /// Length of the text built by AppendArgument; -1 when the text was placed in the buffer
    /// from outside (a reply read into CommandBuffer()) and must be measured.
    int textLength;
    // Members added after the original layout:
    /// Fields per entry of the heap field table (1: an entry for every field).
    int fieldStride;
    /// Index of the field ReceiveField gave last from a table with a fieldStride above 1 (-1:
    /// none), where reading the next one starts.
    mutable int lastFieldIndex;
    /// The field at lastFieldIndex.
    mutable const char* lastField;
};
