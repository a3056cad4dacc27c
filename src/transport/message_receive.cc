#include "transport/message_receive.h"

#include <climits>
#include <cstdint>

#include "transport/exchange_file_name.h"
#include "transport/file_operations.h"

namespace oxsdk::transport {
namespace {

constexpr std::uint32_t kInlineCapacity = 1024;

}  // namespace

int MarkerExists(const char* writer, const char* reader, int pid, int sequence) {
    char name[kFileNameCapacity];
    if (!FormatExchangeFileName(name, EExchangeFile::kMarker, writer, reader, pid, sequence)) {
        return 0;
    }
    // Opened, since a marker still being written (busy) is not complete yet; a missing one
    // makes no folders.
    return OpenExchangeFile(name, false) != nullptr ? 1 : 0;
}

EReceiveResult ReceiveMessage(MArguments& arguments, const char* writer, const char* reader,
                              int pid, int sequence, std::uint32_t maxSize, bool keepUnreadable) {
    char messageName[kFileNameCapacity];
    char markerName[kFileNameCapacity];
    std::unique_ptr<platform::File> file;
    if (FormatExchangeFileName(messageName, EExchangeFile::kMessage, writer, reader, pid,
                               sequence) &&
        FormatExchangeFileName(markerName, EExchangeFile::kMarker, writer, reader, pid, sequence)) {
        file = OpenExchangeFile(messageName);
    }
    if (file == nullptr) {
        arguments.Reset();
        return EReceiveResult::kMessageMissing;
    }

    std::uint32_t capacity = kInlineCapacity;
    bool bufferReady = true;
    std::uint32_t size = FileSize(*file);
    if (size == platform::kInvalidFileSize || size > maxSize) {
        // Too large to take, or too large to be measured: removed unread.
        bufferReady = false;
    } else if (size + 1 >= kInlineCapacity) {
        bufferReady = size < static_cast<std::uint32_t>(INT_MAX) &&
                      arguments.PrepareLargeBuffer(static_cast<int>(size + 1)) != 0;
        capacity = size + 1;
    }
    int kept = kNothingRead;
    if (bufferReady) {
        // The list hands out its buffer as const; it is the place a received text goes.
        char* buffer = const_cast<char*>(arguments.CommandBuffer());
        kept = ReadLine(*file, buffer, capacity);
        buffer[capacity - 1] = '\0';
    }
    file.reset();

    if (kept == kReadFailed && keepUnreadable) {
        arguments.Reset();
        return EReceiveResult::kUnreadable;
    }
    if (kept > 0) {
        arguments.DecodeCommand();
    } else {
        arguments.Reset();
    }
    RemoveExchangePair(markerName, messageName);
    return EReceiveResult::kReceived;
}

EReceiveResult ReceiveIfComplete(MArguments& arguments, const char* writer, const char* reader,
                                 int pid, int sequence, std::uint32_t maxSize,
                                 bool keepUnreadable) {
    if (MarkerExists(writer, reader, pid, sequence) == 0) return EReceiveResult::kNotComplete;
    EReceiveResult result =
        ReceiveMessage(arguments, writer, reader, pid, sequence, maxSize, keepUnreadable);
    if (result == EReceiveResult::kMessageMissing &&
        MarkerExists(writer, reader, pid, sequence) == 0) {
        // Another party took the command between the listing and the read.
        return EReceiveResult::kNotComplete;
    }
    return result;
}

}  // namespace oxsdk::transport
