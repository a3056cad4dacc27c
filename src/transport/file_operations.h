// The file operations of the file exchange, on files named by their narrow file name inside
// the exchange folder: open for reading, create for writing, write a whole block, read one
// line, size, delete. Reads and writes retry a busy file (access denied) up to 4 times, 500 ms
// apart. Every operation builds the file's full device path anew and fails, rather than
// overrunning, when that path would not fit kMaxPath. Used by COstrelFileLayer and the
// message receive.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace oxsdk::transport {

/// Result of WriteAllBytes when a byte could not be written.
constexpr int kWriteFailed = -23;
/// Results of ReadLine.
constexpr int kNothingRead = -1;
constexpr int kReadFailed = -9000;

/// The check batch of one library call; every batch of the library is one of these, and this
/// is the one place that says why. The platform checks every folder on the way to a file (the
/// device root, "Ostrel", the exchange folder) before it touches the file, a few system calls
/// per folder; inside a batch it checks each folder once, and again after each sleep or folder
/// wait. So a call that makes several file operations in a row opens one batch around them: a
/// send, a look for a reply, a receive, a wait given up, a pass of ProcessEvents, and above the
/// transport the start of the navigator and the blocking forms (start, send and receive in
/// one). A batch never spans code that is not the library's (a handler call); batches nest.
using ScopedCallBatch = platform::ScopedBatch;

/// Longest formatted exchange file name, terminator included.
constexpr int kFileNameCapacity = 256;

/// Builds the full device path of the exchange file `name` into `path` (kMaxPath wide
/// characters); with `createFolders` the exchange folder is created when missing. False when
/// the name cannot be widened or the path would be longer than kMaxPath - 1 characters.
bool BuildExchangePath(const char* name, bool createFolders, char16_t* path);

/// Opens the exchange file `name` for reading; null when it cannot be opened. When it is not
/// there and `createFolders` is set, the exchange folder is created if missing.
std::unique_ptr<platform::File> OpenExchangeFile(const char* name, bool createFolders = true);

/// Creates (or empties) the exchange file `name` for writing; when the exchange folder is
/// missing it is created and the file created again. Null when it cannot be created.
std::unique_ptr<platform::File> CreateExchangeFile(const char* name);

/// Writes `size` bytes. Access denied is retried: up to 4 attempts, each failed one followed
/// by a 500 ms sleep. 0 when every byte was written; kWriteFailed after any other error, a
/// short write, or the fourth denial.
int WriteAllBytes(platform::File& file, const void* data, std::uint32_t size);

/// Reads once, up to `capacity` - 1 bytes (the last byte is kept for the terminator), with the
/// access-denied rule of WriteAllBytes. The text is cut just after the first line feed and
/// zero-terminated. Returns the number of bytes kept, kNothingRead when the file gave nothing,
/// kReadFailed when reading failed. `capacity` must be at least 1.
int ReadLine(platform::File& file, char* buffer, std::uint32_t capacity);

/// Size in bytes, or platform::kInvalidFileSize.
std::uint32_t FileSize(platform::File& file);

/// True when a file or folder named `name` exists in the exchange folder now. Folders are not
/// created.
bool ExchangeFileExists(const char* name);

/// Deletes the exchange file `name`; a read-only file has its read-only bit cleared first.
/// Folders are not created. True when the file is gone afterwards (also when it was not there).
bool DeleteExchangeFile(const char* name);

/// Removes a marker and then its message. A marker that resists a second attempt keeps its
/// message beside it, so that no marker is ever left without its message. True when both are
/// gone.
bool RemoveExchangePair(const char* markerName, const char* messageName);

}  // namespace oxsdk::transport
