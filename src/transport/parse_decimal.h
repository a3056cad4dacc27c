// Decimal text to integer, the conversion with which every reply parser reads a number field.
#pragma once

/// Leading blanks and tabs are skipped, then one optional "+" or "-", then decimal digits while
/// they last, accumulated in wrapping 32-bit arithmetic. The first other character ends the
/// number without error; no digit at all gives 0.
int ParseDecimal(const char* text);
