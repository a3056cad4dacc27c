// `oxsdk watch` where the library was built without its watcher (no GeographicLib): there is no
// such subcommand.
#include "watch_command.h"

namespace oxsdk::cli {

void DefineWatchCommand(CLI::App&, TWatchOptions&) {}

int RunWatch(const TWatchOptions&, bool, const TClientOptions&) {
    return 2;
}

}  // namespace oxsdk::cli
