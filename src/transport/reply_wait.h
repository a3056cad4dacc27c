// How a reply wait learns that the other side is gone, without the transport knowing who the
// other side is. The file layer's StartReceiveCommand waits for a reply; a caller above the
// transport (COstrelAPI's retrieve forms) installs a watch for the waits of its thread with
// ScopedReplyWaitWatch, and the wait asks it, at most every kPeerCheckMilliseconds, whether the
// other side is gone. The scope also records how the last wait under it ended, so that the
// caller can tell a reply from a wait that was given up. Waits of a thread without a watch, and
// waits on other layers, are not affected.
#pragma once

#include <cstdint>

namespace oxsdk::transport {

/// Least time between two questions to a watch.
inline constexpr std::uint64_t kPeerCheckMilliseconds = 100;

/// How the last reply wait ended.
enum class EReplyWaitEnd {
    kReply,     ///< the reply's marker appeared (the reply was then received, or found unreadable)
    kPeerGone,  ///< the watch reported the other side gone and no reply had come
    kDeadline,  ///< the layer's reply timeout passed
};

/// Implemented above the transport: tells a reply wait whether the other side is gone.
class MReplyWaitWatch {
public:
    virtual ~MReplyWaitWatch() = default;
    /// The reply is not there yet and the wait begins: note how the other side looks now.
    virtual void WaitBegins() = 0;
    /// True when the other side, present as the wait began, is gone now.
    virtual bool PeerGone() = 0;
};

/// Installs a watch for the reply waits of this thread for its own lifetime, and restores the
/// one before it when it ends. Scopes nest: the innermost one is asked.
class ScopedReplyWaitWatch {
public:
    explicit ScopedReplyWaitWatch(MReplyWaitWatch& watch);
    ~ScopedReplyWaitWatch();
    ScopedReplyWaitWatch(const ScopedReplyWaitWatch&) = delete;
    ScopedReplyWaitWatch& operator=(const ScopedReplyWaitWatch&) = delete;

    /// The innermost scope of this thread, or null.
    static ScopedReplyWaitWatch* Current();

    MReplyWaitWatch& watch() { return watch_; }
    /// How the last wait under this scope ended (kReply before any).
    EReplyWaitEnd end() const { return end_; }
    void RecordEnd(EReplyWaitEnd end) { end_ = end; }

private:
    MReplyWaitWatch& watch_;
    ScopedReplyWaitWatch* previous_;
    EReplyWaitEnd end_ = EReplyWaitEnd::kReply;
};

}  // namespace oxsdk::transport
