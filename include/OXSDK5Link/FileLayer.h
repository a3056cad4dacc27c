// The file exchange: commands and replies travel as message and marker files in the exchange
// folder "\Ostrel\SdkFileCalls\" that the client and the navigation application derive on
// their own. The client creates its layer with New; the navigation application calls
// ProcessEvents to receive the commands addressed to its exchange name.
#pragma once

/// @file
/// COstrelFileLayer, the communication layer over message and marker files.

#include <cstddef>
#include <cstdint>

#include "OXSDK5Link/CommunicationLayer.h"
#include "OXSDK5Link/Export.h"

/// Communication layer over files.
///
/// A command with sequence number S is written as "local.remote.pid.S.message" (the argument
/// text and one zero byte), followed by the 8-byte marker "local.remote.pid.S.finished"
/// ("finish\n" and a zero byte). The reply comes back under the swapped names
/// "remote.local.pid.S.message" / ".finished"; the reader deletes the marker, then the message.
///
/// Threads: distinct layers may be used from distinct threads at the same time, and
/// ProcessEvents may run on one thread while client layers work on others; one layer is used
/// from one thread at a time.
///
/// Size bounds. A command message file holds at most kMaxCommandSize bytes (its text and the
/// terminating zero byte), a reply message file at most kMaxReplySize bytes. A layer refuses to
/// send more (SendCommand returns null and writes nothing), and a receiver removes a message
/// over its bound, or one whose size cannot be measured (4 GiB or more), unread, marker first,
/// and treats it as an unreadable message: ProcessEvents hands the handler a command with no
/// fields, StartReceiveCommand ends with no fields.
///
/// Sent means sent. SendCommand returns a session only when the command's two files were
/// written completely; when it returns null, nothing of that command is in the exchange
/// folder. It refuses (null, nothing written) a command that lost an argument because the
/// argument list could not grow (until the next StartSendCommand), a command over
/// kMaxCommandSize, a command whose session cannot be allocated, and a command whose files
/// already exist. Every call, refused or not, uses up one sequence number.
///
/// Sequence numbers. A layer does not number its commands from 1: every layer of a process
/// starts above a number drawn for the process (below 2^30), so that a process that has the pid
/// of an earlier one (ids are reused, and every pid namespace has its own pid 1) numbers its
/// commands apart from it and never takes the late reply to that one's command for its own.
/// The file names and their contents are as before; only the numbers differ.
///
/// Layer names: the exchange names and the pid identify a conversation. Two layers that send
/// under the same local name, remote name and pid at once (two layers made by New with the same
/// names in one process, or in two processes given the same pid) would write the same file
/// names: a command whose files another layer wrote and no navigator has taken yet is never
/// replaced, the send fails instead. Within one process, a send is also refused at once while
/// another layer awaits the reply to a command under the same names, pid and sequence number
/// (whatever reply comes under them is that layer's), and a sequence number whose reply wait
/// was given up lately (the last 256 such waits of the process) is passed over, since its late
/// reply may still come. Give every layer of a process that may have a command outstanding at
/// the same time its own local name.
///
/// Before a command with sequence number S is written, any reply files already under its reply
/// names ("remote.local.pid.S.message" / ".finished") are removed: a reply left there by an
/// earlier process with the same pid, or by a wait that was given up, cannot belong to it.
///
/// Passing failures. A reply whose files cannot be written (a full disk, say) is tried 4 times
/// in all, 500 ms apart, as a busy file is; a reply that cannot be read is read again likewise
/// before the wait ends without fields; a command that cannot be read stays in the folder for
/// a later pass of ProcessEvents while its marker is younger than
/// kOrphanMarkerGraceMilliseconds, and is handed over without fields after that. A reply that
/// still cannot be written is lost: the caller's wait then ends only by its deadline
/// (SetReplyTimeout; COstrelAPI reports -6) or when the navigation application's window goes
/// (-5).
class OXSDK5LINK_API COstrelFileLayer : public MOstrelCommunicationLayerInterface {
public:
    static constexpr int kNameCapacity = 256;  ///< bytes of a name buffer, terminator included
    /// Largest command message, in bytes with its zero byte. The longest command of the
    /// catalogue is far below it (four texts that a navigation application keeps short), so the
    /// bound leaves room for any text a caller may reasonably pass.
    static constexpr std::uint32_t kMaxCommandSize = 64u * 1024u;
    /// Largest reply message, in bytes with its zero byte: room for a route of 10 million
    /// coordinate pairs of at most 24 characters each ("-2147483648|-2147483648|").
    static constexpr std::uint32_t kMaxReplySize = 256u * 1024u * 1024u;
    /// How long a marker addressed to the navigation application may stand without its message
    /// (by its last write time against the system clock), in milliseconds. ProcessEvents hands
    /// such a marker to the handler as a command without fields while it is younger, and
    /// removes it (the marker only) once it is older. Markers addressed to others are never
    /// touched.
    static constexpr std::uint64_t kOrphanMarkerGraceMilliseconds = 5000;

