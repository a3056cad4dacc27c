#include "navigator_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace oxsdk::emulator::testing {

const CGazetteer& ShippedGazetteer() {
    static const CGazetteer gazetteer = [] {
        CGazetteer loaded;
        std::string error;
        if (!loaded.LoadFile(OXSDK_NAVIGATOR_DATA, &error)) ADD_FAILURE() << error;
        return loaded;
    }();
    return gazetteer;
}

CTemporaryFolder::CTemporaryFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/oxsdk-nav-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
}

CTemporaryFolder::~CTemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace oxsdk::emulator::testing
