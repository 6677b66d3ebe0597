// The Win32 subset the launcher calls: in the product build, Windows' own headers.
#ifndef TAVIO_PLATFORM_WIN32_PLATFORM_WINDOWS_H
#define TAVIO_PLATFORM_WIN32_PLATFORM_WINDOWS_H

// Lean: without <shellapi.h> among the rest, which would declare the shell calls imported.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// The two shell calls, declared here rather than by <shellapi.h>: the product does not
// import them but loads shell32 on their first use (shell_calls.cpp). Most runs start
// nothing, and loading shell32 with the DLLs it needs costs more than all else a run does
// before its window exists. Other programs built on the logic take them from shell32.
extern "C" {
HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);
HINSTANCE WINAPI FindExecutableA(LPCSTR file, LPCSTR directory, LPSTR result);
HINSTANCE WINAPI FindExecutableW(LPCWSTR file, LPCWSTR directory, LPWSTR result);
}

// The C runtime's time functions, imported from msvcrt.dll by their original names.
// The headers of the cross compiler map time() and localtime() to _time64 and
// _localtime64, which the msvcrt.dll of Windows 95, 98 and NT 4 does not export; the
// plain exports take and give msvcrt's own time_t: 32 bits in 32-bit code, 64 in 64-bit code.
namespace crt {
#ifdef _WIN64
typedef long long time_t;
#else
typedef long time_t;
#endif
struct tm {
    int tm_sec;
    int tm_min;
    int tm_hour;
    int tm_mday;
    int tm_mon;
    int tm_year;
    int tm_wday;
    int tm_yday;
    int tm_isdst;
};
extern "C" {
__declspec(dllimport) time_t __cdecl time(time_t* result);
__declspec(dllimport) tm* __cdecl localtime(const time_t* when);
__declspec(dllimport) char* __cdecl asctime(const tm* when);
}
}  // namespace crt

#endif
