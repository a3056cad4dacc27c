// COstrelFileLayer: commands and replies as message and marker files in the exchange folder.
#include "OXSDK5Link/FileLayer.h"

#include <cstdlib>
#include <cstring>

#include "platform/device_text.h"
#include "platform/platform.h"
#include "transport/conversation_claims.h"
#include "transport/exchange_file_name.h"
#include "transport/exchange_folder.h"
#include "transport/file_layer_session.h"
#include "transport/file_operations.h"
#include "transport/message_receive.h"
#include "transport/monitor_copies.h"
#include "transport/reply_wait.h"
#include "transport/sleep_microseconds.h"

namespace {

using oxsdk::transport::EExchangeFile;
using oxsdk::transport::kFileNameCapacity;

constexpr char kSeparator = '|';
constexpr char kMarkerBytes[8] = {'f', 'i', 'n', 'i', 's', 'h', '\n', '\0'};
constexpr std::uint32_t kReplyPollMilliseconds = 100;
// A reply that cannot be written, and a reply that cannot be read, are tried this many times in
// all, 500 ms apart, as a busy file is.
constexpr int kTransientAttempts = 4;
constexpr std::uint32_t kTransientPauseMilliseconds = 500;
// The sequence numbers of a process's layers start above a number drawn for the process, below
// 2^30 so that they stay positive for a billion commands.
constexpr std::uint32_t kSequenceBaseMask = 0x3FFFFFFFu;

// Where the sequence numbers of this process's layers start: a process that has the pid of an
// earlier one (pid namespaces, reused ids) numbers its commands apart from it, so that it never
// takes the late reply to the earlier one's command for its own.
int SequenceBase() {
    try {
        return static_cast<int>(oxsdk::platform::CurrentPlatform().GetProcessNonce() &
                                kSequenceBaseMask);
    } catch (...) {
        return 0;
    }
}

// Creates the exchange file `name` holding exactly `size` bytes of `data`. On any failure the
// file is removed again, so that no partial file is left.
bool WriteExchangeFile(const char* name, const void* data, std::uint32_t size) {
    std::unique_ptr<oxsdk::platform::File> file = oxsdk::transport::CreateExchangeFile(name);
    if (file == nullptr) return false;
    bool written = oxsdk::transport::WriteAllBytes(*file, data, size) == 0;
    file.reset();
    if (!written && !oxsdk::transport::DeleteExchangeFile(name)) {
        oxsdk::transport::DeleteExchangeFile(name);
    }
    return written;
}

// Removes the message and marker "writer.reader.pid.sequence", marker first; a marker that
// cannot be removed keeps its message.
void RemoveMessageAndMarker(const char* writer, const char* reader, int pid, int sequence) {
    char markerName[kFileNameCapacity];
    char messageName[kFileNameCapacity];
    if (oxsdk::transport::FormatExchangeFileName(markerName, EExchangeFile::kMarker, writer, reader,
                                                 pid, sequence) &&
        oxsdk::transport::FormatExchangeFileName(messageName, EExchangeFile::kMessage, writer,
                                                 reader, pid, sequence)) {
        oxsdk::transport::RemoveExchangePair(markerName, messageName);
    }
}

// One step of the reply wait: at most 100 ms, ended early when the reply's marker is
// completed in the exchange folder (on a platform whose folder wait is a plain sleep this is
// the 100 ms poll step). With `milliseconds` 0 it only makes the platform watch for it.
void WaitForReply(const char16_t* markerName, std::uint32_t milliseconds) {
    char16_t folder[oxsdk::platform::kMaxPath];
    if (oxsdk::transport::GetExchangeFolder(folder, false)) {
        oxsdk::platform::CurrentPlatform().WaitForFolderChange(folder, milliseconds, markerName);
    } else if (milliseconds > 0) {
        oxsdk::transport::SleepMicroseconds(static_cast<std::int32_t>(milliseconds) * 1000);
    }
}

}  // namespace

CFileLayerSession::~CFileLayerSession() {
    if (claim.text[0] != '\0') oxsdk::transport::ReleaseConversation(claim, false);
}

void* CFileLayerSession::operator new(std::size_t size) noexcept {
    return std::malloc(size);
}

void CFileLayerSession::operator delete(void* block) noexcept {
    std::free(block);
}

