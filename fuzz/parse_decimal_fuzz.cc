// ParseDecimal on arbitrary text, against a reference written another way: the digits are
// gathered first and their value is taken modulo 2^32 in 64-bit arithmetic.
#include "fuzz_support.h"
#include "transport/parse_decimal.h"

namespace {

std::int32_t Reference(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return 0;
    std::size_t digits = start;
    const bool negative = text[start] == '-';
    if (text[start] == '-' || text[start] == '+') ++digits;
    std::uint64_t value = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        value = (value * 10 + static_cast<std::uint64_t>(text[digits] - '0')) % (1ull << 32);
    }
    if (negative) value = ((1ull << 32) - value) % (1ull << 32);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = oxsdk::fuzz::TextOf(data, size);
    const int parsed = ParseDecimal(text.c_str());
    if (parsed != Reference(text)) {
        std::fprintf(stderr, "ParseDecimal(\"%s\") gave %d, expected %d\n", text.c_str(), parsed,
                     Reference(text));
        std::abort();
    }
    return 0;
}
