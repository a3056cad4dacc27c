// Finding the navigator executable anywhere on the device and starting it. The search records
// the path of the first accepted executable in State().navigatorPath; the launch starts
// whatever path is recorded there, which may be one recorded by an earlier search.
#pragma once

namespace oxsdk::navigator {

/// Searches the whole device, from "\", for "*.exe" files with MatchNavigatorExecutable.
/// True when the search visited at least one file, whether or not it recorded a path.
bool LocateNavigator();

/// Visit routine of the search. When `name` is one of the navigator's executable names
/// ("Ostrel Navigator.exe", "ZEV Izizararar.exe", "Ostrel Mobile.exe", letter case aside), joins
/// `folder` and `name` into `context` (a buffer of platform::kMaxPath wide characters) and
/// returns 0 (stop) when the file's attributes can be read there. Returns non-zero (go on)
/// otherwise; a path whose attributes cannot be read stays in the buffer.
int MatchNavigatorExecutable(const char16_t* folder, const char16_t* name, void* context,
                             int reserved);

/// Starts the executable recorded in State().navigatorPath, without waiting for it. False when
/// no path is recorded or the process cannot be started.
bool LaunchNavigator();

}  // namespace oxsdk::navigator
