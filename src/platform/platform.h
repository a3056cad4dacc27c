// The platform layer: everything the library needs of its operating system, behind one
// abstract class. The library never calls the operating system directly; it calls
// CurrentPlatform(), which is the native implementation unless a test installed another one
// for its scope (ScopedPlatform).
//
// Paths are device paths: wide (UTF-16) zero-terminated texts with "\" as separator, at most
// kMaxPath characters including the terminator, for example
// u"\\Ostrel\\SdkFileCalls\\app.nav.1234.7.message". Only an implementation maps them to
// something on its host.
#pragma once

#include <cstdint>
#include <memory>

namespace oxsdk::platform {

/// Longest device path, terminator included.
constexpr int kMaxPath = 260;

/// What went wrong, reduced to the few meanings the library acts on.
enum class Error {
    kNone = 0,
    kNotFound,       ///< the file or folder does not exist
    kAccessDenied,   ///< the file is busy or protected; the library retries these
    kAlreadyExists,  ///< CreateFolder on an existing folder
    kOther           ///< any other failure
};

constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeNormal = 0x80;
constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;
constexpr std::uint32_t kInvalidFileSize = 0xFFFFFFFFu;

/// Window and cursor handles; 0 is "none".
using WindowHandle = std::uintptr_t;
using CursorHandle = std::uintptr_t;

/// An open file.
class File {
public:
    virtual ~File() = default;
    /// Reads up to `capacity` bytes; `*bytesRead` receives the count (0 at the end).
    virtual Error Read(void* buffer, std::uint32_t capacity, std::uint32_t* bytesRead) = 0;
    /// Writes up to `size` bytes; `*bytesWritten` receives the count actually written.
    virtual Error Write(const void* data, std::uint32_t size, std::uint32_t* bytesWritten) = 0;
    /// Size of the file in bytes, or kInvalidFileSize.
    virtual std::uint32_t GetSize() = 0;
};

/// One entry of a folder enumeration.
struct FindData {
    char16_t name[kMaxPath];  ///< entry name, zero-terminated, without the folder
    std::uint32_t attributes;
    /// Time of the entry's last write, in the unit and epoch of GetSystemTime (0: unknown).
    std::uint64_t lastWriteTime;
};

/// An open folder enumeration; the first entry came with FindFirst.
class FindHandle {
public:
    virtual ~FindHandle() = default;
    /// Fetches the next entry; false when there is none.
    virtual bool FindNext(FindData* entry) = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // ---- files and folders ----
    /// Opens an existing file for reading (others may read it too). kNotFound when missing.
    virtual Error OpenForReading(const char16_t* path, std::unique_ptr<File>* file) = 0;
    /// Creates a file for writing, emptying an existing one. The folder must exist.
    virtual Error CreateForWriting(const char16_t* path, std::unique_ptr<File>* file) = 0;
    /// Deletes a file. A read-only file gives kAccessDenied.
    virtual Error DeleteFile(const char16_t* path) = 0;
    /// Attributes of a file or folder (kAttribute*), or kInvalidAttributes when it is missing.
    virtual std::uint32_t GetFileAttributes(const char16_t* path) = 0;
    /// Sets the read-only bit (the only attribute that can be set) from `attributes`.
    virtual Error SetFileAttributes(const char16_t* path, std::uint32_t attributes) = 0;
    /// Creates one folder; its parent must exist. kAlreadyExists when it exists.
    virtual Error CreateFolder(const char16_t* path) = 0;
    /// Opens an enumeration of `pattern`: a folder path followed by a name pattern in which
    /// "*" and "?" match as on the device, without regard to case ("*.exe", "*.*" = all).
    /// Fills `first` with the first entry. kNotFound when the folder is missing or nothing
    /// matches. Entries whose host names cannot be device names are never listed.
    virtual Error FindFirst(const char16_t* pattern, std::unique_ptr<FindHandle>* handle,
                            FindData* first) = 0;