    // Copies for a monitor. A tool that shows the traffic of the exchange folder (a monitor)
    // cannot rely on reading a message before its reader deletes it: on a busy machine the
    // reader often wins. So, while a monitor is registered on the device, every message that a
    // layer writes (command or reply) is also written, complete, into the monitor's copies
    // folder under its own file name, after the message and before its marker: the copy is
    // there before any reader can take the message, and it stays until the monitor deletes it.
    //
    // The monitor's folder is "SdkMonitor" in the navigation application's data folder (beside
    // the exchange folder: "\Ostrel\SdkMonitor\"). A monitor registers by writing the file
    // kMonitorRegistrationName there and writing it again (its last write time) at least every
    // few seconds: a registration older than kMonitorRegistrationLifetimeMilliseconds counts as
    // gone, so a monitor that died stops the copies. Copies go into the folder
    // kMonitorCopiesName inside it, which the monitor creates; a layer never creates it and
    // never lets a copy fail a send. A process looks at the registration at most once every
    // kMonitorCheckMilliseconds (a send in between only reads the clock), so a monitor counts
    // on copies from that long after it registered. Bounds: a process writes at most
    // kMonitorCopyCount copies and kMonitorCopyBytes bytes for one write of the registration
    // (a larger message is not copied); a monitor writes its registration again once it has
    // taken the copies it was given, which renews the budget. Messages of programs that do not
    // use this library are not copied.

    /// Name of the monitor's folder in the navigation application's data folder.
    static constexpr const char* kMonitorFolderName = "SdkMonitor";
    /// Name of the registration file in the monitor's folder.
    static constexpr const char* kMonitorRegistrationName = "Registration";
    /// Name of the copies folder in the monitor's folder.
    static constexpr const char* kMonitorCopiesName = "Copies";
    /// Age (by its last write time against the system clock) at which a registration counts as
    /// gone, in milliseconds.
    static constexpr std::uint64_t kMonitorRegistrationLifetimeMilliseconds = 10000;
    /// Longest time, in milliseconds, for which a process goes on with what it last found of the
    /// registration.
    static constexpr std::uint64_t kMonitorCheckMilliseconds = 100;
    /// Copies a process writes at most for one write of the registration.
    static constexpr std::uint32_t kMonitorCopyCount = 4096;
    /// Bytes of copies a process writes at most for one write of the registration.
    static constexpr std::uint64_t kMonitorCopyBytes = 64u * 1024u * 1024u;

    /// Creates a layer. `localName` is this side's exchange name, `remoteName` the other side's
    /// (for a client: the navigation application's exchange name). `pid` -1 stands for this
    /// process (GetPid()). Returns null when an allocation fails, or when a name can never work
    /// in a file name: longer than 255 characters, or holding ".", "/" or "\".
    static MOstrelCommunicationLayerInterface* New(const char* localName, const char* remoteName,
                                                   int pid);
    /// This process's identifier.
    static int GetPid();
    /// Navigation application's side: makes one pass over the exchange folder and hands every
    /// command addressed to `name` (letter case aside) to `handler`, one at a time, each on a
    /// fresh layer whose names are swapped so that the handler's reply reaches the sender.
    /// Returns when the pass is over; never waits for a file that is not complete.
    static void ProcessEvents(const char* name, MCommandHandlerInterface& handler);
    /// Navigation application's side, for a reply that comes after HandleCommand has returned:
    /// a new layer under this layer's names and pid, set up for the reply to the command
    /// `session` stands for as StartReturnResult(session) sets it up. Append the reply's fields
    /// and call SendCommand on it when the reply is ready, then delete it; `session` may be gone
    /// by then. Null when `session` is null or an allocation fails. The layer that ProcessEvents
    /// hands to the handler is a COstrelFileLayer.
    MOstrelCommunicationLayerInterface* NewReplyLayer(MOstrelSession* session) const;
    /// Navigation application's side: waits until a command addressed to `name` (letter case
    /// aside) may have arrived, or `timeoutMilliseconds` pass (0 or less: do not wait). Returns
    /// 1 when a pass of ProcessEvents should follow now, 0 at the timeout (or for a `name` that
    /// New would refuse). It neither polls nor spins: the exchange folder is watched where the
    /// platform can (elsewhere the wait lasts its timeout and returns 1), and neither the
    /// application's own replies nor files addressed to others end it. A thread's first call
    /// creates the exchange folder when missing and returns 1 at once. A navigation
    /// application's loop:
    /// @code
    /// while (running) {
    ///     COstrelFileLayer::ProcessEvents("OstrelNavigator", handler);
    ///     COstrelFileLayer::WaitForCommand("OstrelNavigator", 1000);
    /// }
    /// @endcode
    static int WaitForCommand(const char* name, int timeoutMilliseconds);

