// What the unit tests of the navigator emulator share: the shipped gazetteer and temporary
// host folders.
#pragma once

#include <string>

#include "gazetteer.h"

namespace oxsdk::emulator::testing {

/// The gazetteer of the shipped data file, loaded once.
const CGazetteer& ShippedGazetteer();

/// A fresh temporary host folder, removed with its contents on destruction.
class CTemporaryFolder {
public:
    CTemporaryFolder();
    ~CTemporaryFolder();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace oxsdk::emulator::testing
