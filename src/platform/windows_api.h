// The boundary to Windows: the logic includes this and nothing else of the system.
//
// The build picks the header behind it by its include path, never by #ifdef: the product
// gets Windows' own declarations (src/platform/win32), the host build our declarations
// of the same subset (src/platform/sim), implemented by the simulated Windows. Names,
// types and constants are Win32's own, so the logic reads as ordinary Win32 code.
//
// Contracts the logic relies on where a call can fail:
// - GetShortPathNameA: a result counts only when nonzero, below the buffer's size and
//   not 87; otherwise the caller keeps the long form and reports nothing.
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

#endif