MOstrelCommunicationLayerInterface* COstrelFileLayer::New(const char* localName,
                                                          const char* remoteName, int pid) {
    if (!oxsdk::transport::IsUsableExchangeName(localName) ||
        !oxsdk::transport::IsUsableExchangeName(remoteName)) {
        return nullptr;
    }
    int layerPid = pid;
    if (pid == -1) {
        try {
            layerPid = GetPid();
        } catch (...) {
            return nullptr;
        }
    }
    CCsvArguments* arguments = new CCsvArguments(kSeparator);
    if (arguments == nullptr) return nullptr;
    COstrelFileLayer* layer = new COstrelFileLayer(arguments);
    if (layer == nullptr) {
        delete arguments;
        return nullptr;
    }
    std::memcpy(layer->localName, localName, std::strlen(localName) + 1);
    std::memcpy(layer->remoteName, remoteName, std::strlen(remoteName) + 1);
    layer->pid = layerPid;
    layer->lastSequence = SequenceBase();
    return layer;
}

MOstrelCommunicationLayerInterface* COstrelFileLayer::NewReplyLayer(MOstrelSession* session) const {
    if (session == nullptr) return nullptr;
    MOstrelCommunicationLayerInterface* layer = New(localName, remoteName, pid);
    if (layer != nullptr) layer->StartReturnResult(session);
    return layer;
}

int COstrelFileLayer::GetPid() {
    return static_cast<int>(oxsdk::platform::CurrentPlatform().GetCurrentProcessId());
}

COstrelFileLayer::COstrelFileLayer(MArguments* argumentList)
    : MOstrelCommunicationLayerInterface(argumentList),
      lastSequence(0),
      pid(0),
      replyMode(0),
      builtLength(0),
      replyTimeout(0) {
    localName[0] = '\0';
    remoteName[0] = '\0';
}

COstrelFileLayer::~COstrelFileLayer() = default;

void* COstrelFileLayer::operator new(std::size_t size) noexcept {
    return std::malloc(size);
}

void COstrelFileLayer::operator delete(void* block) noexcept {
    std::free(block);
}

// Every exported operation turns what the C++ runtime may throw (memory exhausted inside the
// platform) into its ordinary failure: no exception leaves the layer.

void COstrelFileLayer::StartSendCommand() {
    replyMode = 0;
    builtLength = 0;
    try {
        arguments->Reset();
    } catch (...) {
        builtLength = 1;  // whatever the list holds now is not sent
    }
}

void COstrelFileLayer::StartReturnResult(MOstrelSession* session) {
    replyMode = 1;
    builtLength = 0;
    try {
        arguments->Reset();
    } catch (...) {
        builtLength = 1;
    }
    int sequence = session != nullptr ? static_cast<CFileLayerSession*>(session)->sequence : 0;
    lastSequence = static_cast<int>(static_cast<unsigned>(sequence) - 1u);
}

void COstrelFileLayer::AppendArgument(const char* text) {
    // Counted first: an argument that does not arrive makes the text shorter than counted.
    builtLength += std::strlen(text) + 1;
    try {
        arguments->AppendArgument(text);
    } catch (...) {
    }
}

