// Stale files in the exchange folder of the device: names of the form
// "writer.reader.pid.sequence.message|finished", where the pid is the client's process (in a
// command and in its reply alike). A file whose process is gone can never be read by it; the
// cleaner removes the files a caller judges stale and says which and why. Shared by
// `oxsdk clean` and the navigator emulator's start-up. The folder is listed and its files are
// removed through the library (COstrelFileLayer::ListExchangeFiles and RemoveExchangeFile), so
// a cleanup reaches exactly what the library reaches: never a link, never a folder another user
// could write, never anything outside the device. What touches the host directly (whether a
// process exists) lies in exchange_cleaner_posix.cc and exchange_cleaner_win32.cc.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace oxsdk::tools {

/// The fields of an exchange file name.
struct TExchangeFileName {
    std::string writer;
    std::string reader;
    unsigned long pid = 0;
    unsigned long sequence = 0;
    bool marker = false;  ///< ".finished" (else ".message")
};

/// Splits `name` when it is an exchange file name: five "."-separated fields, the names not
/// empty, pid and sequence decimal digits within 32 bits, the last "message" or "finished".
bool ParseExchangeFileName(const std::string& name, TExchangeFileName* fields);

/// True when `a` and `b` are the same exchange name, ASCII letter case aside (as the library
/// compares a receiver's name).
bool SameExchangeName(const std::string& a, const std::string& b);

/// Whether process `pid` exists: false only when the host says there is no such process
/// (kill(pid, 0) reports ESRCH; on Windows no process of that id can be opened or it has
/// ended). A process of another user counts as existing; 0 and numbers beyond the pid range
/// are never "gone".
bool ProcessIsGone(unsigned long pid);

/// The host folder of the device root as the library finds it
/// (COstrelFileLayer::GetDeviceRootFolder): the tools and the library never disagree on it.
/// Empty when there is none.
std::string DeviceRootFromEnvironment();
/// The exchange folder "<root>/Ostrel/SdkFileCalls".
std::string ExchangeFolderOf(const std::string& deviceRoot);

/// When the device root or the exchange folder (or a folder between them) is one that another
/// user could write, or is a link, a sentence that names the folder and the command that fixes
/// it; empty when the device can be trusted. The library refuses such a device as if its
/// folders were missing; the tools say why before they start.
std::string DescribeUntrustedDevice();

struct TRemovedFile {
    std::string name;
    std::string reason;  ///< why it was stale, or (in `failed`) why it could not be removed
};

struct TCleanResult {
    std::string error;  ///< the folder could not be listed
    std::vector<TRemovedFile> removed;
    std::vector<TRemovedFile> failed;
};

/// Removes from the device's exchange folder every exchange file (a plain file; links, folders
/// and anything else are left) for which `staleReason` gives a non-empty reason. A missing
/// folder has nothing to remove.
TCleanResult RemoveStaleExchangeFiles(
    const std::function<std::string(const TExchangeFileName&)>& staleReason);

}  // namespace oxsdk::tools
