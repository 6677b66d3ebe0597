// The built-in texts of every replaceable message.
#include "settings/messages.h"

#include "settings/settings_file.h"

const MessageEntry MessageCatalogue[MessageCount] = {
    {"LauncherTitle", LauncherTitleText},
    {"ErrorRoot", "The indicated registry root key is not a valid predefined key."},
    {"ErrorFindLaunch32", "Tavio Launcher couldn't locate the installer file for Windows 95,"},
    {"ErrorFindLaunchNT", "Tavio Launcher couldn't locate the installer file for Windows NT,"},
    {"ErrorFindNoInst32", "Tavio Launcher couldn't locate the file for Windows 95, "},
    {"ErrorFindNoInstNT", "Tavio Launcher couldn't locate the file for Windows NT, "},
    {"ErrorLaunch32", "Error running the installer file for Windows 95, "},
    {"ErrorLaunchNT", "Error running the installer file for Windows NT, "},
    {"ErrorRun32", "Error running the installed file for Windows 95, "},
    {"ErrorRunNT", "Error running the installed file for Windows NT, "},
    {"ErrorLaunchNoInst32", "Error running the file for Windows 95, "},
    {"ErrorLaunchNoInstNT", "Error running the file for Windows NT, "},
    {"ErrorMem", "The operating system is out of memory or resources."},
    {"ErrorFileNotFound", "The specified file was not found."},
    {"ErrorPathNotFound", "The specified path was not found."},
    {"ErrorAccessDenied", "The operating system denied access to the specified file."},
    {"ErrorShellMemory", "The shell did not have enough memory to complete the operation."},
    {"ErrorBadFormat", "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
    {"ErrorShare", "A sharing violation occurred."},
    {"ErrorBadAssociation", "The filename association is incomplete or invalid."},
    {"ErrorDDETimeout", "The DDE transaction could not be completed because the request timed out."},
    {"ErrorDDEFail", "The DDE transaction failed."},
    {"ErrorDDEBusy", "The DDE transaction could not be completed because other DDE transactions were being processed."},
    {"ErrorNoAssociation", "There is no application associated with the given filename extension."},
    {"ErrorDllNotFound", "A necessary dynamic-link library was not found."},
    {"ErrorUnknown", "Unknown error."},
};

const char* ReadMessage(MessageId id) {
    return ReadErrorText(MessageCatalogue[id].Key, MessageCatalogue[id].BuiltInText);
}
