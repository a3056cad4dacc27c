#include "api/route_coordinates.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "api/command_calls.h"
#include "transport/parse_decimal.h"

namespace oxsdk::api {
namespace {

void* AllocateWithMalloc(std::size_t bytes) {
    return std::malloc(bytes);
}

PairAllocation currentAllocation = AllocateWithMalloc;

constexpr std::int32_t kNoPairsRead = -1;
constexpr std::int32_t kNoRoute = -5;

}  // namespace

ScopedPairAllocation::ScopedPairAllocation(PairAllocation allocation)
    : previous_(currentAllocation) {
    currentAllocation = allocation;
}

ScopedPairAllocation::~ScopedPairAllocation() {
    currentAllocation = previous_;
}

int RetrieveRouteCoordinates(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session,
                             COstrelAPI::TError* error, COstrelAPI::TRouteCoordinates* route) {
    route->count = kNoPairsRead;
    route->coordinates = nullptr;
    if (const int ended = AwaitReply(layer, session, error); ended != 0) {
        // Only a wait given up is returned; every other failure here returns 0.
        return ended == kNavigatorGone || ended == kReplyTimedOut ? ended : 0;
    }
    const int fieldCount = layer.NrReceiveFields();
    if (fieldCount < 2) {
        error->errorCode = -2;
        return 0;
    }
    error->errorCode = ParseDecimal(layer.ReceiveField(0));
    if (error->errorCode != 0) return 0;

    // An odd trailing field does not make a pair; a large announcement never reaches beyond
    // the pairs that are present.
    const std::int32_t announced = ParseDecimal(layer.ReceiveField(1));
    const std::int32_t present = (fieldCount - 2) / 2;
    route->count = std::min(announced, present);
    if (route->count < 1) {
        route->count = 0;
        error->errorCode = kNoRoute;
        return kNoRoute;
    }

    using Pair = COstrelAPI::TRouteCoordinatePair;
    const std::size_t pairs = static_cast<std::size_t>(route->count);
    void* block =
        pairs <= SIZE_MAX / sizeof(Pair) ? currentAllocation(pairs * sizeof(Pair)) : nullptr;
    if (block == nullptr) {
        error->errorCode = kNoRoute;
        return 0;
    }
    Pair* coordinates = static_cast<Pair*>(block);
    for (std::size_t i = 0; i < pairs; ++i) {
        const int field = 2 + 2 * static_cast<int>(i);
        coordinates[i].first = ParseDecimal(layer.ReceiveField(field));
        coordinates[i].second = ParseDecimal(layer.ReceiveField(field + 1));
    }
    route->coordinates = coordinates;
    return 0;
}

}  // namespace oxsdk::api
