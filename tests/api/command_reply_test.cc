// How every command with a fixed reply shape takes its reply apart: which field counts it
// accepts, which reply field lands in which record member, that a refused or error-only reply
// leaves the record as it was, and that reply texts stay inside their members.
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/OXSDK5Link.h"
#include "support/scripted_layer.h"

namespace {

namespace commands = OXSDK5Link::commands;
using API = COstrelAPI;
using oxsdk::testing::ScriptedLayer;
using OXSDK5Link::TCommandDescription;

using RetrieveCall = std::function<int(API&, MOstrelSession*, API::TError*, void* record)>;
using RecordCheck = std::function<void(const void* record)>;

RetrieveCall Action(int (API::*retrieve)(MOstrelSession*, API::TError*)) {
    return [retrieve](API& api, MOstrelSession* session, API::TError* error, void*) {
        return (api.*retrieve)(session, error);
    };
}

template <typename Record>
RetrieveCall Query(int (API::*retrieve)(MOstrelSession*, API::TError*, Record*)) {
    return [retrieve](API& api, MOstrelSession* session, API::TError* error, void* record) {
        return (api.*retrieve)(session, error, static_cast<Record*>(record));
    };
}

// Reply field k (k >= 1) of a generated full reply holds the decimal text of Value(k): an
// integer member filled from it holds Value(k), a text member the text Text(k).
std::int32_t Value(int k) {
    return -11 * k;
}
std::string Text(int k) {
    return std::to_string(Value(k));
}

template <typename Record>
RecordCheck Check(std::function<void(const Record&)> check) {
    return [check](const void* record) { check(*static_cast<const Record*>(record)); };
}

/// A command, the field count of its full reply, how to call its retrieve form, and which
/// member each field of a full reply must land in (null: no record).
struct ReplyCase {
    const TCommandDescription* command;
    int fullCount;
    RetrieveCall retrieve;
    std::size_t recordSize;
    RecordCheck checkFull;
};

// clang-format off
const std::vector<ReplyCase>& ReplyCases() {
    // The three geocoding commands share their record and its filling.
    static const RecordCheck checkGeocode = Check<API::TGeocodeResult>([](const API::TGeocodeResult& r) {
        EXPECT_EQ(Value(1), r.value1); EXPECT_EQ(Value(2), r.value2); EXPECT_EQ(Value(3), r.value3);
        EXPECT_EQ(Text(4), r.text1); EXPECT_EQ(Text(5), r.text2); });
    static const std::vector<ReplyCase> cases = {
        {&commands::GetApplicationVersion, 3, Query(&API::GetApplicationVersionAsyncRetrieve), sizeof(API::TVersion),
         Check<API::TVersion>([](const API::TVersion& r) {
             EXPECT_EQ(Text(1), r.versionText); EXPECT_EQ(Value(2), r.versionNumber); })},
        {&commands::FlashMessage, 1, Action(&API::FlashMessageAsyncRetrieve), 0, nullptr},
        {&commands::NavigateToCoordinates, 1, Action(&API::NavigateToCoordinatesAsyncRetrieve), 0, nullptr},
        {&commands::NavigateToFavorite, 1, Action(&API::NavigateToFavoriteAsyncRetrieve), 0, nullptr},
        {&commands::NavigateToAddress, 1, Action(&API::NavigateToAddressAsyncRetrieve), 0, nullptr},
        {&commands::NavigateToPostalCode, 1, Action(&API::NavigateToPostalCodeAsyncRetrieve), 0, nullptr},
        {&commands::ShowAddressOnMap, 1, Action(&API::ShowAddressOnMapAsyncRetrieve), 0, nullptr},
        {&commands::ShowPostalCodeOnMap, 1, Action(&API::ShowPostalCodeOnMapAsyncRetrieve), 0, nullptr},
        {&commands::ShowCoordinatesOnMap, 1, Action(&API::ShowCoordinatesOnMapAsyncRetrieve), 0, nullptr},
        {&commands::ShowRectangleOnMap, 1, Action(&API::ShowRectangleOnMapAsyncRetrieve), 0, nullptr},
        {&commands::ChangeSetting, 1, Action(&API::ChangeSettingAsyncRetrieve), 0, nullptr},
        {&commands::SwitchMap, 1, Action(&API::SwitchMapAsyncRetrieve), 0, nullptr},
        {&commands::SetNavigatorProperty, 1, Action(&API::SetNavigatorPropertyAsyncRetrieve), 0, nullptr},
        {&commands::BringNavigatorToForeground, 1, Action(&API::BringNavigatorToForegroundAsyncRetrieve), 0, nullptr},
        {&commands::SwitchToNavigatorView, 1, Action(&API::SwitchToNavigatorViewAsyncRetrieve), 0, nullptr},
        {&commands::SetRouteSummaryVisible, 1, Action(&API::SetRouteSummaryVisibleAsyncRetrieve), 0, nullptr},
        {&commands::ClearRoute, 1, Action(&API::ClearRouteAsyncRetrieve), 0, nullptr},
        {&commands::ClearFavorite, 1, Action(&API::ClearFavoriteAsyncRetrieve), 0, nullptr},
        {&commands::SetFavorite, 1, Action(&API::SetFavoriteAsyncRetrieve), 0, nullptr},
        {&commands::GetFavorite, 5, Query(&API::GetFavoriteAsyncRetrieve), sizeof(API::TFavoriteInfo),
         Check<API::TFavoriteInfo>([](const API::TFavoriteInfo& r) {
             EXPECT_EQ(Text(1), r.text1); EXPECT_EQ(Text(2), r.text2);
             EXPECT_EQ(Value(3), r.value1); EXPECT_EQ(Value(4), r.value2); })},
        {&commands::MakePoiVisible, 1, Action(&API::MakePoiVisibleAsyncRetrieve), 0, nullptr},
        {&commands::AddPoi, 1, Action(&API::AddPoiAsyncRetrieve), 0, nullptr},
        {&commands::DeleteClosestPoi, 1, Action(&API::DeleteClosestPoiAsyncRetrieve), 0, nullptr},
        {&commands::DeleteAllPoi, 1, Action(&API::DeleteAllPoiAsyncRetrieve), 0, nullptr},
        {&commands::MakeUserPoiVisible, 1, Action(&API::MakeUserPoiVisibleAsyncRetrieve), 0, nullptr},
        {&commands::MoveClosestPoi, 1, Action(&API::MoveClosestPoiAsyncRetrieve), 0, nullptr},
        {&commands::GetCurrentPosition, 6, Query(&API::GetCurrentPositionAsyncRetrieve), sizeof(API::TCurrentPositionInfo),
         Check<API::TCurrentPositionInfo>([](const API::TCurrentPositionInfo& r) {
             EXPECT_EQ(Value(1), r.value1); EXPECT_EQ(Value(2), r.value2); EXPECT_EQ(Value(3), r.value3);
             EXPECT_EQ(Value(4), r.value4); EXPECT_EQ(Value(5), r.value5); })},
        {&commands::GetLocationInfo, 7, Query(&API::GetLocationInfoAsyncRetrieve), sizeof(API::TLocationInfo),
         Check<API::TLocationInfo>([](const API::TLocationInfo& r) {
             EXPECT_EQ(Value(1), r.value1); EXPECT_EQ(Value(2), r.value2); EXPECT_EQ(Value(3), r.value3);
             EXPECT_EQ(Text(4), r.text1); EXPECT_EQ(Value(5), r.value4); EXPECT_EQ(Value(6), r.value5); })},
        {&commands::GetLocationInfoEx, 8, Query(&API::GetLocationInfoExAsyncRetrieve), sizeof(API::TLocationInfoEx),
         Check<API::TLocationInfoEx>([](const API::TLocationInfoEx& r) {
             EXPECT_EQ(Value(1), r.value1); EXPECT_EQ(Value(2), r.value2); EXPECT_EQ(Value(3), r.value3);
             EXPECT_EQ(Text(4), r.text1); EXPECT_EQ(Value(5), r.value4); EXPECT_EQ(Value(6), r.value5);
             EXPECT_EQ(Text(7), r.text2); })},
        {&commands::GetRouteInfo, 14, Query(&API::GetRouteInfoAsyncRetrieve), sizeof(API::TRouteInfo),
         Check<API::TRouteInfo>([](const API::TRouteInfo& r) {
             const std::int32_t values[] = {r.value1, r.value2, r.value3, r.value4, r.value5,
                                            r.value6, r.value7, r.value8, r.value9, r.value10,
                                            r.value11, r.value12, r.value13};
             for (int k = 1; k <= 13; ++k) EXPECT_EQ(Value(k), values[k - 1]) << "value" << k; })},
        {&commands::Geocode, 6, Query(&API::GeocodeAsyncRetrieve), sizeof(API::TGeocodeResult),
         checkGeocode},
        {&commands::GeocodeExtended, 6, Query(&API::GeocodeExtendedAsyncRetrieve), sizeof(API::TGeocodeResult),
         checkGeocode},
        {&commands::GeocodeByPostalCode, 6, Query(&API::GeocodeByPostalCodeAsyncRetrieve), sizeof(API::TGeocodeResult),
         checkGeocode},
        {&commands::GetDataSetInfo, 5, Query(&API::GetDataSetInfoAsyncRetrieve), sizeof(API::TDataSetInfo),
         Check<API::TDataSetInfo>([](const API::TDataSetInfo& r) {
             EXPECT_EQ(Text(1), r.text1); EXPECT_EQ(Text(2), r.text2);
             EXPECT_EQ(Value(3), r.value1); EXPECT_EQ(Value(4), r.value2); })},
        {&commands::GetUniqueDeviceId, 3, Query(&API::GetUniqueDeviceIdAsyncRetrieve), sizeof(API::TDeviceId),
         Check<API::TDeviceId>([](const API::TDeviceId& r) {
             EXPECT_EQ(Text(1), r.text1); EXPECT_EQ(Value(2), r.value1); })},
        {&commands::EnableExternalGPSInput, 2, Query(&API::EnableExternalGPSInputAsyncRetrieve), sizeof(API::TExternalGPSResult),
         Check<API::TExternalGPSResult>([](const API::TExternalGPSResult& r) { EXPECT_EQ(Value(1), r.value1); })},
        {&commands::DisableExternalGPSInput, 1, Action(&API::DisableExternalGPSInputAsyncRetrieve), 0, nullptr},
        {&commands::EnableRawGPSOutput, 1, Action(&API::EnableRawGPSOutputAsyncRetrieve), 0, nullptr},
        {&commands::DisableRawGPSOutput, 1, Action(&API::DisableRawGPSOutputAsyncRetrieve), 0, nullptr},
    };
    return cases;
}
// clang-format on

const ReplyCase* FindCase(const TCommandDescription* command) {
    for (const ReplyCase& c : ReplyCases()) {
        if (c.command == command) return &c;
    }
    return nullptr;
}

constexpr unsigned char kMark = 0x5A;

/// Room for every record, with the bytes after the record as a guard against overruns.
struct RecordStorage {
    RecordStorage() { std::memset(bytes, kMark, sizeof bytes); }
    bool UntouchedFrom(std::size_t begin) const {
        for (std::size_t i = begin; i < sizeof bytes; ++i) {
            if (bytes[i] != kMark) return false;
        }
        return true;
    }
    alignas(8) unsigned char bytes[512];
};

/// Fields 0 to count - 1: `errorText`, then the decimal text of Value(k) for field k.
std::vector<std::string> ReplyFields(int count, const std::string& errorText) {
    std::vector<std::string> fields;
    for (int k = 0; k < count; ++k) fields.push_back(k == 0 ? errorText : Text(k));
    return fields;
}

/// A session of the scripted layer, as an Async form would have returned it.
MOstrelSession* NewSession(ScriptedLayer& layer) {
    layer.StartSendCommand();
    return layer.SendCommand();
}

struct Outcome {
    int result;
    API::TError error;
};

Outcome RetrieveFields(const ReplyCase& c, const std::vector<std::string>& fields,
                       RecordStorage& storage) {
    ScriptedLayer layer;
    API api(layer);
    layer.QueueReplyFields(fields);
    Outcome outcome{0, {12345}};
    outcome.result = c.retrieve(api, NewSession(layer), &outcome.error, storage.bytes);
    EXPECT_EQ(0, layer.liveSessions()) << c.command->name;
    return outcome;
}

TEST(CommandReplyTest, EveryFixedShapeCommandHasACaseMatchingTheCatalogue) {
    for (const TCommandDescription* command : commands::kAll) {
        if (command == &commands::StopApplication ||
            command->replyShape == OXSDK5Link::EReplyShape::RouteCoordinates) {
            continue;
        }
        const ReplyCase* c = FindCase(command);
        ASSERT_NE(nullptr, c) << command->name;
        EXPECT_EQ(c->fullCount, 1 + command->replyFieldCount) << command->name;
        EXPECT_EQ(c->checkFull == nullptr, command->recordName == nullptr) << command->name;
    }
}

TEST(CommandReplyTest, NullSessionGivesMinusOneWithoutCallingTheLayer) {
    for (const ReplyCase& c : ReplyCases()) {
        ScriptedLayer layer;
        API api(layer);
        API::TError error{0};
        RecordStorage storage;
        EXPECT_EQ(-1, c.retrieve(api, nullptr, &error, storage.bytes)) << c.command->name;
        EXPECT_EQ(-1, error.errorCode) << c.command->name;
        EXPECT_TRUE(layer.calls().empty()) << c.command->name;
        EXPECT_TRUE(storage.UntouchedFrom(0)) << c.command->name;
    }
}

TEST(CommandReplyTest, EachFieldCountIsAcceptedOrRefusedAsTheCommandSays) {
    for (const ReplyCase& c : ReplyCases()) {
        for (int count = 0; count <= c.fullCount + 1; ++count) {
            // The record is filled from a full reply whatever the navigator's code says.
            for (const char* errorText : {"0", "7", "-3"}) {
                SCOPED_TRACE(std::string(c.command->name) + " fields " + std::to_string(count) +
                             " code " + errorText);
                RecordStorage storage;
                const Outcome outcome = RetrieveFields(c, ReplyFields(count, errorText), storage);
                if (count == 1 || count == c.fullCount) {
                    EXPECT_EQ(0, outcome.result);
                    EXPECT_EQ(std::stoi(errorText), outcome.error.errorCode);
                } else {
                    EXPECT_EQ(-2, outcome.result);
                    EXPECT_EQ(-2, outcome.error.errorCode);
                }
                if (count == c.fullCount && c.checkFull != nullptr) {
                    c.checkFull(storage.bytes);
                    EXPECT_TRUE(storage.UntouchedFrom(c.recordSize));
                } else {
                    EXPECT_TRUE(storage.UntouchedFrom(0));
                }
            }
        }
    }
}

/// Every text member with the capacity it is declared with, including the terminator.
struct TextMember {
    const TCommandDescription* command;
    const char* member;
    std::size_t capacity;
};

const TextMember kTextMembers[] = {
    {&commands::GetApplicationVersion, "versionText", 16},
    {&commands::GetFavorite, "text1", 64},
    {&commands::GetFavorite, "text2", 128},
    {&commands::GetLocationInfo, "text1", 128},
    {&commands::GetLocationInfoEx, "text1", 128},
    {&commands::GetLocationInfoEx, "text2", 128},
    {&commands::Geocode, "text1", 128},
    {&commands::Geocode, "text2", 128},
    {&commands::GeocodeExtended, "text1", 128},
    {&commands::GeocodeExtended, "text2", 128},
    {&commands::GeocodeByPostalCode, "text1", 128},
    {&commands::GeocodeByPostalCode, "text2", 128},
    {&commands::GetDataSetInfo, "text1", 128},
    {&commands::GetDataSetInfo, "text2", 128},
    {&commands::GetUniqueDeviceId, "text1", 32},
};

/// Reply field index and record offset of a text member, from the catalogue.
struct Placement {
    int field;
    std::size_t offset;
};

Placement Place(const TextMember& text) {
    const TCommandDescription& command = *text.command;
    for (int i = 0; i < command.replyFieldCount; ++i) {
        if (std::strcmp(command.replyFields[i].member, text.member) == 0) {
            EXPECT_EQ(OXSDK5Link::EFieldKind::Text, command.replyFields[i].kind);
            EXPECT_EQ(text.capacity, command.replyFields[i].capacity);
            return {i + 1, command.replyFields[i].offset};
        }
    }
    ADD_FAILURE() << command.name << " has no member " << text.member;
    return {0, 0};
}

TEST(CommandReplyTest, TextMembersAreTheOnlyOnesTheCatalogueCopiesAsText) {
    for (const ReplyCase& c : ReplyCases()) {
        for (int i = 0; i < c.command->replyFieldCount; ++i) {
            if (c.command->replyFields[i].kind != OXSDK5Link::EFieldKind::Text) continue;
            int listed = 0;
            for (const TextMember& text : kTextMembers) {
                listed += text.command == c.command &&
                                  std::strcmp(text.member, c.command->replyFields[i].member) == 0
                              ? 1
                              : 0;
            }
            EXPECT_EQ(1, listed) << c.command->name << " " << c.command->replyFields[i].member;
        }
    }
}

TEST(CommandReplyTest, OverlongTextIsCutAndTerminatedInsideItsMember) {
    for (const TextMember& text : kTextMembers) {
        SCOPED_TRACE(std::string(text.command->name) + " " + text.member);
        const ReplyCase& c = *FindCase(text.command);
        const Placement place = Place(text);
        std::vector<std::string> fields = ReplyFields(c.fullCount, "0");
        RecordStorage reference;
        RetrieveFields(c, fields, reference);

        fields[static_cast<std::size_t>(place.field)] = std::string(text.capacity + 40, 'x');
        RecordStorage storage;
        const Outcome outcome = RetrieveFields(c, fields, storage);
        EXPECT_EQ(0, outcome.result);
        const char* member = reinterpret_cast<const char*>(storage.bytes + place.offset);
        EXPECT_EQ(std::string(text.capacity - 1, 'x'), std::string(member));
        // Everything outside the member is what the same reply with a short text leaves.
        for (std::size_t i = 0; i < sizeof storage.bytes; ++i) {
            if (i >= place.offset && i < place.offset + text.capacity) continue;
            ASSERT_EQ(reference.bytes[i], storage.bytes[i]) << "byte " << i;
        }
    }
}

TEST(CommandReplyTest, BytesAfterTheCopiedTerminatorKeepTheirContents) {
    for (const TextMember& text : kTextMembers) {
        for (const std::string& value : {std::string("ab"), std::string()}) {
            SCOPED_TRACE(std::string(text.command->name) + " " + text.member + " '" + value + "'");
            const ReplyCase& c = *FindCase(text.command);
            const Placement place = Place(text);
            std::vector<std::string> fields = ReplyFields(c.fullCount, "0");
            fields[static_cast<std::size_t>(place.field)] = value;
            RecordStorage storage;
            RetrieveFields(c, fields, storage);
            const unsigned char* member = storage.bytes + place.offset;
            EXPECT_EQ(0, std::memcmp(member, value.c_str(), value.size() + 1));
            for (std::size_t i = value.size() + 1; i < text.capacity; ++i) {
                ASSERT_EQ(kMark, member[i]) << "byte " << i << " of the member";
            }
        }
    }
}

TEST(CommandReplyTest, IntegerFieldsFollowTheDecimalConversion) {
    // A blank before the sign, trailing letters, a leading letter and an empty field.
    const ReplyCase& c = *FindCase(&commands::GetCurrentPosition);
    RecordStorage storage;
    const Outcome outcome = RetrieveFields(c, {" 3", " -12", "7x", "x7", "", "+5"}, storage);
    EXPECT_EQ(0, outcome.result);
    EXPECT_EQ(3, outcome.error.errorCode);
    const auto& position = *reinterpret_cast<const API::TCurrentPositionInfo*>(storage.bytes);
    EXPECT_EQ(-12, position.value1);
    EXPECT_EQ(7, position.value2);
    EXPECT_EQ(0, position.value3);
    EXPECT_EQ(0, position.value4);
    EXPECT_EQ(5, position.value5);
}

TEST(CommandReplyTest, SeparatorInAReplyTextRaisesTheFieldCount) {
    const ReplyCase& c = *FindCase(&commands::GetUniqueDeviceId);
    RecordStorage storage;
    const Outcome outcome = RetrieveFields(c, {"0", "dev|ice", "4"}, storage);
    EXPECT_EQ(-2, outcome.result);
    EXPECT_EQ(-2, outcome.error.errorCode);
    EXPECT_TRUE(storage.UntouchedFrom(0));
}

}  // namespace
