// Names Windows gives in Unicode on the NT family, as ANSI text that names the same file.
#ifndef TAVIO_PLATFORM_WIDE_NAMES_H
#define TAVIO_PLATFORM_WIDE_NAMES_H

#include "platform/windows_api.h"

// The longest text the bridge carries, in UTF-16 units: a registry value the install-location
// lookup reads (1600 characters) with room to terminate it.
constexpr int WideCapacity = 1601;

// The bridge's texts: each is overwritten by the next use.
struct WideNamesState {
    WCHAR Text[WideCapacity];       // the name as Windows gave it, or a path handed to a Unicode call
    WCHAR Other[WideCapacity];      // a second one: an expanded value, a folder
    WCHAR RoundTrip[WideCapacity];  // the ANSI form read back, to see that nothing was lost
    WCHAR Name[MAX_PATH * 2];       // a value name; a program the shell names (at most MAX_PATH)
    bool FolderEntered;             // EnterFolder made a folder the current one
};
extern WideNamesState WideNames;

// A function of a system DLL the process has loaded, on the NT family only: the 95/98 family
// exports many Unicode functions as stubs that fail, and the product imports none of them so
// that it still loads on Windows 95. Null there, or where the DLL lacks it.
void (*NtFunction(const char* module, const char* name))();

// The ANSI form of wide in out (size bytes); false when it does not fit, or when a character
// of wide has no ANSI form (it would come back as '?', or as a look-alike letter).
bool AnsiFromWide(const WCHAR* wide, char* out, int size);
// The ANSI text that names the file or folder wide names: the text itself where the ANSI
// code page holds it, else its short (8.3) form where that is ANSI; false where neither is.
// wide may be rewritten to its short form.
bool AnsiNameOf(WCHAR* wide, DWORD capacity, char* out, int size);
// As AnsiNameOf for a name given in UTF-8, rewritten in place (size bytes); false where no
// ANSI text names it.
bool AnsiNameOfUtf8(char* name, int size);
// Rewrites wide in place to its short form; false (wide untouched) where there is none.
bool ShortenWide(WCHAR* wide, DWORD capacity);
// For a folder no ANSI text names (a volume that keeps no 8.3 names): makes it the current
// folder by its Unicode name, so that the ANSI calls reach it as ".". Once per process: a
// second folder would move the first. False where that cannot be done.
bool EnterFolder(const WCHAR* folder);

#endif