    /// Tells why the exchange folder cannot be used, when the reason is the device's: a folder
    /// on the way to it (the device root and the exchange folder included) may be written by
    /// another user, or is a link. The layer then acts as if the folder were missing: sends fail
    /// and ProcessEvents finds nothing. Writes a sentence that names the folder and the command
    /// that fixes it into `text` (`capacity` bytes, always terminated, cut when longer) and
    /// returns 1; returns 0, with `text` empty, when nothing on the way is refused (missing
    /// folders are created private when needed).
    static int DescribeUntrustedDevice(char* text, int capacity);

    // Cleanup of the exchange folder, for tools that remove the files nobody will read (a
    // client that ended while waiting leaves its files behind). They reach the folder exactly
    // as the layer does: never through a link, only on a device that can be trusted, never
    // outside the device, whatever is swapped in on the way meanwhile.

    /// Writes the host folder that stands for the device root "\" into `text` (`capacity`
    /// bytes, always terminated) as the layer finds it now: on a POSIX host
    /// $OXSDK_DEVICE_ROOT, else $XDG_STATE_HOME/oxsdk/device when that is an absolute path,
    /// else ~/.local/state/oxsdk/device; on Windows %OXSDK_DEVICE_ROOT%, else
    /// `%LOCALAPPDATA%\oxsdk\device`. Returns its length in bytes, or 0 (with `text` empty) when
    /// there is none or it does not fit.
    static int GetDeviceRootFolder(char* text, int capacity);
    /// Calls `visit(name, context)` once for every plain file of the exchange folder (folders,
    /// links and anything else are passed over), with the file's name as the layer writes it
    /// (each character one byte; names without such a form are passed over). A non-zero return
    /// of `visit` ends the listing; `visit` must not throw. Returns the number of files handed
    /// over: 0 when the folder is missing, empty or refused (see DescribeUntrustedDevice), -1
    /// when the listing could not be made (an allocation failed).
    static int ListExchangeFiles(int (*visit)(const char* name, void* context), void* context);
    /// Removes the plain file `name` from the exchange folder. Returns 1 when it was removed,
    /// 0 when it is not there (taken meanwhile), -1 when it is refused: read-only, busy, not a
    /// plain file (a link or a folder is never removed), or a name that holds "\" or "/" or is
    /// "." or "..". Returns -2 for any other failure.
    static int RemoveExchangeFile(const char* name);

    /// Destroys the layer and its argument list.
    ~COstrelFileLayer() override;

    void StartSendCommand() override;
    void StartReturnResult(MOstrelSession* session) override;
    void AppendArgument(const char* text) override;
    MOstrelSession* SendCommand() override;
    int ReturnAvailable(MOstrelSession* session) override;
    /// Waits for the reply to `session`, receives it and destroys the session. The wait ends
    /// without a reply (no fields, session destroyed, the command withdrawn from the exchange
    /// folder if no navigator took it) when the reply timeout passes, or when the caller above
    /// the layer has asked to be told that the other side is gone and it is (COstrelAPI does
    /// so: the navigation application's window, present as the wait began, has disappeared;
    /// checked at most every 100 ms). Without either, the wait has no bound.
    void StartReceiveCommand(MOstrelSession* session) override;

    /// Sets the deadline of every later reply wait of this layer (StartReceiveCommand), in
    /// milliseconds from the start of the wait; 0 or less: no deadline, the default. A layer
    /// made by New is a COstrelFileLayer:
    /// `static_cast<COstrelFileLayer*>(layer)->SetReplyTimeout(5000)`. COstrelAPI reports a
    /// wait that reached the deadline with errorCode -6. A reply that comes after its wait was
    /// given up stays in the exchange folder until a command of this layer's names, pid and
    /// that sequence number is sent again (it is removed then) or a cleanup removes it.
    void SetReplyTimeout(int milliseconds);

    /// Allocates `size` bytes with malloc, filled with zero bytes; null when malloc fails.
    static void* operator new(std::size_t size) noexcept;
    /// Releases a block obtained from operator new with free.
    static void operator delete(void* block) noexcept;

protected:
    /// A layer over `arguments`, which it takes over; New fills in the names and the pid.
    explicit COstrelFileLayer(MArguments* arguments);

    char localName[kNameCapacity];   ///< this side's exchange name
    char remoteName[kNameCapacity];  ///< the other side's exchange name
    int lastSequence;                ///< sequence number of the last message; raised by each send
    int pid;                         ///< process number in the file names
    int replyMode;                   ///< 1 while a reply is being built, else 0
    // Members added after the original layout:
    /// Length the text would have if every argument appended since the last StartSendCommand
    /// or StartReturnResult had been taken; a shorter text is refused by SendCommand.
    std::size_t builtLength;
    int replyTimeout;  ///< deadline of a reply wait in milliseconds; 0: none

private:
    // Removes the files of a reply to command `sequence` (marker, then message).
    void RemoveReplyFiles(int sequence);
    // Ends the wait for the reply to the command of `session` without a reply (see
    // StartReceiveCommand); `end` is an oxsdk::transport::EReplyWaitEnd.
    void AbandonWait(MOstrelSession* session, int end);
};
