// The emulator's own files on the host: its data files, the raw GPS output and the log. The
// emulated device has no symbolic links, so below the device root every folder is walked with
// openat and O_NOFOLLOW (a link there makes the operation fail as an access failure would);
// files and folders are created private (0600, 0700) whatever the umask; output files must be
// regular files and are opened without ever blocking (a FIFO, device or folder is refused at
// once); data files are replaced through an exclusive temporary file of a unique name.
// Used by the user data store, the NMEA output and the log. On Windows (host_files_win32.cc)
// reparse points take the place of links, folders are held open without delete sharing while
// a file in them is used, and what is created inherits the private access list of the device.
#pragma once

#include <fcntl.h>

#include <string>

#include "host_fd.h"

#ifndef AT_FDCWD
#define AT_FDCWD (-100)  // the working folder, on hosts whose C library has no *at() calls
#endif

namespace oxsdk::emulator {

using oxsdk::tools::CHostFd;

/// Opens the folder `relative` ("a/b", "" for `root` itself) below the host folder `root`
/// (which may itself be a symbolic link, as the user chose it). No component below `root` is
/// followed when it is a symbolic link; with `create`, missing components are made 0700.
/// Invalid on failure, with errno set (ELOOP or ENOTDIR for a link on the way).
CHostFd OpenFolderBelow(const std::string& root, const std::string& relative, bool create);

/// Opens `name` in `folder` (an fd from OpenFolderBelow, or AT_FDCWD for a path the user
/// gave) for appending, created 0600 when missing. Never follows a link at `name`, never
/// blocks, and refuses anything but a regular file (errno EINVAL for a FIFO, device or
/// socket; EISDIR for a folder; ELOOP for a link; ENXIO for a FIFO without a reader).
CHostFd OpenOutputFile(int folder, const std::string& name);

/// Reads the regular file `name` in `folder` whole, without following a link at `name`.
/// False with errno set when it cannot (ENOENT when it does not exist).
bool ReadRegularFile(int folder, const std::string& name, std::string* text);

/// Replaces `name` in `folder` by `text`: written to an exclusive temporary file of a unique
/// name (".<name>.<pid>.<n>.tmp", created 0600 with O_EXCL and O_NOFOLLOW) that is then
/// renamed over `name`. False on any failure; no temporary file is left.
bool ReplaceFile(int folder, const std::string& name, const std::string& text);

}  // namespace oxsdk::emulator
