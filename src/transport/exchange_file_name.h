// Names of the exchange files: "writer.reader.pid.sequence.message" and its completion marker
// "writer.reader.pid.sequence.finished", and the reverse, splitting a listed marker name into
// its fields. Used by COstrelFileLayer (sending and receiving) and by ProcessEvents.
#pragma once

#include "transport/file_operations.h"

namespace oxsdk::transport {

enum class EExchangeFile { kMessage, kMarker };

/// True when `name` can be an exchange name: one dot-separated component of a file name inside
/// the exchange folder (no ".", "/" or "\\"), shorter than 256 bytes.
bool IsUsableExchangeName(const char* name);

/// Writes the name pattern of the markers addressed to `receiver`, "*.receiver.*.*.finished",
/// as wide text into `pattern` (`capacity` characters). Files of other names never match it;
/// ParseMarkerName tells exactly which of the matching ones are markers for `receiver`. False
/// when it does not fit.
bool FormatMarkerPattern(const char* receiver, char16_t* pattern, int capacity);

/// Formats the name of a message or marker into `name`; pid and sequence are written as
/// unsigned decimal numbers. False when the name would not fit kFileNameCapacity.
bool FormatExchangeFileName(char (&name)[kFileNameCapacity], EExchangeFile kind, const char* writer,
                            const char* reader, int pid, int sequence);

/// The fields of a marker addressed to a navigator.
struct TMarkerFields {
    char writer[kFileNameCapacity];  ///< the sender, as in the file name
    char reader[kFileNameCapacity];  ///< the receiver, with the file name's letter case
    int pid;
    int sequence;
};

/// Splits the listed file name `entryName` when it is a marker addressed to `receiver` (letter
/// case aside, ASCII letters only). Only names that the format of FormatExchangeFileName gives
/// back exactly are accepted: no signs, blanks or leading zeros in the numbers, nothing but
/// "finished" after the fourth dot, and not the process number 4294967295 (which a layer would
/// take as "this process"). False for everything else, including names of 256 bytes or more.
bool ParseMarkerName(const char* entryName, const char* receiver, TMarkerFields* fields);

}  // namespace oxsdk::transport
