// The communication layer seen by COstrelAPI, the session handle of one command, and the
// command handler that a navigation application implements to receive commands.
#pragma once

/// @file
/// The communication layer interface, the session handle and the navigator's command handler.

#include "OXSDK5Link/Arguments.h"
#include "OXSDK5Link/Export.h"

/// Opaque handle of one sent command until its reply has been collected.
class OXSDK5LINK_API MOstrelSession {
public:
    /// An interface holds no data.
    MOstrelSession() = default;
    /// Copies nothing: the interface holds no data.
    MOstrelSession(const MOstrelSession&) = default;
    /// Copies nothing: the interface holds no data.
    MOstrelSession& operator=(const MOstrelSession&) = default;
    /// Releases what the layer's session holds.
    virtual ~MOstrelSession();
};

/// A transport for commands and replies. It owns one argument list that holds the command
/// being built or the reply being read.
///
/// A layer cannot be copied: a copy would leave two owners of one argument list.
class OXSDK5LINK_API MOstrelCommunicationLayerInterface {
public:
    /// Takes ownership of `arguments`.
    explicit MOstrelCommunicationLayerInterface(MArguments* arguments);
    MOstrelCommunicationLayerInterface(const MOstrelCommunicationLayerInterface&) = delete;
    MOstrelCommunicationLayerInterface& operator=(const MOstrelCommunicationLayerInterface&) =
        delete;
    /// Destroys the argument list.
    virtual ~MOstrelCommunicationLayerInterface();

    /// Begins a new command: resets the argument list; the next SendCommand returns a session.
    virtual void StartSendCommand() = 0;
    /// Begins the reply to the command `session` stands for: resets the argument list; the next
    /// SendCommand sends under that command's identity and returns null. The session stays the
    /// caller's.
    virtual void StartReturnResult(MOstrelSession* session) = 0;
    /// Appends one argument (copied at once) to the command or reply being built.
    virtual void AppendArgument(const char* text) = 0;
    /// Transmits what was built. For a command: a new session owned by the caller, or null when
    /// the command could not be transmitted. For a reply: null.
    virtual MOstrelSession* SendCommand() = 0;
    /// 1 when the reply to `session` is complete and can be read, else 0; does not wait.
    virtual int ReturnAvailable(MOstrelSession* session) = 0;
    /// Waits for the reply to `session`, loads and decodes it into the argument list, removes
    /// it from the transport and destroys the session. With null, only resets the list.
    virtual void StartReceiveCommand(MOstrelSession* session) = 0;

    /// Number of fields of the reply (or command) last decoded.
    int NrReceiveFields() const;
    /// Field `index` of the reply (or command) last decoded; index is not checked.
    const char* ReceiveField(int index) const;

protected:
    MArguments* arguments;  ///< the owned argument list: the command being built or the reply read
};

/// Implemented by a navigation application: called once for every command received by
/// COstrelFileLayer::ProcessEvents.
class OXSDK5LINK_API MCommandHandlerInterface {
public:
    /// An interface holds no data.
    MCommandHandlerInterface() = default;
    /// Copies nothing: the interface holds no data.
    MCommandHandlerInterface(const MCommandHandlerInterface&) = default;
    /// Copies nothing: the interface holds no data.
    MCommandHandlerInterface& operator=(const MCommandHandlerInterface&) = default;

    /// `layer` holds the decoded command (field 0 is its wire name). Answer, before returning,
    /// with layer.StartReturnResult(session), one AppendArgument per reply field (field 0 the
    /// result code, 0 for success) and layer.SendCommand(). `session` is null when it could not
    /// be created; the layer and the session are destroyed after the call. The result is unused.
    virtual int HandleCommand(MOstrelCommunicationLayerInterface& layer,
                              MOstrelSession* session) = 0;
    /// Releases what the handler owns.
    virtual ~MCommandHandlerInterface();
};
