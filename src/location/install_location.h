// The registry lookup of the install location, and the clean-up of its value into a folder.
#ifndef TAVIO_LOCATION_INSTALL_LOCATION_H
#define TAVIO_LOCATION_INSTALL_LOCATION_H

#include "platform/fixed_text.h"
#include "platform/windows_api.h"

// Shared by every caller and overwritten by each use: the install-location lookup and
// the association lookups of StartProgram. Callers write it directly before a query.
struct RegistryQueryState {
    HKEY Root;                   // one of the four predefined roots
    FixedText<200> KeyPath;      // a path that did not fit (Cut) counts as not found
    FixedText<200> ValueName;    // empty: the key's default value; Cut: not found
    FixedText<1216> ResultText;  // the value found, ANSI text as the registry holds it
    // On NT, a text (LocationText) outside the ANSI code page: ResultText holds it in UTF-8,
    // whose multibyte characters hold no ASCII byte, for a caller that looks for a program in it.
    bool ResultInUtf8;
};
extern RegistryQueryState RegistryQuery;

// Sets RegistryQuery.Root for the four predefined root names (any letter case);
// false and Root unchanged for any other name.
bool MapRootKey(const char* name);
// What a value read is, for the NT family's reading of names outside the ANSI code page.
enum LocationUse {
    LocationText,             // any text (an association's class or command)
    LocationFolder,           // an install folder
    LocationFolderOfCommand,  // a command line or file path whose folder is the install folder
};
// Reads the value named by RegistryQuery: 1 with ResultText set, 0 when the key or
// value is missing or unusable (another type, too long for the query or the result, or, on
// NT, a text outside the ANSI code page that names no file or folder). On NT, a folder no
// ANSI text names becomes the current folder, and ResultText ".".
int QueryInstallLocation(LocationUse use = LocationText);
// Rewrites a command line or file path in place into a folder ending in '\'.
void CleanInstallFolder(char* text);

#endif
