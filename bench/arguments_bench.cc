// Building and decoding a large argument list: the time per byte must stay flat as the text
// grows (appending and decoding are linear in the text size).
#include <cstring>
#include <string>

#include <benchmark/benchmark.h>

#include "OXSDK5Link/Arguments.h"

namespace {

// Appends 16-byte arguments until the text holds state.range(0) bytes, then decodes it.
void BM_BuildAndDecode(benchmark::State& state) {
    const std::size_t target = static_cast<std::size_t>(state.range(0));
    const std::string argument(15, 'a');
    int fields = 0;
    for (auto _ : state) {
        CCsvArguments arguments('|');
        for (std::size_t length = 0; length < target; length += argument.size() + 1) {
            arguments.AppendArgument(argument.c_str());
        }
        arguments.DecodeCommand();
        fields = arguments.NrReceiveFields();
        benchmark::DoNotOptimize(fields);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.counters["fields"] = fields;
}
BENCHMARK(BM_BuildAndDecode)->RangeMultiplier(10)->Range(10'000, 10'000'000)->Unit(benchmark::kMillisecond);

// Decoding a 10 MB reply placed in the buffer as the file exchange does.
void BM_DecodeReply(benchmark::State& state) {
    const std::size_t size = static_cast<std::size_t>(state.range(0));
    std::string text;
    while (text.size() < size) text += "123456789012345|";
    for (auto _ : state) {
        state.PauseTiming();
        CCsvArguments arguments('|');
        arguments.PrepareLargeBuffer(static_cast<int>(text.size() + 1));
        std::memcpy(const_cast<char*>(arguments.CommandBuffer()), text.c_str(), text.size() + 1);
        state.ResumeTiming();
        arguments.DecodeCommand();
        benchmark::DoNotOptimize(arguments.NrReceiveFields());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_DecodeReply)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