// A command is written only once everything that could make it fail without a trace is
// settled: the arguments all taken, the size within the bound, the session allocated, its
// conversation claimed, and no other layer's command waiting under the same names. Its marker
// follows the complete message. A reply that cannot be written is tried again, as a busy file
// is: the command it answers is gone from the exchange folder, and its sender waits for it.
MOstrelSession* COstrelFileLayer::SendCommand() {
    oxsdk::transport::ScopedCallBatch batch;
    lastSequence = static_cast<int>(static_cast<unsigned>(lastSequence) + 1u);
    const bool command = replyMode == 0;
    std::unique_ptr<CFileLayerSession> session;
    if (command) {
        try {
            session.reset(new CFileLayerSession(lastSequence));
            if (session == nullptr) return nullptr;
            // A conversation given up in this process may still get its late reply: its
            // sequence number is passed over. One that another layer of this process awaits
            // is not shared: whatever comes under it is that layer's reply.
            for (std::size_t skipped = 0;; ++skipped) {
                session->claim =
                    oxsdk::transport::ConversationKey(localName, remoteName, pid, lastSequence);
                const oxsdk::transport::EClaim claim =
                    oxsdk::transport::ClaimConversation(session->claim);
                if (claim == oxsdk::transport::EClaim::kClaimed) break;
                session->claim.text[0] = '\0';
                if (claim == oxsdk::transport::EClaim::kAwaited ||
                    skipped > oxsdk::transport::kAbandonedClaims) {
                    return nullptr;
                }
                lastSequence = static_cast<int>(static_cast<unsigned>(lastSequence) + 1u);
            }
            session->sequence = lastSequence;
        } catch (...) {
            return nullptr;
        }
    }
    const int sequence = lastSequence;

    char messageName[kFileNameCapacity];
    char markerName[kFileNameCapacity];
    if (!oxsdk::transport::FormatExchangeFileName(messageName, EExchangeFile::kMessage, localName,
                                                  remoteName, pid, sequence) ||
        !oxsdk::transport::FormatExchangeFileName(markerName, EExchangeFile::kMarker, localName,
                                                  remoteName, pid, sequence)) {
        return nullptr;
    }
    bool writing = false;  // from here on, files under these names are this send's own
    try {
        const char* text = arguments->CommandBuffer();
        std::size_t length = std::strlen(text);
        // An argument that could not be taken leaves the text shorter than what was appended.
        if (length != builtLength) return nullptr;
        // A command over its bound would be dropped unread by the navigator: not sent at all.
        if (length >= (command ? kMaxCommandSize : kMaxReplySize)) return nullptr;
        if (command) {
            // Another layer with the same names and pid wrote this command and no navigator has
            // taken it yet: it is not replaced.
            if (oxsdk::transport::ExchangeFileExists(markerName) ||
                oxsdk::transport::ExchangeFileExists(messageName)) {
                return nullptr;
            }
            // A reply already under this command's reply names cannot belong to it.
            RemoveReplyFiles(sequence);
        }
        writing = true;
        const int attempts = command ? 1 : kTransientAttempts;
        bool copied = false;
        for (int attempt = 1;; ++attempt) {
            // The text and its terminating zero byte; a monitor's copy (once), then the marker,
            // only once the message is complete.
            const auto size = static_cast<std::uint32_t>(length + 1);
            if (WriteExchangeFile(messageName, text, size)) {
                if (!copied) oxsdk::transport::CopyForMonitor(messageName, text, size);
                copied = true;
                if (WriteExchangeFile(markerName, kMarkerBytes, sizeof(kMarkerBytes))) break;
                oxsdk::transport::RemoveExchangePair(markerName, messageName);
            }
            if (attempt >= attempts) return nullptr;
            oxsdk::platform::CurrentPlatform().Sleep(kTransientPauseMilliseconds);
        }
        return session.release();
    } catch (...) {
        if (writing) {
            try {
                oxsdk::transport::RemoveExchangePair(markerName, messageName);
            } catch (...) {
            }
        }
        return nullptr;
    }
}

void COstrelFileLayer::RemoveReplyFiles(int sequence) {
    RemoveMessageAndMarker(remoteName, localName, pid, sequence);
}

int COstrelFileLayer::ReturnAvailable(MOstrelSession* session) {
    if (session == nullptr) return 0;
    try {
        oxsdk::transport::ScopedCallBatch batch;
        return oxsdk::transport::MarkerExists(remoteName, localName, pid,
                                              static_cast<CFileLayerSession*>(session)->sequence);
    } catch (...) {
        return 0;
    }
}

