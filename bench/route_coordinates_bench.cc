// Decoding a long route: a reply of 100,000 coordinate pairs goes from its text through the
// layer's field split to the filled pair array of GetRouteCoordinatesAsyncRetrieve.
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "OXSDK5Link/OXSDK5Link.h"
#include "support/scripted_layer.h"

namespace {

std::string RouteReply(int pairs) {
    std::string reply = "0|" + std::to_string(pairs) + "|";
    for (int i = 0; i < pairs; ++i) {
        reply += std::to_string(5000000 + 7 * i) + "|" + std::to_string(-5200000 - 3 * i) + "|";
    }
    return reply;
}

void BM_RouteCoordinatesReply(benchmark::State& state) {
    const int pairs = static_cast<int>(state.range(0));
    const std::string reply = RouteReply(pairs);
    oxsdk::testing::ScriptedLayer layer;
    COstrelAPI api(layer);
    for (auto _ : state) {
        layer.QueueReply(reply);
        COstrelAPI::TError error{};
        COstrelAPI::TRouteCoordinates route{};
        api.GetRouteCoordinatesAsyncRetrieve(api.GetRouteCoordinatesAsync(1), &error, &route);
        if (error.errorCode != 0 || route.count != pairs) {
            state.SkipWithError("the route was not decoded whole");
        }
        benchmark::DoNotOptimize(route.coordinates);
        std::free(route.coordinates);
    }
    state.SetItemsProcessed(state.iterations() * pairs);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(reply.size()));
}
BENCHMARK(BM_RouteCoordinatesReply)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
