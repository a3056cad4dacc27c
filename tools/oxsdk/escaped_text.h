// Texts that came from elsewhere (file names, stored texts, message fields) as a person sees
// them on a terminal: a control character could move the cursor, erase a line or forge
// another line of output, so it is shown as an escape instead. JSON output keeps the texts
// exact; only human output goes through here. Called by the monitor and the reports.
#pragma once

#include <cstddef>
#include <string>

namespace oxsdk::cli {

/// `text` with "\" as "\\", line feed, carriage return and tab as "\n", "\r", "\t", and every
/// other control character (below 0x20, and 0x7F) as "\xHH". Other bytes are kept.
std::string EscapedText(const std::string& text);

/// Appends EscapedText(text) to `out`.
void AppendEscaped(std::string& out, const char* text, std::size_t size);

}  // namespace oxsdk::cli
