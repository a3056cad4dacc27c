// The binding table. Each entry names a command once; templates derive from the member
// signatures how the arguments are converted and which record the retrieve fills.
#include "command_bindings.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

namespace oxsdk::cli {
namespace {

using API = COstrelAPI;

template <typename T>
constexpr EArgumentKind KindOf() {
    if constexpr (std::is_same_v<T, const char*>) {
        return EArgumentKind::Text;
    } else if constexpr (std::is_enum_v<T>) {
        return EArgumentKind::Enumeration;
    } else {
        static_assert(std::is_same_v<T, std::int32_t>, "parameters are texts, numbers, enums");
        return EArgumentKind::Number;
    }
}

template <typename T>
const TEnumeration* EnumerationOf() {
    if constexpr (std::is_same_v<T, API::ESettingAndValue>) {
        return &SettingEnumeration();
    } else if constexpr (std::is_same_v<T, API::EProperty>) {
        return &PropertyEnumeration();
    } else if constexpr (std::is_same_v<T, API::EPoiTypeCode>) {
        return &PoiTypeEnumeration();
    } else {
        static_assert(!std::is_enum_v<T>, "every enumeration has its table of names");
        return nullptr;
    }
}

template <typename T>
T ArgumentAs(const TArgumentValues& values, std::size_t index) {
    if constexpr (std::is_same_v<T, const char*>) {
        return values.Text(index);
    } else {
        return static_cast<T>(values.Number(index));
    }
}

// ---- sending ----
template <typename... P, std::size_t... I>
MOstrelSession* CallSend(API& api, MOstrelSession* (API::*member)(int, P...),
                         const TArgumentValues& values, std::index_sequence<I...>) {
    return (api.*member)(1, ArgumentAs<P>(values, I)...);
}

template <typename... P>
std::vector<EArgumentKind> KindsOf(MOstrelSession* (API::*)(int, P...)) {
    return {KindOf<P>()...};
}

template <typename... P>
std::vector<const TEnumeration*> EnumerationsOf(MOstrelSession* (API::*)(int, P...)) {
    return {EnumerationOf<P>()...};
}

template <typename... P>
MOstrelSession* CallSend(API& api, MOstrelSession* (API::*member)(int, P...),
                         const TArgumentValues& values) {
    return CallSend(api, member, values, std::index_sequence_for<P...>{});
}

template <auto Member>
MOstrelSession* Send(API& api, const TArgumentValues& values) {
    return CallSend(api, Member, values);
}

template <auto Member>
std::vector<EArgumentKind> ParameterKinds() {
    return KindsOf(Member);
}

template <auto Member>
std::vector<const TEnumeration*> ParameterEnumerations() {
    return EnumerationsOf(Member);
}

// ---- retrieving ----
template <typename Record>
void Keep(const Record& record, TRecordCopy* copy) {
    static_assert(std::is_trivially_copyable_v<Record>);
    copy->bytes.resize(sizeof(Record));
    std::memcpy(copy->bytes.data(), &record, sizeof(Record));
}

void Keep(const API::TRouteCoordinates& record, TRecordCopy* copy) {
    copy->routeCount = record.count;
    if (record.coordinates != nullptr && record.count > 0) {
        copy->routePairs.assign(record.coordinates, record.coordinates + record.count);
    }
    // The pair array is the caller's: release it as soon as the pairs are copied.
    std::free(record.coordinates);
}

int CallRetrieve(API& api, int (API::*member)(MOstrelSession*, API::TError*),
                 MOstrelSession* session, API::TError* error, TRecordCopy*) {
    return (api.*member)(session, error);
}

template <typename Record>
int CallRetrieve(API& api, int (API::*member)(MOstrelSession*, API::TError*, Record*),
                 MOstrelSession* session, API::TError* error, TRecordCopy* copy) {
    Record record{};
    const int result = (api.*member)(session, error, &record);
    Keep(record, copy);
    return result;
}

std::size_t SizeOfRecord(int (API::*)(MOstrelSession*, API::TError*)) {
    return 0;
}

template <typename Record>
std::size_t SizeOfRecord(int (API::*)(MOstrelSession*, API::TError*, Record*)) {
    return sizeof(Record);
}

template <auto Member>
int Retrieve(API& api, MOstrelSession* session, API::TError* error, TRecordCopy* copy) {
    return CallRetrieve(api, Member, session, error, copy);
}

template <auto Member>
std::size_t RecordSize() {
    return SizeOfRecord(Member);
}

#define OXSDK_BIND(Name)                                                              \
    TCommandBinding {                                                                 \
        &OXSDK5Link::commands::Name, &Send<&API::Name##Async>,                        \
            &Retrieve<&API::Name##AsyncRetrieve>, &ParameterKinds<&API::Name##Async>, \
            &ParameterEnumerations<&API::Name##Async>,                                \
            &RecordSize<&API::Name##AsyncRetrieve>                                    \
    }

}  // namespace

const std::vector<TCommandBinding>& AllBindings() {
    static const std::vector<TCommandBinding> bindings = {
        OXSDK_BIND(GetApplicationVersion),
        OXSDK_BIND(FlashMessage),
        OXSDK_BIND(NavigateToCoordinates),
        OXSDK_BIND(NavigateToFavorite),
        OXSDK_BIND(NavigateToAddress),
        OXSDK_BIND(NavigateToPostalCode),
        OXSDK_BIND(ShowAddressOnMap),
        OXSDK_BIND(ShowPostalCodeOnMap),
        OXSDK_BIND(ShowCoordinatesOnMap),
        OXSDK_BIND(ShowRectangleOnMap),
        OXSDK_BIND(ChangeSetting),
        OXSDK_BIND(SwitchMap),
        OXSDK_BIND(SetNavigatorProperty),
        OXSDK_BIND(BringNavigatorToForeground),
        OXSDK_BIND(SwitchToNavigatorView),
        OXSDK_BIND(SetRouteSummaryVisible),
        OXSDK_BIND(ClearRoute),
        OXSDK_BIND(ClearFavorite),
        OXSDK_BIND(SetFavorite),
        OXSDK_BIND(GetFavorite),
        OXSDK_BIND(MakePoiVisible),
        OXSDK_BIND(AddPoi),
        OXSDK_BIND(DeleteClosestPoi),
        OXSDK_BIND(DeleteAllPoi),
        OXSDK_BIND(MakeUserPoiVisible),
        OXSDK_BIND(MoveClosestPoi),
        OXSDK_BIND(GetCurrentPosition),
        OXSDK_BIND(GetLocationInfo),
        OXSDK_BIND(GetLocationInfoEx),
        OXSDK_BIND(GetRouteInfo),
        OXSDK_BIND(GetRouteCoordinates),
        OXSDK_BIND(Geocode),
        OXSDK_BIND(GeocodeExtended),
        OXSDK_BIND(GeocodeByPostalCode),
        OXSDK_BIND(GetDataSetInfo),
        OXSDK_BIND(GetUniqueDeviceId),
        OXSDK_BIND(EnableExternalGPSInput),
        OXSDK_BIND(DisableExternalGPSInput),
        OXSDK_BIND(EnableRawGPSOutput),
        OXSDK_BIND(DisableRawGPSOutput),
        OXSDK_BIND(StopApplication),
    };
    return bindings;
}

#undef OXSDK_BIND

const TCommandBinding* FindBinding(const TCommandDescription& command) {
    for (const TCommandBinding& binding : AllBindings()) {
        if (binding.command == &command) return &binding;
    }
    return nullptr;
}

}  // namespace oxsdk::cli
