// The fault sweep: one blocking call (GetRouteCoordinates, whose reply needs the heap buffer,
// a heap field table and the pair array) and one ProcessEvents pass, run again and again with
// the Nth operation of one kind failing (open, create, read, write, delete, find, allocation),
// from N = 1 until the call completes without reaching the fault. After every fault the call
// must give one of its documented results, leave no marker without its complete message, and
// the next call must succeed; the asan preset adds that nothing leaks.
#include <gtest/gtest.h>

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

using testing::EFaultKind;
using testing::kExchange;
using testing::kExchangeFolder;
using testing::kFaultKinds;

constexpr int kPairs = 300;

// Answers the route query with kPairs pairs, every other command as the echo navigator does.
class Navigator : public testing::EchoNavigator {
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
struct Scene {
    Scene() {
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
    ~Scene() { ResetNavigatorState(); }

    platform::FakePlatform fake;
    testing::FaultPlatform faults{fake};
    platform::ScopedPlatform use{faults};
    std::unique_ptr<MOstrelCommunicationLayerInterface> layer{
        COstrelFileLayer::New("client", "nav", -1)};
    COstrelAPI api{*layer};
    Navigator navigator;
};

// Every marker in the folder stands beside its complete message (ending with its zero byte).
std::string MarkersWithoutCompleteMessage(platform::FakePlatform& fake) {
    std::string found;
    for (const std::u16string& name : fake.ListFolder(kExchangeFolder)) {
        const std::u16string suffix = u".finished";
        if (name.size() < suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        const std::u16string message =
            kExchange + name.substr(0, name.size() - suffix.size()) + u".message";
        const std::string text = fake.FileContents(message);
        if (!fake.Exists(message) || text.empty() || text.back() != '\0')
            found += std::string(name.begin(), name.end()) + " ";
    }
    return found;
}

struct SweepCounts {
    int sites = 0;     // runs with a fault armed
    int injected = 0;  // runs in which the fault was reached
    std::vector<std::string> failures;
};

// Arms the Nth fault of `kind` (kinds past kFind: the Nth allocation) and runs `run`, which
// returns an empty text when its checks held. Stops when a run no longer reaches the fault.
void Sweep(const char* what, const std::function<std::string(int kind, int n)>& run,
           SweepCounts& counts) {
    for (int kind = 0; kind <= static_cast<int>(std::size(kFaultKinds)); ++kind) {
        for (int n = 1; n < 5000; ++n) {
            ++counts.sites;
            std::string failure = run(kind, n);
            if (failure == "not reached") break;
            ++counts.injected;
            if (!failure.empty()) {
                const char* kindName = kind < static_cast<int>(std::size(kFaultKinds))
                                           ? testing::FaultKindName(kFaultKinds[kind])
                                           : "allocation";
                counts.failures.push_back(std::string(what) + ": " + kindName + " #" +
                                          std::to_string(n) + ": " + failure);
            }
        }
    }
}

// Runs `call` with the Nth fault of `kind` armed (on the platform or the allocator).
template <typename Call>
bool RunArmed(testing::FaultPlatform& faults, int kind, int n, Call call) {
    if (kind < static_cast<int>(std::size(kFaultKinds))) {
        faults.Arm(kFaultKinds[kind], n);
        call();
        faults.Disarm();
        return faults.injected();
    }
    testing::ArmAllocationFailure(n);
    call();
    return testing::DisarmAllocationFailure();
}

std::string CheckRoute(int result, const COstrelAPI::TError& error,
                       const COstrelAPI::TRouteCoordinates& route, bool mustSucceed) {
    const bool full = result == 0 && error.errorCode == 0 && route.count == kPairs &&
                      route.coordinates != nullptr &&
                      route.coordinates[kPairs - 1].first == kPairs - 1 &&
                      route.coordinates[kPairs - 1].second == 1 - kPairs;
    if (full) return "";
    if (mustSucceed) return "the next call failed";
    const bool documented =
        (result == 0 && error.errorCode == -2) ||
        (result == 0 && error.errorCode == -5 && route.coordinates == nullptr) ||
        (result == -1 && error.errorCode == -1) || (result == -2 && error.errorCode == -5);
    if (documented) return "";
    return "result " + std::to_string(result) + ", errorCode " + std::to_string(error.errorCode);
}

TEST(FaultSweepTest, BlockingCallAndProcessEventsPassSurviveEveryInjectedFault) {
    SweepCounts counts;

    Sweep(
        "GetRouteCoordinates",
        [](int kind, int n) -> std::string {
            Scene scene;
            COstrelAPI::TError error{99};
            COstrelAPI::TRouteCoordinates route{};
            int result = 0;
            const bool reached = RunArmed(scene.faults, kind, n, [&] {
                result = scene.api.GetRouteCoordinates(&error, &route);
            });
            std::string failure = CheckRoute(result, error, route, false);
            std::free(route.coordinates);
            const std::string orphans = MarkersWithoutCompleteMessage(scene.fake);
            if (!orphans.empty()) failure += " markers without message: " + orphans;
            COstrelAPI::TRouteCoordinates next{};
            result = scene.api.GetRouteCoordinates(&error, &next);
            failure += CheckRoute(result, error, next, true);
            std::free(next.coordinates);
            if (!reached) return failure.empty() ? "not reached" : failure;
            return failure;
        },
        counts);

    Sweep(
        "ProcessEvents",
        [](int kind, int n) -> std::string {
            platform::FakePlatform fake;
            testing::FaultPlatform faults(fake);
            platform::ScopedPlatform use(faults);
            // A command long enough for the heap buffer and the heap field table.
            std::string command = "EchoV01|";
            for (int i = 0; i < 40; ++i)
                command += std::string(30, static_cast<char>('a' + i % 26)) + "|";
            fake.AddFile(testing::InExchange("app.nav.7.1.message"), command + '\0');
            fake.AddFile(testing::InExchange("app.nav.7.1.finished"), testing::kMarker);
            Navigator navigator;
            const bool reached = RunArmed(
                faults, kind, n, [&] { COstrelFileLayer::ProcessEvents("nav", navigator); });
            std::string failure;
            const std::string orphans = MarkersWithoutCompleteMessage(fake);
            if (!orphans.empty()) failure += "markers without message: " + orphans;
            // The next pass serves a new command (and the first one, if it is still there).
            fake.AddFile(testing::InExchange("app.nav.7.2.message"),
                         std::string("EchoV01|b|\0", 11));
            fake.AddFile(testing::InExchange("app.nav.7.2.finished"), testing::kMarker);
            COstrelFileLayer::ProcessEvents("nav", navigator);
            if (fake.FileContents(testing::InExchange("nav.app.7.2.message")) !=
                std::string("0|b|\0", 5)) {
                failure += " the next command was not answered";
            }
            if (fake.Exists(testing::InExchange("app.nav.7.1.finished")))
                failure += " the first command is still waiting after a clean pass";
            if (!reached) return failure.empty() ? "not reached" : failure;
            return failure;
        },
        counts);

    std::printf("fault sweep: %d sites tried, %d faults injected, %zu failures\n", counts.sites,
                counts.injected, counts.failures.size());
    for (const std::string& failure : counts.failures) ADD_FAILURE() << failure;
}

}  // namespace
}  // namespace oxsdk::navigator
