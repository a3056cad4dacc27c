#include "navigator/navigator_state.h"

namespace oxsdk::navigator {
namespace {
NavigatorState state;  // zero-initialised static storage: nothing runs at load
}  // namespace

NavigatorState& State() {
    return state;
}

void ResetNavigatorState() {
    state = NavigatorState{};
}

}  // namespace oxsdk::navigator
