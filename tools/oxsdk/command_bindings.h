// The one table that ties each entry of the command catalogue to the COstrelAPI members that
// send it (XAsync) and collect its reply (XAsyncRetrieve). The command line, the runner and
// the listing all start from the catalogue and find the members here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "meanings.h"

namespace oxsdk::cli {

using OXSDK5Link::EArgumentKind;
using OXSDK5Link::TCommandDescription;

/// The request arguments of one call, by position in the command's argument list: texts are
/// kept as given, numbers and enumerators as their 32-bit value.
struct TArgumentValues {
    std::vector<std::string> texts;
    std::vector<std::int32_t> numbers;

    /// Room for `count` arguments, all empty texts and zeros.
    explicit TArgumentValues(std::size_t count = 0) : texts(count), numbers(count) {}
    const char* Text(std::size_t index) const { return texts.at(index).c_str(); }
    std::int32_t Number(std::size_t index) const { return numbers.at(index); }
};

/// What a retrieve left in its record, copied out of the member's own record type.
struct TRecordCopy {
    /// The record's bytes (fixed-shape records); read with the catalogue's offsets.
    std::vector<unsigned char> bytes;
    /// GetRouteCoordinates: the record's count, and its pairs (the array is freed).
    std::int32_t routeCount = -1;
    std::vector<COstrelAPI::TRouteCoordinatePair> routePairs;
};

/// The members of one catalogue entry.
struct TCommandBinding {
    const TCommandDescription* command;
    /// Calls XAsync(1, arguments...) with the values converted to the member's parameter types.
    MOstrelSession* (*send)(COstrelAPI& api, const TArgumentValues& values);
    /// Calls XAsyncRetrieve(session, error[, &record]) and copies the record into `copy`.
    int (*retrieve)(COstrelAPI& api, MOstrelSession* session, COstrelAPI::TError* error,
                    TRecordCopy* copy);
    /// The kinds of XAsync's parameters after the leading int, derived from its signature.
    std::vector<EArgumentKind> (*parameterKinds)();
    /// Per parameter after the leading int: its enumeration, null when it is none.
    std::vector<const TEnumeration*> (*parameterEnumerations)();
    /// sizeof the record that XAsyncRetrieve fills, 0 when it takes none.
    std::size_t (*recordSize)();
};

/// Every binding, one per catalogue entry.
const std::vector<TCommandBinding>& AllBindings();

/// The binding of `command`, or null when the table lacks it.
const TCommandBinding* FindBinding(const TCommandDescription& command);

}  // namespace oxsdk::cli
