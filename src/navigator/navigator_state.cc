#include "navigator/navigator_state.h"

namespace oxsdk::navigator {
namespace {
NavigatorState state;  // zero-initialised static storage: nothing runs at load
}  // namespace

NavigatorState& State() {
    return state;
}

void ResetNavigatorState() {
    std::lock_guard<std::mutex> hold(state.lock);
    state.navigatorPath[0] = u'\0';
    state.navigatorWindow = 0;
    state.navigatorInstance = 0;
    state.busyCursorActive = 0;
    state.savedCursor = 0;
    state.lastStartOutcome = 0;
    state.lastStartExecutable[0] = u'\0';
}

}  // namespace oxsdk::navigator
