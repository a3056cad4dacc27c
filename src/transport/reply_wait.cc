#include "transport/reply_wait.h"

namespace oxsdk::transport {
namespace {

// Constant-initialised: no constructor runs when the library is loaded.
thread_local ScopedReplyWaitWatch* currentScope = nullptr;

}  // namespace

ScopedReplyWaitWatch::ScopedReplyWaitWatch(MReplyWaitWatch& watch)
    : watch_(watch), previous_(currentScope) {
    currentScope = this;
}

ScopedReplyWaitWatch::~ScopedReplyWaitWatch() {
    currentScope = previous_;
}

ScopedReplyWaitWatch* ScopedReplyWaitWatch::Current() {
    return currentScope;
}

}  // namespace oxsdk::transport
