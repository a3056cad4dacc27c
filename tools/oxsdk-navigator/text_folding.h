// Comparison forms of the texts that users type: place names, street names, country names and
// postal codes. Used by the gazetteer and the geocoder to match names without regard to case,
// accents or punctuation. Input may be UTF-8 or single-byte Latin-1 text.
#pragma once

#include <string>
#include <string_view>

namespace oxsdk::emulator {

/// Lower-case ASCII letters and digits only: accents are dropped ("Köln" -> "koln"), "ß" becomes
/// "ss", "æ" "ae", "œ" "oe", everything that is not a letter or digit is left out
/// ("'s-Hertogenbosch" -> "shertogenbosch"). With `umlautDigraphs`, "ä", "ö" and "ü" become
/// "ae", "oe" and "ue" as in German spelling without umlauts ("München" -> "muenchen").
std::string FoldText(std::string_view text, bool umlautDigraphs = false);

/// Upper-case letters and digits of a postal code ("1012 ab" -> "1012AB").
std::string FoldPostalCode(std::string_view text);

/// Cuts UTF-8 `text` to at most `maxBytes` bytes without splitting a character, and replaces the
/// field separator "|" (which no reply text may hold) by "/".
std::string ReplyText(std::string_view text, std::size_t maxBytes);

/// ISO 3166 alpha-2 code of a country typed as a code or a name in English or its own
/// language ("nl", "Nederland", "Deutschland", "UK"); empty when the text names no country
/// the emulator knows.
std::string CountryCode(std::string_view text);

/// English name of a country code the emulator knows, or the code itself.
std::string CountryName(std::string_view code);

}  // namespace oxsdk::emulator

namespace oxsdk::emulator {

/// `text` as UTF-8: valid UTF-8 is kept as it is, any other byte is read as Latin-1.
std::string ToUtf8(std::string_view text);

}  // namespace oxsdk::emulator