    /// When `folder`, or a folder on the way to it from the root (the root included), is
    /// refused because another user may write it or because it is a link, writes a sentence
    /// that names it and says how to fix it into `text` (`capacity` bytes, always terminated,
    /// cut when longer) and returns true; false, with `text` empty, when the way is trusted
    /// (missing folders included). A platform without such rules refuses nothing.
    virtual bool DescribeUntrustedFolder(const char16_t* folder, char* text, int capacity) {
        (void)folder;
        if (capacity > 0) text[0] = '\0';
        return false;
    }

    // ---- processes ----
    /// Starts the executable at `path` with no command line, detached; does not wait.
    virtual Error StartProcess(const char16_t* path) = 0;
    virtual std::uint32_t GetCurrentProcessId() = 0;
    /// A number drawn once for this process and kept for its whole life, which tells it apart
    /// from the other processes that had, have or will have the same process id (ids are
    /// reused, and every pid namespace has its own). Two processes draw the same number only by
    /// rare chance. The default draws it from the system's random source and the clock.
    virtual std::uint32_t GetProcessNonce();

    // ---- windows ----
    /// The top-level window of class `className`, or 0.
    virtual WindowHandle FindWindow(const char16_t* className) = 0;
    /// FindWindow, and in `*instance` a number that tells this window apart from every earlier
    /// window of the class with the same handle (its program restarted under the same process
    /// id): it changes whenever the window is made anew. 0 when there is no window. The default
    /// gives the handle itself, for a platform whose handles are not reused.
    virtual WindowHandle FindWindowInstance(const char16_t* className, std::uint64_t* instance) {
        const WindowHandle window = FindWindow(className);
        *instance = window;
        return window;
    }
    virtual WindowHandle GetForegroundWindow() = 0;
    /// `window` may carry the lowest bit set: bring the window forward with the windows it owns.
    virtual bool SetForegroundWindow(WindowHandle window) = 0;
    virtual bool ShowWindow(WindowHandle window, int showCommand) = 0;

    // ---- cursor ----
    virtual CursorHandle GetCursor() = 0;
    /// Shows `cursor`; returns the cursor shown before.
    virtual CursorHandle SetCursor(CursorHandle cursor) = 0;
    /// The system wait cursor.
    virtual CursorHandle LoadWaitCursor() = 0;

    // ---- system ----
    /// True when the platform is the handheld platform (the emulated device always is).
    virtual bool IsCePlatform() = 0;
    /// Copies the platform-type text ("PocketPC", "Smartphone", ...) into `text` (capacity
    /// bytes, always terminated). False when it cannot be read.
    virtual bool GetPlatformType(char* text, int capacity) = 0;

    // ---- time ----
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    /// The wall-clock time in milliseconds since 1970-01-01 00:00 UTC; comparable with
    /// FindData::lastWriteTime.
    virtual std::uint64_t GetSystemTime() = 0;
    /// Returns when the folder changes or `milliseconds` pass, whichever comes first: true for
    /// a change, false at the timeout. With `namePattern` (wildcards as in FindFirst), only a
    /// file of a matching name that was completed (written and closed, or moved in) counts as
    /// a change, so that a waiter is not woken by the files of others nor by its own. With
    /// `milliseconds` 0 it only makes sure that the folder is watched from now on, so that the
    /// next wait sees a change made in between, and returns false. Waiting the timeout without
    /// watching, or ending the wait at any change whatever its name, is a correct
    /// implementation.
    virtual bool WaitForFolderChange(const char16_t* folder, std::uint32_t milliseconds,
                                     const char16_t* namePattern = nullptr) = 0;

