// Locating the launcher and its settings file, and reading settings and message texts from it.
#ifndef TAVIO_SETTINGS_SETTINGS_FILE_H
#define TAVIO_SETTINGS_SETTINGS_FILE_H

#include "platform/fixed_text.h"
#include "settings/launcher_settings.h"

typedef FixedText<4096> WorkText;

struct SettingsFileState {
    bool SelfLocateTried;              // LocateSelf ran its steps (once per process)
    bool SelfLocated;                  // ... and succeeded
    bool FileLocateTried;              // LocateSettingsFile ran its steps
    bool FileLocated;                  // ... and SettingsFilePath is known
    FixedText<360> LauncherDirectory;  // own folder, short form where there is one, ends in '\'
    FixedText<360> SettingsFileName;   // own file name with ".INI"
    FixedText<360> SettingsFilePath;
    // The own path, the candidate paths and each value read; once the settings are
    // read it becomes the launch path that the decision builds.
    WorkText WorkBuffer;
    WorkText ResultBuffer;   // ReadErrorText's one shared result
    WorkText MessageBuffer;  // alerts and error reports are composed here
    // The names of the keys the settings section holds, each ended by a zero, the list by
    // one more: ReadAllSettings looks up only these.
    char KeyList[4096];
};
extern SettingsFileState SettingsFile;

extern const char SettingsSection[];    // "Tavio32 Settings"
extern const char ErrorsSection[];      // "Tavio32 Errors"
extern const char AbsenceMarker[];      // "<<<Not a valid setting!>>>"
extern const char LauncherTitleText[];  // "Tavio Launcher": window title, built-in caption

bool LocateSelf();
bool LocateSettingsFile();
// Present key: the field takes the value (empty included); absent: unchanged.
// False only when the settings file cannot be located.
bool ReadTextSetting(const char* key, SettingText& field);
// As ReadTextSetting; the value converted like atoi, but saturating at the 32-bit range.
bool ReadNumberSetting(const char* key, LONG& field);
bool ReadAllSettings();
// The key's text from the errors section, else builtInText; always in ResultBuffer.
const char* ReadErrorText(const char* key, const char* builtInText);

// atoi's reading of a number (blanks, sign, digits), saturating instead of wrapping.
LONG ParseNumber(const char* text);

#endif
