// Conversions between the narrow texts of commands and file names and the wide texts of
// device paths. Narrow text is taken byte for byte (each byte one character, 0-255); a wide
// character above 255 has no narrow form.
#pragma once

namespace oxsdk::platform {

/// Widens `text` into `out` (capacity characters, terminator included). False, with `out`
/// holding an empty text, when it does not fit.
bool WidenText(const char* text, char16_t* out, int capacity);

/// Narrows `text` into `out` (capacity bytes, terminator included). False, with `out` holding
/// an empty text, when it does not fit or a character has no narrow form.
bool NarrowText(const char16_t* text, char* out, int capacity);

/// Appends `text` to the wide text in `out` (capacity characters). False, leaving `out` as it
/// was, when the result would not fit.
bool AppendWide(char16_t* out, int capacity, const char16_t* text);

/// Length of a wide text.
int WideLength(const char16_t* text);

}  // namespace oxsdk::platform