    // ---- check batches ----
    /// Between BeginBatch and EndBatch (they nest), this thread makes the file operations of
    /// one library call: a platform that checks the folders on the way to every file may check
    /// each of them once per batch, and again after each Sleep or folder wait, instead of once
    /// per operation. Outside a batch every operation checks its whole way.
    virtual void BeginBatch() {}
    virtual void EndBatch() {}
};

/// A check batch of the current platform for the lifetime of this object.
class ScopedBatch {
public:
    ScopedBatch();
    ~ScopedBatch();
    ScopedBatch(const ScopedBatch&) = delete;
    ScopedBatch& operator=(const ScopedBatch&) = delete;

private:
    Platform& platform_;
};

/// The platform the library currently uses.
Platform& CurrentPlatform();

/// The native platform of this build (the emulated device on POSIX hosts).
Platform& NativePlatform();

/// Installs `platform` as the current one for the lifetime of this object.
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& platform);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous_;
};

/// Forwards every call to another platform; fault-injecting tests override what they break.
class PlatformWrapper : public Platform {
public:
    explicit PlatformWrapper(Platform& target) : target_(target) {}
    Platform& target() { return target_; }

    Error OpenForReading(const char16_t* path, std::unique_ptr<File>* file) override {
        return target_.OpenForReading(path, file);
    }
    Error CreateForWriting(const char16_t* path, std::unique_ptr<File>* file) override {
        return target_.CreateForWriting(path, file);
    }
    Error DeleteFile(const char16_t* path) override { return target_.DeleteFile(path); }
    std::uint32_t GetFileAttributes(const char16_t* path) override {
        return target_.GetFileAttributes(path);
    }
    Error SetFileAttributes(const char16_t* path, std::uint32_t attributes) override {
        return target_.SetFileAttributes(path, attributes);
    }
    Error CreateFolder(const char16_t* path) override { return target_.CreateFolder(path); }
    Error FindFirst(const char16_t* pattern, std::unique_ptr<FindHandle>* handle,
                    FindData* first) override {
        return target_.FindFirst(pattern, handle, first);
    }
    bool DescribeUntrustedFolder(const char16_t* folder, char* text, int capacity) override {
        return target_.DescribeUntrustedFolder(folder, text, capacity);
    }
    Error StartProcess(const char16_t* path) override { return target_.StartProcess(path); }
    std::uint32_t GetCurrentProcessId() override { return target_.GetCurrentProcessId(); }
    std::uint32_t GetProcessNonce() override { return target_.GetProcessNonce(); }
    WindowHandle FindWindow(const char16_t* className) override {
        return target_.FindWindow(className);
    }
    WindowHandle FindWindowInstance(const char16_t* className, std::uint64_t* instance) override {
        return target_.FindWindowInstance(className, instance);
    }
    WindowHandle GetForegroundWindow() override { return target_.GetForegroundWindow(); }
    bool SetForegroundWindow(WindowHandle window) override {
        return target_.SetForegroundWindow(window);
    }
    bool ShowWindow(WindowHandle window, int showCommand) override {
        return target_.ShowWindow(window, showCommand);
    }
    CursorHandle GetCursor() override { return target_.GetCursor(); }
    CursorHandle SetCursor(CursorHandle cursor) override { return target_.SetCursor(cursor); }
    CursorHandle LoadWaitCursor() override { return target_.LoadWaitCursor(); }
    bool IsCePlatform() override { return target_.IsCePlatform(); }
    bool GetPlatformType(char* text, int capacity) override {
        return target_.GetPlatformType(text, capacity);
    }
    void Sleep(std::uint32_t milliseconds) override { target_.Sleep(milliseconds); }
    std::uint64_t GetSystemTime() override { return target_.GetSystemTime(); }
    bool WaitForFolderChange(const char16_t* folder, std::uint32_t milliseconds,
                             const char16_t* namePattern = nullptr) override {
        return target_.WaitForFolderChange(folder, milliseconds, namePattern);
    }
    void BeginBatch() override { target_.BeginBatch(); }
    void EndBatch() override { target_.EndBatch(); }

private:
    Platform& target_;
};

}  // namespace oxsdk::platform
