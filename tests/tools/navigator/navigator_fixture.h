// A complete emulated navigator for unit tests: the shipped gazetteer, a store in a fresh
// temporary folder, a simulated clock whose wall time the test sets, a captured log, and the
// command handler driven through the fake layer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "command_handler.h"
#include "emulated_navigator.h"

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

class NavigatorTest : public ::testing::Test {
protected:
    NavigatorTest();

    /// Sends `fields` through HandleCommand and returns the reply's fields.
    std::vector<std::string> Run(const std::vector<std::string>& fields);
    /// Lets `seconds` of wall-clock time pass (simulated time follows at the time scale).
    void Wait(double seconds) { wallSeconds_ += seconds; }

    CTemporaryFolder folder_;
    double wallSeconds_ = 1000.0;
    CLog log_;
    CUserDataStore store_;
    CSimulationClock clock_;
    std::unique_ptr<CEmulatedNavigator> navigator_;
    std::unique_ptr<CNavigatorCommandHandler> handler_;
    int foregroundCalls_ = 0;
};

/// Amsterdam, Dam square: where NavigatorTest's vehicle starts.
constexpr std::int32_t kStartLatitude = 52370216;
constexpr std::int32_t kStartLongitude = 4895168;

}  // namespace oxsdk::emulator::testing
