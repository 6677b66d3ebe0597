// The built-in texts of every replaceable message.
#include "settings/messages.h"

#include "settings/settings_file.h"

const MessageEntry MessageCatalogue[MessageCount] = {
    {"LauncherTitle", "Tavio Launcher", "Caption of every error report."},
    {"ErrorRoot", "The indicated registry root key is not a valid predefined key.",
     "RunLocationRoot names none of the four predefined roots."},
    {"ErrorFindLaunch32", "Tavio Launcher couldn't locate the installer file for Windows 95,",
     "The installer is missing from the disc (Windows 95/98); the path follows."},
    {"ErrorFindLaunchNT", "Tavio Launcher couldn't locate the installer file for Windows NT,",
     "The installer is missing from the disc (Windows NT); the path follows."},
    {"ErrorFindNoInst32", "Tavio Launcher couldn't locate the file for Windows 95, ",
     "The program to run from the disc is missing (Windows 95/98); the path follows."},
    {"ErrorFindNoInstNT", "Tavio Launcher couldn't locate the file for Windows NT, ",
     "The program to run from the disc is missing (Windows NT); the path follows."},
    {"ErrorLaunch32", "Error running the installer file for Windows 95, ",
     "The installer could not be started (Windows 95/98)."},
    {"ErrorLaunchNT", "Error running the installer file for Windows NT, ",
     "The installer could not be started (Windows NT)."},
    {"ErrorRun32", "Error running the installed file for Windows 95, ",
     "The installed program could not be started (Windows 95/98)."},
    {"ErrorRunNT", "Error running the installed file for Windows NT, ",
     "The installed program could not be started (Windows NT)."},
    {"ErrorLaunchNoInst32", "Error running the file for Windows 95, ",
     "The program on the disc could not be started (Windows 95/98)."},
    {"ErrorLaunchNoInstNT", "Error running the file for Windows NT, ",
     "The program on the disc could not be started (Windows NT)."},
    {"ErrorMem", "The operating system is out of memory or resources.", "Launch result 0."},
    {"ErrorFileNotFound", "The specified file was not found.", "Launch result 2."},
    {"ErrorPathNotFound", "The specified path was not found.", "Launch result 3."},
    {"ErrorAccessDenied", "The operating system denied access to the specified file.", "Launch result 5."},
    {"ErrorShellMemory", "The shell did not have enough memory to complete the operation.", "Launch result 8."},
    {"ErrorBadFormat", "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).", "Launch result 11."},
    {"ErrorShare", "A sharing violation occurred.", "Launch result 26."},
    {"ErrorBadAssociation", "The filename association is incomplete or invalid.", "Launch result 27."},
    {"ErrorDDETimeout", "The DDE transaction could not be completed because the request timed out.",
     "Launch result 28."},
    {"ErrorDDEFail", "The DDE transaction failed.", "Launch result 29."},
    {"ErrorDDEBusy",
     "The DDE transaction could not be completed because other DDE transactions were being processed.",
     "Launch result 30."},
    {"ErrorNoAssociation", "There is no application associated with the given filename extension.",
     "Launch result 31."},
    {"ErrorDllNotFound", "A necessary dynamic-link library was not found.", "Launch result 32."},
    {"ErrorUnknown", "Unknown error.", "Any other launch result."},
};

const char* ReadMessage(MessageId id) {
    return ReadErrorText(MessageCatalogue[id].Key, MessageCatalogue[id].BuiltInText);
}
