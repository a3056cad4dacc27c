// Arguments for every command of the catalogue with which the navigator emulator answers 0,
// once favourite 1 is set, the POI set "Cafes" holds a point and a route is planned. They are
// the command handler's seed inputs for fuzzing, one file per wire name holding its message.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace oxsdk::emulator::testing {

/// The sample arguments of the command `wireName` (its fields after the name).
inline std::vector<std::string> SampleArguments(const std::string& wireName) {
    std::ifstream file(std::string(OXSDK_COMMAND_SAMPLES) + "/" + wireName);
    std::vector<std::string> fields;
    for (std::string field; std::getline(file, field, '|');) fields.push_back(field);
    if (fields.empty() || fields[0] != wireName) ADD_FAILURE() << "no sample of " << wireName;
    if (!fields.empty()) fields.erase(fields.begin());
    return fields;
}

}  // namespace oxsdk::emulator::testing
