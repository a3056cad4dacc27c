#include "transport/parse_decimal.h"

#include <cstdint>

int ParseDecimal(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    std::uint32_t value = 0;  // unsigned: wraps around like 32-bit arithmetic, without UB
    while (*p >= '0' && *p <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(*p - '0');
        ++p;
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}
