// The fault sweep: one blocking call (GetRouteCoordinates, whose reply needs the heap buffer,
// a heap field table and the pair array) and one ProcessEvents pass, run again and again with
// the Nth operation of one kind failing (open, create, read, write, delete, find, allocation),
// from N = 1 until the run no longer reaches the fault. After every fault the call gives one of
// its documented results and leaves no marker without its complete message, and the next call
// succeeds; the asan preset adds that nothing leaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "OXSDK5Link/FileLayer.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "navigator/navigator_state.h"
#include "platform/fake/fake_platform.h"
#include "support/allocation_faults.h"
#include "support/echo_navigator.h"
#include "support/exchange_files.h"
#include "support/fault_platform.h"

namespace oxsdk::navigator {
namespace {

using testing::kExchange;
using testing::kExchangeFolder;
using testing::kFaultKinds;

constexpr int kPairs = 300;

// Answers the route query with kPairs pairs, every other command as the echo navigator does.
class SweepNavigator : public testing::EchoNavigator {
public:
    void Answer(MOstrelCommunicationLayerInterface& layer,
                const std::vector<std::string>& fields) override {
        if (fields.empty() || fields[0] != "GetRouteCoordinatesV01") {
            return EchoNavigator::Answer(layer, fields);
        }
        layer.AppendArgument("0");
        layer.AppendArgument(std::to_string(kPairs).c_str());
        for (int i = 0; i < kPairs; ++i) {
            layer.AppendArgument(std::to_string(i).c_str());
            layer.AppendArgument(std::to_string(-i).c_str());
        }
    }
};

// A fresh device with the navigator's window; the navigator answers at every folder wait of
// the client, with faults paused, so that only the client's side is swept.
struct SweepScene {
    SweepScene() {
        ResetNavigatorState();
        fake.SetWindow(u"AldernWinClass", 0x40);
        // A wait that never ends would show as -6 instead of hanging the sweep.
        static_cast<COstrelFileLayer*>(layer.get())->SetReplyTimeout(60000);
        fake.OnFolderWait([this](const std::u16string&, std::uint32_t) {
            faults.Pause(true);
            testing::PauseAllocationFailure(true);
            COstrelFileLayer::ProcessEvents("nav", navigator);
            testing::PauseAllocationFailure(false);
            faults.Pause(false);
        });
    }
    ~SweepScene() { ResetNavigatorState(); }