// Waits for the reply's marker. The wait is given up when the layer's deadline passes or when
// the watch of this thread (if any) reports the other side gone; a reply that came meanwhile
// is still taken. An exception inside ends the call as an unreadable reply would: no fields,
// session destroyed.
void COstrelFileLayer::StartReceiveCommand(MOstrelSession* session) {
    std::unique_ptr<MOstrelSession> owned(session);
    try {
        if (session == nullptr) {
            arguments->Reset();
            return;
        }
        const int sequence = static_cast<CFileLayerSession*>(session)->sequence;
        oxsdk::transport::ScopedReplyWaitWatch* scope =
            oxsdk::transport::ScopedReplyWaitWatch::Current();
        oxsdk::platform::Platform& device = oxsdk::platform::CurrentPlatform();
        // The wait watches for the reply's marker from before the first look, so that a reply
        // completed in between ends the first step at once.
        char16_t replyMarker[kFileNameCapacity];
        {
            char name[kFileNameCapacity];
            if (!oxsdk::transport::FormatExchangeFileName(name, EExchangeFile::kMarker, remoteName,
                                                          localName, pid, sequence) ||
                !oxsdk::platform::WidenText(name, replyMarker, kFileNameCapacity)) {
                replyMarker[0] = u'\0';
            }
        }
        const char16_t* awaited = replyMarker[0] != u'\0' ? replyMarker : nullptr;
        WaitForReply(awaited, 0);
        bool waiting = false;
        std::uint64_t start = 0;
        std::uint64_t lastCheck = 0;
        while (ReturnAvailable(session) == 0) {
            const std::uint64_t now = device.GetSystemTime();
            if (!waiting) {
                waiting = true;
                start = now;
                lastCheck = now;
                if (scope != nullptr) scope->watch().WaitBegins();
            }
            // A clock set back counts as no time passed.
            const std::uint64_t elapsed = now > start ? now - start : 0;
            if (replyTimeout > 0 && elapsed >= static_cast<std::uint64_t>(replyTimeout)) {
                if (ReturnAvailable(session) != 0) break;
                AbandonWait(session, static_cast<int>(oxsdk::transport::EReplyWaitEnd::kDeadline));
                return;
            }
            if (scope != nullptr && now >= lastCheck + oxsdk::transport::kPeerCheckMilliseconds) {
                lastCheck = now;
                if (scope->watch().PeerGone()) {
                    if (ReturnAvailable(session) != 0) break;
                    AbandonWait(session,
                                static_cast<int>(oxsdk::transport::EReplyWaitEnd::kPeerGone));
                    return;
                }
            }
            WaitForReply(awaited, kReplyPollMilliseconds);
        }
        // A reply that could not be read stays for another attempt; after the last one it is
        // taken as unreadable (no fields).
        for (int attempt = 1;; ++attempt) {
            oxsdk::transport::ScopedCallBatch batch;
            if (oxsdk::transport::ReceiveMessage(*arguments, remoteName, localName, pid, sequence,
                                                 kMaxReplySize, attempt < kTransientAttempts) !=
                oxsdk::transport::EReceiveResult::kUnreadable) {
                break;
            }
            device.Sleep(kTransientPauseMilliseconds);
        }
        if (scope != nullptr) scope->RecordEnd(oxsdk::transport::EReplyWaitEnd::kReply);
    } catch (...) {
        try {
            arguments->Reset();
        } catch (...) {
        }
    }
}

// Gives up the wait for the reply to the command of `session`: the command is withdrawn (its
// marker, then its message, in case no navigator took it), and when the other side is gone, a
// reply message it left without its marker is removed too. A reply that a live navigator
// completes later stays until a command of the same names and sequence number is sent (which
// removes it first); until then its conversation stays claimed in this process.
void COstrelFileLayer::AbandonWait(MOstrelSession* givenUp, int endCode) {
    CFileLayerSession* session = static_cast<CFileLayerSession*>(givenUp);
    const int sequence = session->sequence;
    if (session->claim.text[0] != '\0') {
        oxsdk::transport::ReleaseConversation(session->claim, true);
        session->claim.text[0] = '\0';
    }
    const auto end = static_cast<oxsdk::transport::EReplyWaitEnd>(endCode);
    oxsdk::transport::ScopedCallBatch batch;
    arguments->Reset();
    oxsdk::transport::ScopedReplyWaitWatch* scope =
        oxsdk::transport::ScopedReplyWaitWatch::Current();
    if (scope != nullptr) scope->RecordEnd(end);
    RemoveMessageAndMarker(localName, remoteName, pid, sequence);
    char name[kFileNameCapacity];
    if (end == oxsdk::transport::EReplyWaitEnd::kPeerGone &&
        oxsdk::transport::FormatExchangeFileName(name, EExchangeFile::kMessage, remoteName,
                                                 localName, pid, sequence) &&
        oxsdk::transport::MarkerExists(remoteName, localName, pid, sequence) == 0) {
        oxsdk::transport::DeleteExchangeFile(name);
    }
}

void COstrelFileLayer::SetReplyTimeout(int milliseconds) {
    replyTimeout = milliseconds > 0 ? milliseconds : 0;
}
