// The busy cursor shown while StopApplication waits for the navigator's window to go. Nested
// calls keep the cursor saved by the first; ending without a beginning changes nothing.
#pragma once

namespace oxsdk::navigator {

/// Saves the current cursor and shows the system wait cursor, unless the busy cursor is up
/// already. Returns 0.
int BeginBusyCursor();

/// Shows the saved cursor again when the busy cursor is up. Returns 0.
int EndBusyCursor();

}  // namespace oxsdk::navigator
