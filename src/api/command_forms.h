// Writes out the three forms of a catalogue command from one line per command. The command
// family files (navigation_commands.cc, favorite_commands.cc, ...) are lists of such lines;
// everything a form does is in command_calls.h, so each line only names the command, its
// record and its parameters, for example
//
//   OXSDK_ACTION_FORMS(ClearRoute, (), ())
//   OXSDK_ACTION_FORMS(SwitchMap, (, const char* mapName), (, mapName))
//   OXSDK_QUERY_FORMS(GetFavorite, TFavoriteInfo, (, std::int32_t index), (, index))
//
// The parameter list repeats the request parameters of the declaration in COstrelAPI, the
// argument list names them in the same order; both start with a comma because they follow
// the leading int, the TError pointer or the record pointer of a form. A command without
// request parameters has two empty lists.
#pragma once

#include "OXSDK5Link/CommandCatalogue.h"
#include "OXSDK5Link/OstrelAPI.h"
#include "api/command_calls.h"

namespace oxsdk::api {

/// SendCommand with the arguments given one by one, as the Async forms have them.
template <typename... TArguments>
MOstrelSession* Send(MOstrelCommunicationLayerInterface& layer,
                     char (&conversionBuffer)[COstrelAPI::kConversionBufferSize],
                     const TCommandDescription& command, TArguments... arguments) {
    return SendCommand(layer, conversionBuffer, command, {Argument(arguments)...});
}

}  // namespace oxsdk::api

/// Removes the parentheses around a parameter or argument list.
#define OXSDK_LIST(...) __VA_ARGS__

/// XAsync: sends the command; the leading int is ignored.
#define OXSDK_ASYNC_FORM(Name, Parameters, Arguments)                             \
    MOstrelSession* COstrelAPI::Name##Async(int OXSDK_LIST Parameters) {          \
        return oxsdk::api::Send(layer, conversionBuffer,                          \
                                OXSDK5Link::commands::Name OXSDK_LIST Arguments); \
    }

/// A command whose reply is the error code alone: XAsync, XAsyncRetrieve and X.
#define OXSDK_ACTION_FORMS(Name, Parameters, Arguments)                                    \
    OXSDK_ASYNC_FORM(Name, Parameters, Arguments)                                          \
    int COstrelAPI::Name##AsyncRetrieve(MOstrelSession* session, TError* error) {          \
        return oxsdk::api::RetrieveReply(layer, session, error, nullptr,                   \
                                         OXSDK5Link::commands::Name);                      \
    }                                                                                      \
    int COstrelAPI::Name(TError* error OXSDK_LIST Parameters) {                            \
        return oxsdk::api::RunBlocking(                                                    \
            *this, error, [&] { return Name##Async(1 OXSDK_LIST Arguments); },             \
            [&](MOstrelSession* session) { return Name##AsyncRetrieve(session, error); }); \
    }

/// A command whose full reply fills a record of type COstrelAPI::Record: XAsync,
/// XAsyncRetrieve and X (the record pointer follows the TError pointer).
#define OXSDK_QUERY_FORMS(Name, Record, Parameters, Arguments)                                     \
    OXSDK_ASYNC_FORM(Name, Parameters, Arguments)                                                  \
    int COstrelAPI::Name##AsyncRetrieve(MOstrelSession* session, TError* error, Record* record) {  \
        return oxsdk::api::RetrieveReply(layer, session, error, record,                            \
                                         OXSDK5Link::commands::Name);                              \
    }                                                                                              \
    int COstrelAPI::Name(TError* error, Record* record OXSDK_LIST Parameters) {                    \
        return oxsdk::api::RunBlocking(                                                            \
            *this, error, [&] { return Name##Async(1 OXSDK_LIST Arguments); },                     \
            [&](MOstrelSession* session) { return Name##AsyncRetrieve(session, error, record); }); \
    }
