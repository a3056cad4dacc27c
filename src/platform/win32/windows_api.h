// The one way into <windows.h> for the win32 platform. It keeps the header lean and undefines
// the macros with which it renames functions (DeleteFile -> DeleteFileW, ...), since those
// names are also methods of the platform interface. Nothing outside src/platform/win32 (and
// the win32 platform's own test) includes it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DeleteFile
#undef GetFileAttributes
#undef SetFileAttributes
#undef FindWindow
#undef CreateFile
#undef FindFirstFile
#undef FindNextFile
#undef CreateDirectory
#undef CreateProcess
#undef LoadCursor
#undef GetCurrentTime
