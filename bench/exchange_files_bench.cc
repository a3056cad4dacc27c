// The file operations of one exchange, as the transport makes them on the emulated device:
// the poll for a marker that is not there yet, and a whole message written, found, read and
// removed. Each operation resolves its path from the device root, folder by folder, without
// following links; these figures show what that costs.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/platform.h"
#include "platform/posix/emulated_device.h"
#include "transport/file_operations.h"

namespace {

namespace fs = std::filesystem;

class Device {
public:
    Device() {
        char pattern[] = "/tmp/oxsdk-exchange-bench-XXXXXX";
        if (mkdtemp(pattern) != nullptr) root_ = pattern;
        platform_ = oxsdk::platform::NewPosixPlatform(root_);
        use_ = std::make_unique<oxsdk::platform::ScopedPlatform>(*platform_);
    }
    ~Device() {
        use_.reset();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    bool ok() const { return !root_.empty(); }

private:
    std::string root_;
    std::unique_ptr<oxsdk::platform::Platform> platform_;
    std::unique_ptr<oxsdk::platform::ScopedPlatform> use_;
};

// One poll step of a reply wait: the marker does not exist yet.
void BM_PollMissingMarker(benchmark::State& state) {
    Device device;
    if (!device.ok()) return state.SkipWithError("cannot create a device root");
    for (auto _ : state) {
        benchmark::DoNotOptimize(oxsdk::transport::OpenExchangeFile("nav.app.1.1.finished"));
    }
}
BENCHMARK(BM_PollMissingMarker);

// A message and its marker written, the marker found, the message read, both removed.
void BM_MessageWrittenReadAndRemoved(benchmark::State& state) {
    Device device;
    if (!device.ok()) return state.SkipWithError("cannot create a device root");
    const char text[] = "NavigateToCoordinatesV01|52370216|4895168|Dam Square|";
    const char marker[] = "finish\n";
    char buffer[1024];
    for (auto _ : state) {
        for (const auto& [name, data, size] :
             {std::tuple{"app.nav.1.1.message", text, sizeof text},
              std::tuple{"app.nav.1.1.finished", marker, sizeof marker}}) {
            auto file = oxsdk::transport::CreateExchangeFile(name);
            if (file == nullptr) return state.SkipWithError("create failed");
            oxsdk::transport::WriteAllBytes(*file, data, static_cast<std::uint32_t>(size));
        }
        if (oxsdk::transport::OpenExchangeFile("app.nav.1.1.finished") == nullptr) {
            return state.SkipWithError("marker missing");
        }
        auto message = oxsdk::transport::OpenExchangeFile("app.nav.1.1.message");
        if (message == nullptr) return state.SkipWithError("message missing");
        benchmark::DoNotOptimize(oxsdk::transport::ReadLine(*message, buffer, sizeof buffer));
        message.reset();
        oxsdk::transport::DeleteExchangeFile("app.nav.1.1.finished");
        oxsdk::transport::DeleteExchangeFile("app.nav.1.1.message");
    }
}
BENCHMARK(BM_MessageWrittenReadAndRemoved);

}  // namespace
