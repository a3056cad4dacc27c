// Names and contents of exchange files as the transport tests place and look for them on the
// fake device.
#pragma once

#include <string>

namespace oxsdk::testing {

/// The exchange folder, without and with its trailing separator.
inline const std::u16string kExchangeFolder = u"\\Ostrel\\SdkFileCalls";
inline const std::u16string kExchange = kExchangeFolder + u"\\";
/// The 8 bytes of a completion marker.
inline const std::string kMarker("finish\n\0", 8);

/// Device path of the exchange file `name`.
inline std::u16string InExchange(const std::string& name) {
    return kExchange + std::u16string(name.begin(), name.end());
}

}  // namespace oxsdk::testing
