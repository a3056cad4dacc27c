// Where the exchange files live: the navigation application's data folder ("\Ostrel\", or an
// "Ostrel" folder on a storage card of a Smartphone) and the "SdkFileCalls" folder inside it.
// Both sides of the exchange derive it on their own, at every file operation; nothing is
// remembered between calls. Used by the file operations of the file layer and by the
// navigator-side folder listing.
#pragma once

namespace oxsdk::transport {

/// True when the device runs the Smartphone edition: a CE platform whose platform-type text
/// contains "Smartphone" or "SmartPhone".
bool IsSmartphone();

/// Writes the navigation application's data folder, ending with "\", into `destination`
/// (platform::kMaxPath wide characters). On a Smartphone without "\Ostrel", the first root
/// folder (in enumeration order, names starting with "." excluded) holding an "Ostrel" folder
/// is taken; candidates whose path would not fit are passed over. Always succeeds with at
/// least "\Ostrel\".
bool GetNavigatorFolder(char16_t* destination);

/// Writes the exchange folder (the data folder followed by "SdkFileCalls\") into `destination`
/// (platform::kMaxPath wide characters). With `create`, also creates both folders, ignoring
/// failures. False, with an empty text, when the path would not fit.
bool GetExchangeFolder(char16_t* destination, bool create);

}  // namespace oxsdk::transport
