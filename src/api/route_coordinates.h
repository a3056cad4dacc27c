// Collecting the reply of GetRouteCoordinates, the one command whose reply has no fixed
// length: an error code, an announced number of pairs, then the pairs. The pairs go into an
// array allocated here and handed to the caller, who releases it with free. Called by
// COstrelAPI::GetRouteCoordinatesAsyncRetrieve; tests replace the allocation for their scope.
#pragma once

#include <cstddef>

#include "OXSDK5Link/CommunicationLayer.h"
#include "OXSDK5Link/OstrelAPI.h"

namespace oxsdk::api {

/// Sets route->count to -1 and route->coordinates to null, then:
/// - null session: errorCode -1, returns 0 (the layer is not called);
/// - fewer than 2 reply fields: errorCode -2, returns 0;
/// - non-zero field 0: errorCode that code, returns 0;
/// - count becomes the smaller of the announced pairs (field 1) and the complete pairs present;
///   below 1: count 0, errorCode -5, returns -5, nothing allocated;
/// - the array cannot be allocated: coordinates stays null, count is kept, errorCode -5,
///   returns 0;
/// - otherwise errorCode 0, `count` pairs from fields 2 + 2i and 3 + 2i, returns 0.
int RetrieveRouteCoordinates(MOstrelCommunicationLayerInterface& layer, MOstrelSession* session,
                             COstrelAPI::TError* error, COstrelAPI::TRouteCoordinates* route);

/// The allocation behind the pair array: malloc unless a test has replaced it.
using PairAllocation = void* (*)(std::size_t bytes);

/// Replaces the pair array's allocation for the lifetime of the object (tests only; not
/// thread-safe, like everything else a test swaps in).
class ScopedPairAllocation {
public:
    explicit ScopedPairAllocation(PairAllocation allocation);
    ~ScopedPairAllocation();
    ScopedPairAllocation(const ScopedPairAllocation&) = delete;
    ScopedPairAllocation& operator=(const ScopedPairAllocation&) = delete;

private:
    PairAllocation previous_;
};

}  // namespace oxsdk::api
