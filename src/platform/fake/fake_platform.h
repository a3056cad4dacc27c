// A deterministic in-memory platform for unit tests. Files and folders live in memory and are
// listed in the order they were added; paths and window classes compare exactly, as on the
// emulated device (only enumeration patterns ignore case). Sleeps and folder waits are
// recorded, not slept; windows, processes, cursor and platform type are scripted; and any
// file operation can be made to fail for a path (access denied N times, creation fails, short
// writes, ...).
// Single-threaded: the test drives it and the code under test from one thread. Files opened
// from it must not outlive it.
//
//   FakePlatform fake;
//   ScopedPlatform use(fake);
//   fake.AddFile(u"\\Ostrel\\SdkFileCalls\\app.nav.1234.1.message", "ok|");
//   fake.InjectFault(FakeOperation::kOpenForReading, u"", Error::kAccessDenied, 3);
//   fake.OnSleep([&](std::uint32_t) { if (fake.sleeps().size() == 2) fake.SetWindow(u"C", 8); });
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace oxsdk::platform {

/// Operations whose failure a test can script with FakePlatform::InjectFault.
enum class FakeOperation {
    kOpenForReading,
    kCreateForWriting,
    kRead,   ///< File::Read on a file opened at the path
    kWrite,  ///< File::Write on a file created at the path
    kDelete,
    kCreateFolder,
    kSetAttributes,
    kFindFirst,  ///< the path is the whole pattern, e.g. u"\\Ostrel\\*.*"
};

class FakePlatform : public Platform {
public:
    /// For InjectFault: the fault never wears off.
    static constexpr int kAlways = -1;

    FakePlatform();
    ~FakePlatform() override;
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    // ---- storage ----
    /// Adds a folder and any missing parents; an existing folder is kept as it is.
    void AddFolder(const std::u16string& path);
    /// Adds or replaces a file (parents created as needed). `attributes` may hold
    /// kAttributeReadOnly.
    void AddFile(const std::u16string& path, const std::string& bytes = {},
                 std::uint32_t attributes = kAttributeNormal);
    /// Adds a host link at `path` (parents created as needed), as a device root on a host with
    /// links could hold: the platform never lists, opens, creates, deletes or descends through it.
    void AddLink(const std::u16string& path);
    /// Marks the folder at `path` ("\\" for the root) as one that other users may write: the
    /// platform then refuses every path through it, as if it were missing.
    void OpenToOthers(const std::u16string& path);
    /// True when a file, folder or link exists at `path`.
    bool Exists(const std::u16string& path) const;
    /// Contents of the file at `path`; empty when it is missing.
    std::string FileContents(const std::u16string& path) const;
    /// Names in the folder in enumeration order (the order they were added); empty when missing.
    std::vector<std::u16string> ListFolder(const std::u16string& path) const;
    /// Makes FindFirst/FindNext report "." and ".." first, as some desktop systems do.
    void SetListDotEntries(bool on) { listDotEntries_ = on; }

    // ---- fault injection ----
    /// The next `times` calls of `operation` on `path` (an empty path means every path) fail
    /// with `error` (kAlways: every call). Faults are checked in the order they were
    /// injected; each failing call uses up one.
    void InjectFault(FakeOperation operation, const std::u16string& path, Error error,
                     int times = 1);
    /// Files created at `path` (empty: every path) take at most `maxBytes` in total; a Write
    /// beyond that writes what fits, succeeds and reports the smaller count.
    void LimitWrites(const std::u16string& path, std::uint32_t maxBytes);
    /// Removes every injected fault and write limit.
    void ClearFaults();

    // ---- time ----
    /// Milliseconds of every Sleep call, in order.
    const std::vector<std::uint32_t>& sleeps() const { return sleeps_; }
    /// Folder and timeout of every WaitForFolderChange call, in order.
    const std::vector<std::pair<std::u16string, std::uint32_t>>& folderWaits() const {
        return folderWaits_;
    }
    /// Sum of all sleeps and folder-wait timeouts.
    std::uint64_t elapsedMilliseconds() const { return elapsed_; }
    /// The scripted wall clock: a fixed start plus elapsedMilliseconds(). Files and folders
    /// take it as their last write time when they are added or written.
    std::uint64_t GetSystemTime() override { return kClockStart + elapsed_; }
    static constexpr std::uint64_t kClockStart = 1700000000000;
    /// Runs at every Sleep, after it was recorded.
    void OnSleep(std::function<void(std::uint32_t milliseconds)> callback) {
        onSleep_ = std::move(callback);
    }
    /// Runs at every WaitForFolderChange, after it was recorded.
    void OnFolderWait(
        std::function<void(const std::u16string& folder, std::uint32_t milliseconds)> callback) {
        onFolderWait_ = std::move(callback);
    }

    // ---- windows ----
    /// A top-level window of `className` now exists. Class names compare exactly, as on the
    /// emulated device.
    /// Setting another handle makes a new window; the same handle keeps the window as it is.
    void SetWindow(const std::u16string& className, WindowHandle handle);
    /// The window of `className` is made anew under the same handle (its program restarted
    /// under the same process id): FindWindowInstance tells it apart from the one before.
    void RestartWindow(const std::u16string& className);
    void RemoveWindow(const std::u16string& className);
    /// Runs at the start of every FindWindow call, with its number (1 for the first), before
    /// the window is looked up, so it can add or remove windows.
    void OnFindWindow(std::function<void(const std::u16string& className, int call)> callback) {
        onFindWindow_ = std::move(callback);
    }
    int findWindowCalls() const { return findWindowCalls_; }
    /// Sets the foreground window without recording a request.
    void SetCurrentForeground(WindowHandle window) { foreground_ = window; }
    /// Arguments of every SetForegroundWindow call, lowest bit as given.
    const std::vector<WindowHandle>& foregroundRequests() const { return foregroundRequests_; }
    /// Window and show command of every ShowWindow call.
    const std::vector<std::pair<WindowHandle, int>>& shownWindows() const { return shownWindows_; }

    // ---- cursor ----
    /// Sets the current cursor without recording a SetCursor call.
    void SetCurrentCursor(CursorHandle cursor) { cursor_ = cursor; }
    /// Arguments of every SetCursor call.
    const std::vector<CursorHandle>& cursorLog() const { return cursorLog_; }
    /// What LoadWaitCursor returns (32514 unless set).
    void SetWaitCursor(CursorHandle cursor) { waitCursor_ = cursor; }

    // ---- system ----
    void SetPlatformType(const std::string& text) { platformType_ = text; }
    /// Makes GetPlatformType fail (true) or work again (false).
    void FailPlatformType(bool fail) { failPlatformType_ = fail; }
    void SetCePlatform(bool on) { cePlatform_ = on; }

    // ---- processes ----
    /// Paths of every StartProcess call that got as far as starting (in order).
    const std::vector<std::u16string>& startedProcesses() const { return startedProcesses_; }
    /// Makes every StartProcess fail with `error` (kNone: succeed again).
    void FailStartProcess(Error error) { startError_ = error; }
    /// Runs after each successful StartProcess, e.g. to show the started program's window.
    void OnStartProcess(std::function<void(const std::u16string& path)> callback) {
        onStartProcess_ = std::move(callback);
    }
    void SetProcessId(std::uint32_t id) { processId_ = id; }
    /// What GetProcessNonce returns (0 unless set, so that the sequence numbers of a layer
    /// start at 1).
    void SetProcessNonce(std::uint32_t nonce) { processNonce_ = nonce; }

    // ---- Platform ----
    Error OpenForReading(const char16_t* path, std::unique_ptr<File>* file) override;
    Error CreateForWriting(const char16_t* path, std::unique_ptr<File>* file) override;
    Error DeleteFile(const char16_t* path) override;
    std::uint32_t GetFileAttributes(const char16_t* path) override;
    Error SetFileAttributes(const char16_t* path, std::uint32_t attributes) override;
    Error CreateFolder(const char16_t* path) override;
    Error FindFirst(const char16_t* pattern, std::unique_ptr<FindHandle>* handle,
                    FindData* first) override;
    /// The file must exist (kNotFound) and not be a folder (kAccessDenied).
    Error StartProcess(const char16_t* path) override;
    std::uint32_t GetCurrentProcessId() override { return processId_; }
    std::uint32_t GetProcessNonce() override { return processNonce_; }
    WindowHandle FindWindow(const char16_t* className) override;
    /// Counts as a FindWindow call. Instances are numbered 1, 2, ... as windows are made.
    WindowHandle FindWindowInstance(const char16_t* className, std::uint64_t* instance) override;
    WindowHandle GetForegroundWindow() override { return foreground_; }
    /// Records the request; false for 0, else the window (lowest bit cleared) is foreground.
    bool SetForegroundWindow(WindowHandle window) override;
    /// Records the call; true when a window with that handle exists.
    bool ShowWindow(WindowHandle window, int showCommand) override;
    CursorHandle GetCursor() override { return cursor_; }
    CursorHandle SetCursor(CursorHandle cursor) override;
    CursorHandle LoadWaitCursor() override { return waitCursor_; }
    bool IsCePlatform() override { return cePlatform_; }
    bool GetPlatformType(char* text, int capacity) override;
    void Sleep(std::uint32_t milliseconds) override;
    bool WaitForFolderChange(const char16_t* folder, std::uint32_t milliseconds,
                             const char16_t* namePattern = nullptr) override;

    struct Node;  // a file or folder in memory

private:
    struct Fault {
        FakeOperation operation;
        std::u16string path;
        Error error;
        int times;
    };
    class FakeFile;

    std::shared_ptr<Node> Lookup(const std::u16string& path) const;
    // The folder holding the last component of `path`, when every folder on the way (the
    // root included) is trusted and none is a link; null otherwise.
    std::shared_ptr<Node> ParentOf(const char16_t* path, std::u16string* name) const;
    // The node at `path` reached through trusted folders only; null otherwise.
    std::shared_ptr<Node> Reach(const char16_t* path) const;
    std::shared_ptr<Node> MakeFolders(const std::u16string& path);
    Error TakeFault(FakeOperation operation, const std::u16string& path);
    std::uint32_t WriteLimitFor(const std::u16string& path) const;

    std::shared_ptr<Node> root_;
    bool listDotEntries_ = false;
    std::vector<Fault> faults_;
    std::vector<std::pair<std::u16string, std::uint32_t>> writeLimits_;

    std::vector<std::uint32_t> sleeps_;
    std::vector<std::pair<std::u16string, std::uint32_t>> folderWaits_;
    std::uint64_t elapsed_ = 0;
    std::function<void(std::uint32_t)> onSleep_;
    std::function<void(const std::u16string&, std::uint32_t)> onFolderWait_;

    struct FakeWindow {
        std::u16string className;
        WindowHandle handle;
        std::uint64_t instance;
    };
    std::vector<FakeWindow> windows_;
    std::uint64_t windowsMade_ = 0;
    std::function<void(const std::u16string&, int)> onFindWindow_;
    int findWindowCalls_ = 0;
    WindowHandle foreground_ = 0;
    std::vector<WindowHandle> foregroundRequests_;
    std::vector<std::pair<WindowHandle, int>> shownWindows_;

    CursorHandle cursor_ = 0;
    CursorHandle waitCursor_ = 32514;
    std::vector<CursorHandle> cursorLog_;

    std::string platformType_ = "PocketPC";
    bool failPlatformType_ = false;
    bool cePlatform_ = true;

    std::vector<std::u16string> startedProcesses_;
    Error startError_ = Error::kNone;
    std::function<void(const std::u16string&)> onStartProcess_;
    std::uint32_t processId_ = 1234;
    std::uint32_t processNonce_ = 0;
};

}  // namespace oxsdk::platform
