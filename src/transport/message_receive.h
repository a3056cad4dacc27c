// Receiving one message of the file exchange into an argument list: read the message file,
// decode it, delete its marker and then the message. The client's StartReceiveCommand calls
// ReceiveMessage once the reply's marker exists; the navigator side (ProcessEvents) calls
// ReceiveIfComplete, which never waits: a marker that is not there now is left for later.
#pragma once

#include <cstdint>

#include "OXSDK5Link/Arguments.h"

namespace oxsdk::transport {

enum class EReceiveResult {
    kReceived,        ///< the message was taken: read and decoded (possibly to no fields), and
                      ///< both files deleted
    kMessageMissing,  ///< the message could not be opened: the list has no fields, files stay
    kNotComplete,     ///< (ReceiveIfComplete only) no marker now: nothing touched
    kUnreadable,      ///< (with keepUnreadable only) reading failed: the list has no fields,
                      ///< files stay for another attempt
};

/// Reads "writer.reader.pid.sequence.message" into `arguments` and decodes it. A message of
/// 1023 bytes or more goes into a heap buffer of its size + 1. A line feed ends the text
/// after it. When the message cannot be opened, both files stay and the list is reset. When
/// reading it fails and `keepUnreadable` is set, both files stay too, the list is reset and the
/// result is kUnreadable: the failure may pass. When it is empty, cannot be read (without
/// `keepUnreadable`), is larger than `maxSize` bytes or cannot be measured (4 GiB or more), or
/// its heap buffer cannot be had, the list is reset (no fields) and both files are deleted as
/// after a good read, marker first, then message; an oversized message is never read.
EReceiveResult ReceiveMessage(MArguments& arguments, const char* writer, const char* reader,
                              int pid, int sequence, std::uint32_t maxSize,
                              bool keepUnreadable = false);

/// ReceiveMessage, but only when the marker exists now; kNotComplete otherwise, also when the
/// marker disappears before the message could be opened.
EReceiveResult ReceiveIfComplete(MArguments& arguments, const char* writer, const char* reader,
                                 int pid, int sequence, std::uint32_t maxSize,
                                 bool keepUnreadable = false);

/// 1 when the marker "writer.reader.pid.sequence.finished" can be opened now, else 0.
int MarkerExists(const char* writer, const char* reader, int pid, int sequence);

}  // namespace oxsdk::transport