    platform::FakePlatform fake;
    testing::FaultPlatform faults{fake};
    platform::ScopedPlatform use{faults};
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer{
        COstrelFileLayer::New("client", "nav", -1)};
    COstrelAPI api{*layer};
    SweepNavigator navigator;
};

// Every marker in the folder stands beside its complete message (ending with its zero byte).
std::string MarkersWithoutCompleteMessage(platform::FakePlatform& fake) {
    std::string found;
    for (const std::u16string& name : fake.ListFolder(kExchangeFolder)) {
        const std::size_t stem = name.size() - std::min<std::size_t>(name.size(), 9);
        if (name.compare(stem, std::u16string::npos, u".finished") != 0) continue;
        const std::u16string message = kExchange + name.substr(0, stem) + u".message";
        const std::string text = fake.FileContents(message);
        if (!fake.Exists(message) || text.empty() || text.back() != '\0')
            found += " marker without message: " + std::string(name.begin(), name.end());
    }
    return found;
}

// Runs `call` with the fault of this run armed on `faults` (or on the allocator).
using Call = std::function<void()>;
using Arm = std::function<void(testing::FaultPlatform& faults, const Call& call)>;

// Runs `run` with the Nth fault of each kind (the last: allocation) armed, N = 1, 2, ... until
// a run no longer reaches it; each run returns what went wrong. The number of faults injected.
int Sweep(const char* what, const std::function<std::string(const Arm&)>& run) {
    int injected = 0;
    for (std::size_t kind = 0; kind <= std::size(kFaultKinds); ++kind) {
        const bool allocation = kind == std::size(kFaultKinds);
        for (int n = 1; n < 5000; ++n) {
            bool reached = false;
            const std::string failure = run([&](testing::FaultPlatform& faults, const Call& call) {
                if (allocation) {
                    testing::ArmAllocationFailure(n);
                } else {
                    faults.Arm(kFaultKinds[kind], n);
                }
                call();
                faults.Disarm();
                reached = allocation ? testing::DisarmAllocationFailure() : faults.injected();
            });
            if (!failure.empty()) {
                ADD_FAILURE() << what << ", "
                              << (allocation ? "allocation"
                                             : testing::FaultKindName(kFaultKinds[kind]))
                              << " #" << n << ":" << failure;
            }
            if (!reached) break;
            ++injected;
        }
    }
    return injected;
}

std::string CheckRoute(int result, const COstrelAPI::TError& error,
                       const COstrelAPI::TRouteCoordinates& route, bool mustSucceed) {
    const bool full = result == 0 && error.errorCode == 0 && route.count == kPairs &&
                      route.coordinates != nullptr &&
                      route.coordinates[kPairs - 1].first == kPairs - 1 &&
                      route.coordinates[kPairs - 1].second == 1 - kPairs;
    if (full) return "";
    if (mustSucceed) return " the next call failed";
    const bool documented =
        (result == 0 && error.errorCode == -2) ||
        (result == 0 && error.errorCode == -5 && route.coordinates == nullptr) ||
        (result == -1 && error.errorCode == -1) || (result == -2 && error.errorCode == -5);
    if (documented) return "";
    return " result " + std::to_string(result) + ", errorCode " + std::to_string(error.errorCode);
}

TEST(FaultSweepTest, BlockingCallAndProcessEventsPassSurviveEveryInjectedFault) {
    const int callFaults = Sweep("GetRouteCoordinates", [](const Arm& arm) {
        SweepScene scene;
        COstrelAPI::TError error{99};
        COstrelAPI::TRouteCoordinates route{}, next{};
        int result = 0;
        arm(scene.faults, [&] { result = scene.api.GetRouteCoordinates(&error, &route); });
        std::string failure = CheckRoute(result, error, route, false);
        failure += MarkersWithoutCompleteMessage(scene.fake);
        result = scene.api.GetRouteCoordinates(&error, &next);
        failure += CheckRoute(result, error, next, true);
        std::free(route.coordinates);
        std::free(next.coordinates);
        return failure;
    });

    const int passFaults = Sweep("ProcessEvents", [](const Arm& arm) {
        platform::FakePlatform fake;
        testing::FaultPlatform faults(fake);
        platform::ScopedPlatform use(faults);
        // A command long enough for the heap buffer and the heap field table.
        std::string command = "EchoV01|";
        for (int i = 0; i < 40; ++i)
            command += std::string(30, static_cast<char>('a' + i % 26)) + "|";
        fake.AddFile(testing::InExchange("app.nav.7.1.message"), command + '\0');
        fake.AddFile(testing::InExchange("app.nav.7.1.finished"), testing::kMarker);
        SweepNavigator navigator;
        arm(faults, [&] { COstrelFileLayer::ProcessEvents("nav", navigator); });
        std::string failure = MarkersWithoutCompleteMessage(fake);
        // The next pass serves a new command (and the first one, if it is still there).
        fake.AddFile(testing::InExchange("app.nav.7.2.message"), std::string("EchoV01|b|\0", 11));
        fake.AddFile(testing::InExchange("app.nav.7.2.finished"), testing::kMarker);
        COstrelFileLayer::ProcessEvents("nav", navigator);
        if (fake.FileContents(testing::InExchange("nav.app.7.2.message")) !=
            std::string("0|b|\0", 5))
            failure += " the next command was not answered";
        if (fake.Exists(testing::InExchange("app.nav.7.1.finished")))
            failure += " the first command is still waiting after a clean pass";
        return failure;
    });
    std::printf("fault sweep: %d faults injected into the call, %d into the pass\n", callFaults,
                passFaults);
    EXPECT_GT(callFaults, 0);
    EXPECT_GT(passFaults, 0);
}

}  // namespace
}  // namespace oxsdk::navigator
