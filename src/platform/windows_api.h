// The boundary to Windows: the logic includes this and nothing else of the system.
//
// The build picks the header behind it by its include path, never by #ifdef: the product
// gets Windows' own declarations (src/platform/win32), the host build our declarations
// of the same subset (src/platform/sim), implemented by the simulated Windows. Names,
// types and constants are Win32's own, so the logic reads as ordinary Win32 code.
//
// Contracts the logic relies on where a call can fail:
// - GetShortPathNameA: a result counts only when nonzero, below the buffer's size and
//   not ERROR_INVALID_PARAMETER (ShortPathCounts); otherwise the caller keeps the long
//   form and reports nothing.
// - OpenFile(path, &of, OF_EXIST): HFILE_ERROR for a missing file, a folder, and for any
//   path of 128 characters or more (OFSTRUCT holds 128 bytes); see FileExists.
// - ShellExecuteA and FindExecutableA: a handle-typed value whose low 32 bits are the
//   LaunchResult; 32 or less (unsigned) is a failure code.
// - RegQueryValueExA: ERROR_MORE_DATA when the buffer is too small, buffer untouched.
// - MultiByteToWideChar: 0 when the text does not fit or cannot be converted; the NT
//   cache flush is then skipped.
// - GetMessageA: 0 for the quit message, -1 on error.
#ifndef TAVIO_PLATFORM_WINDOWS_API_H
#define TAVIO_PLATFORM_WINDOWS_API_H

#include "platform_windows.h"

// The 95/98 family (Win32s too) sets the high bit of the version; the NT family clears it.
inline bool IsWindows95Family(DWORD version = GetVersion()) { return (version & 0x80000000u) != 0; }

// Whether GetShortPathNameA's result names a short form written whole into a buffer of
// bufferSize bytes: 0 is a failure, bufferSize or more the size the buffer lacked, and
// some systems return ERROR_INVALID_PARAMETER in place of a length.
inline bool ShortPathCounts(DWORD result, DWORD bufferSize) {
    return result != 0 && result < bufferSize && result != ERROR_INVALID_PARAMETER;
}

#endif
