// LauncherSettings: every setting of the settings section, with its built-in default.
#ifndef TAVIO_SETTINGS_LAUNCHER_SETTINGS_H
#define TAVIO_SETTINGS_LAUNCHER_SETTINGS_H

#include "platform/fixed_text.h"
#include "platform/windows_api.h"

// A text setting: at most 359 characters; a longer value read from the file is cut.
typedef FixedText<360> SettingText;

enum TargetPlatform { Windows95 = 2, WindowsNT = 3 };

// Field names are the keys of the settings section. "32" fields serve the 95/98 family,
// "NT" fields Windows NT; TargetPlatform picks one of each pair at each use.
struct LauncherSettings {
    LONG InstallNeeded;            // 1: check the registry and offer the installer
    LONG InstallShowAlert;         // 1: show the install alert
    LONG InstallAllowCancel;       // 1: the install alert offers Cancel (the default button)
    SettingText InstallProgram32;  // installer, relative to LauncherDirectory
    SettingText InstallProgramNT;
    SettingText InstallAlertTitle;
    SettingText InstallAlertText1;
    SettingText InstallAlertText2;
    SettingText InstallAlertText3;
    SettingText InstallAlertText4;
    SettingText InstallAlertText5;
    LONG ReinstallShowAlert;  // not 0: show the reinstall alert for a lost installation
    SettingText ReinstallAlertTitle;
    SettingText ReinstallAlertText1;
    SettingText ReinstallAlertText2;
    SettingText ReinstallAlertText3;
    SettingText ReinstallAlertText4;
    SettingText ReinstallAlertText5;
    LONG RunNeeded;            // not 0: a program is to be run
    LONG RunShowAlert;         // 1: show the run alert
    LONG RunAllowCancel;       // 1: the run alert offers Cancel
    SettingText RunProgram32;  // relative to the install folder, or to LauncherDirectory from the disc
    SettingText RunProgramNT;
    SettingText RunAlertTitle;
    SettingText RunAlertText1;
    SettingText RunAlertText2;
    SettingText RunAlertText3;
    SettingText RunAlertText4;
    SettingText RunAlertText5;
    SettingText RunLocationRoot;  // one of the four predefined root names
    SettingText RunLocationKey;
    SettingText RunLocationValue;  // "(Default)": the key's default value
    SettingText Install32Prefix;
    SettingText InstallNTPrefix;
    SettingText Install32Suffix;
    SettingText InstallNTSuffix;
    SettingText Run32Prefix;
    SettingText RunNTPrefix;
    SettingText Run32Suffix;
    SettingText RunNTSuffix;
    SettingText Install32WindowClass;  // "(ignore)": no window to look for
    SettingText InstallNTWindowClass;
    SettingText Run32WindowClass;
    SettingText RunNTWindowClass;
    SettingText LauncherWindowClass;   // by which a second instance finds the first
    SettingText Install32WindowTitle;  // "(ignore)": any title
    SettingText InstallNTWindowTitle;
    SettingText Run32WindowTitle;
    SettingText RunNTWindowTitle;
    LONG ExtractFolder;              // not 0: clean the registry value into a folder
    LONG WindowTimeOut;              // seconds; outside 1 to 15000: no limit
    LONG VerifyInstallation;         // not 0: test that the installed file exists
    LONG RunRelative;                // not 0: run from the disc even when installed
    SettingText InstalledProgram32;  // tested in the install folder with RunRelative and VerifyInstallation
    SettingText InstalledProgramNT;
    // Not a key: detected at start-up once the launcher window exists; 0 before.
    TargetPlatform Platform;
};

extern LauncherSettings Settings;

// One row of the catalogue: a key, its kind, its default and where it lives in Settings.
// The rows stand in the order the settings file is read.
// Narrow fields last: the catalogue is 55 entries of the product's read-only data, 12 bytes each.
enum SettingKind : unsigned char { NumberSetting, TextSetting };
struct SettingEntry {
    const char* Key;
    const char* DefaultText;  // for TextSetting
    unsigned short Field;     // the setting's offset in LauncherSettings
    signed char DefaultNumber;  // for NumberSetting (every default lies in -128..127)
    SettingKind Kind;

    LONG& Number() const { return *reinterpret_cast<LONG*>(reinterpret_cast<char*>(&Settings) + Field); }
    SettingText& Text() const { return *reinterpret_cast<SettingText*>(reinterpret_cast<char*>(&Settings) + Field); }
};
extern const SettingEntry SettingCatalogue[];
extern const int SettingCount;  // 55

// Sets every field to its default. Runs once, before the settings file is read.
void LoadDefaultSettings();

// The marker that gives a window class or title setting no value (compared ignoring case).
extern const char IgnoreMarker[];  // "(ignore)"
// Whether a setting's text is the marker, in any letter case; null is not.
bool IsIgnoreMarker(const char* text);

#endif
