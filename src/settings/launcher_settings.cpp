// The settings catalogue: every key with its kind and default, in the order the file is read.
#include "settings/launcher_settings.h"

#include <stddef.h>

LauncherSettings Settings;

const char IgnoreMarker[] = "(ignore)";

bool IsIgnoreMarker(const char* text) { return text != nullptr && lstrcmpiA(text, IgnoreMarker) == 0; }

#define NUMBER_SETTING(key, value) \
    { #key, nullptr, offsetof(LauncherSettings, key), value, NumberSetting }
#define TEXT_SETTING(key, value) \
    { #key, value, offsetof(LauncherSettings, key), 0, TextSetting }

const SettingEntry SettingCatalogue[] = {
    NUMBER_SETTING(InstallNeeded, 1),
    NUMBER_SETTING(InstallShowAlert, 1),
    NUMBER_SETTING(InstallAllowCancel, 1),
    TEXT_SETTING(InstallProgram32, "SETUP32\\SETUP.EXE"),
    TEXT_SETTING(InstallProgramNT, "SETUP32\\SETUP.EXE"),
    TEXT_SETTING(InstallAlertTitle, "Install software from CD?"),
    TEXT_SETTING(InstallAlertText1, "This is the first time you've used this CD. Do you want to install the software?"),
    TEXT_SETTING(InstallAlertText2, ""),
    TEXT_SETTING(InstallAlertText3, ""),
    TEXT_SETTING(InstallAlertText4, ""),
    TEXT_SETTING(InstallAlertText5, ""),
    NUMBER_SETTING(ReinstallShowAlert, 1),
    TEXT_SETTING(ReinstallAlertTitle, "Installed software moved or deleted?"),
    TEXT_SETTING(
        ReinstallAlertText1,
        "This CD's software has been installed before, but apparently the software has been moved or deleted."),
    TEXT_SETTING(ReinstallAlertText2, ""),
    TEXT_SETTING(ReinstallAlertText3, ""),
    TEXT_SETTING(ReinstallAlertText4, ""),
    TEXT_SETTING(ReinstallAlertText5, ""),
    NUMBER_SETTING(RunNeeded, 1),
    NUMBER_SETTING(RunShowAlert, 1),
    NUMBER_SETTING(RunAllowCancel, 1),
    TEXT_SETTING(RunProgram32, "RUN32.EXE"),
    TEXT_SETTING(RunProgramNT, "RUN32.EXE"),
    TEXT_SETTING(RunAlertTitle, "Automatically run?"),
    TEXT_SETTING(RunAlertText1, "Automatically run this CD's software?"),
    TEXT_SETTING(RunAlertText2, ""),
    TEXT_SETTING(RunAlertText3, ""),
    TEXT_SETTING(RunAlertText4, ""),
    TEXT_SETTING(RunAlertText5, ""),
    TEXT_SETTING(RunLocationRoot, "HKEY_CLASSES_ROOT"),
    TEXT_SETTING(RunLocationKey, "Software\\Fendral\\Install Locations"),
    TEXT_SETTING(RunLocationValue, "Test Tavio CD"),
    TEXT_SETTING(Install32Prefix, ""),
    TEXT_SETTING(InstallNTPrefix, ""),
    TEXT_SETTING(Install32Suffix, ""),
    TEXT_SETTING(InstallNTSuffix, ""),
    TEXT_SETTING(Run32Prefix, ""),
    TEXT_SETTING(RunNTPrefix, ""),
    TEXT_SETTING(Run32Suffix, ""),
    TEXT_SETTING(RunNTSuffix, ""),
    TEXT_SETTING(Install32WindowClass, IgnoreMarker),
    TEXT_SETTING(InstallNTWindowClass, IgnoreMarker),
    TEXT_SETTING(Run32WindowClass, IgnoreMarker),
    TEXT_SETTING(RunNTWindowClass, IgnoreMarker),
    TEXT_SETTING(LauncherWindowClass, "Fendral Tavio Launcher Class"),
    TEXT_SETTING(Install32WindowTitle, IgnoreMarker),
    TEXT_SETTING(InstallNTWindowTitle, IgnoreMarker),
    TEXT_SETTING(Run32WindowTitle, IgnoreMarker),
    TEXT_SETTING(RunNTWindowTitle, IgnoreMarker),
    NUMBER_SETTING(ExtractFolder, 0),
    NUMBER_SETTING(WindowTimeOut, 90),
    NUMBER_SETTING(VerifyInstallation, 0),
    NUMBER_SETTING(RunRelative, 0),
    TEXT_SETTING(InstalledProgram32, ""),
    TEXT_SETTING(InstalledProgramNT, ""),
};

#undef NUMBER_SETTING
#undef TEXT_SETTING

const int SettingCount = sizeof SettingCatalogue / sizeof SettingCatalogue[0];

void LoadDefaultSettings() {
    for (int i = 0; i < SettingCount; ++i) {
        const SettingEntry& entry = SettingCatalogue[i];
        if (entry.Kind == NumberSetting) entry.Number() = entry.DefaultNumber;
        else entry.Text().Assign(entry.DefaultText);
    }
}
