// Result codes with which the navigator emulator answers (reply field 0). 0 is success; the
// others are the emulator's own and never clash with the codes the library sets itself
// (-1, -2, -5). docs/navigator-emulator.md lists them for application developers.
#pragma once

namespace oxsdk::emulator {

enum EResultCode {
    kSuccess = 0,
    kUnknownCommand = 1,      ///< the wire name is not a command of the navigator
    kWrongArgumentCount = 2,  ///< the command came with more or fewer arguments than it takes
    kUnknownPlace = 3,        ///< the address, place, postal code or country is not known
    kNoRoute = 4,             ///< a route query while no route is planned
    kInvalidArgument = 5,     ///< a number that is no integer or out of range, an empty name
    kFavoriteEmpty = 6,       ///< the favourite slot holds nothing
    kPoiNotFound = 7,         ///< the POI set does not exist or holds no point
    kStorageFailure = 8,      ///< the change could not be written to the data folder
    kOutputFileFailure = 9,   ///< the raw GPS output file cannot be opened
    kInternalError = 99       ///< a fault of the emulator itself (see its log)
};

}  // namespace oxsdk::emulator
