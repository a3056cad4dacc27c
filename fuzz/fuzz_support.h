// What the fuzz targets share: stopping at a property that does not hold, the input as a text,
// and (for the emulator's targets) the shipped gazetteer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef OXSDK_NAVIGATOR_DATA
#include "gazetteer.h"
#endif

namespace oxsdk::fuzz {

/// Stops the run, saying what does not hold (of `subject`, when given), unless `condition` holds.
inline void Require(bool condition, const char* what, const std::string& subject = "") {
    if (condition) return;
    std::fprintf(stderr, "%s: %s\n", subject.c_str(), what);
    std::abort();
}

/// The input up to its first zero byte: what follows a zero byte cannot travel in a text.
inline std::string TextOf(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    return std::string(bytes, strnlen(bytes, size));
}

/// The "|"-closed fields of a message text; a tail without its "|" is no field.
inline std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields;
    for (std::size_t start = 0, bar; (bar = text.find('|', start)) != std::string::npos;
         start = bar + 1) {
        fields.push_back(text.substr(start, bar - start));
    }
    return fields;
}

#ifdef OXSDK_NAVIGATOR_DATA
/// The gazetteer of the shipped data file, loaded once.
inline const emulator::CGazetteer& ShippedGazetteer() {
    static const emulator::CGazetteer gazetteer = [] {
        emulator::CGazetteer loaded;
        std::string error;
        Require(loaded.LoadFile(OXSDK_NAVIGATOR_DATA, &error), "shipped gazetteer", error);
        return loaded;
    }();
    return gazetteer;
}
#endif

}  // namespace oxsdk::fuzz
