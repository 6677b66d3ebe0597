// The settings catalogue: every key with its kind and default, in the order the file is read.
#include "settings/launcher_settings.h"

LauncherSettings Settings;

const char IgnoreMarker[] = "(ignore)";

#define NUMBER_SETTING(key, value, meaning) {#key, NumberSetting, &LauncherSettings::key, nullptr, value, nullptr, meaning}
#define TEXT_SETTING(key, value, meaning) {#key, TextSetting, nullptr, &LauncherSettings::key, 0, value, meaning}

const SettingEntry SettingCatalogue[] = {
    NUMBER_SETTING(InstallNeeded, 1, "1: the disc has an installer; check the registry for an installation and offer the installer when none is found. Any other value: run the program from the disc."),
    NUMBER_SETTING(InstallShowAlert, 1, "1: show the install alert before starting the installer."),
    NUMBER_SETTING(InstallAllowCancel, 1, "1: the install alert offers OK and Cancel, Cancel being the default button; otherwise OK only."),
    TEXT_SETTING(InstallProgram32, "SETUP32\\SETUP.EXE", "The installer on Windows 95/98, relative to the launcher's folder."),
    TEXT_SETTING(InstallProgramNT, "SETUP32\\SETUP.EXE", "The installer on Windows NT, relative to the launcher's folder."),
    TEXT_SETTING(InstallAlertTitle, "Install software from CD?", "Caption of the install alert."),
    TEXT_SETTING(InstallAlertText1, "This is the first time you've used this CD. Do you want to install the software?", "First line of the install alert."),
    TEXT_SETTING(InstallAlertText2, "", "Second line of the install alert."),
    TEXT_SETTING(InstallAlertText3, "", "Third line of the install alert."),
    TEXT_SETTING(InstallAlertText4, "", "Fourth line of the install alert."),
    TEXT_SETTING(InstallAlertText5, "", "Fifth line of the install alert."),
    NUMBER_SETTING(ReinstallShowAlert, 1, "Not 0: show the reinstall alert when the installed program is missing."),
    TEXT_SETTING(ReinstallAlertTitle, "Installed software moved or deleted?", "Caption of the reinstall alert."),
    TEXT_SETTING(ReinstallAlertText1, "This CD's software has been installed before, but apparently the software has been moved or deleted.", "First line of the reinstall alert."),
    TEXT_SETTING(ReinstallAlertText2, "", "Second line of the reinstall alert."),
    TEXT_SETTING(ReinstallAlertText3, "", "Third line of the reinstall alert."),
    TEXT_SETTING(ReinstallAlertText4, "", "Fourth line of the reinstall alert."),
    TEXT_SETTING(ReinstallAlertText5, "", "Fifth line of the reinstall alert."),
    NUMBER_SETTING(RunNeeded, 1, "Not 0: a program is to be run (installed or from the disc)."),
    NUMBER_SETTING(RunShowAlert, 1, "1: show the run alert before running the program."),
    NUMBER_SETTING(RunAllowCancel, 1, "1: the run alert offers OK and Cancel, Cancel being the default."),
    TEXT_SETTING(RunProgram32, "RUN32.EXE", "The program to run on Windows 95/98: relative to the install folder when run as installed, to the launcher's folder when run from the disc. May name a document."),
    TEXT_SETTING(RunProgramNT, "RUN32.EXE", "The program to run on Windows NT, as RunProgram32."),
    TEXT_SETTING(RunAlertTitle, "Automatically run?", "Caption of the run alert."),
    TEXT_SETTING(RunAlertText1, "Automatically run this CD's software?", "First line of the run alert."),
    TEXT_SETTING(RunAlertText2, "", "Second line of the run alert."),
    TEXT_SETTING(RunAlertText3, "", "Third line of the run alert."),
    TEXT_SETTING(RunAlertText4, "", "Fourth line of the run alert."),
    TEXT_SETTING(RunAlertText5, "", "Fifth line of the run alert."),
    TEXT_SETTING(RunLocationRoot, "HKEY_CLASSES_ROOT", "Registry root holding the install location: HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_USERS (any letter case)."),
    TEXT_SETTING(RunLocationKey, "Software\\Fendral\\Install Locations", "Key path under that root."),
    TEXT_SETTING(RunLocationValue, "Test Tavio CD", "Value name; (Default) selects the key's default value."),
    TEXT_SETTING(Install32Prefix, "", "Text placed before the installer's parameters on Windows 95/98."),
    TEXT_SETTING(InstallNTPrefix, "", "Text placed before the installer's parameters on Windows NT."),
    TEXT_SETTING(Install32Suffix, "", "Text placed after the installer's parameters on Windows 95/98."),
    TEXT_SETTING(InstallNTSuffix, "", "Text placed after the installer's parameters on Windows NT."),
    TEXT_SETTING(Run32Prefix, "", "Text placed before the program's parameters on Windows 95/98."),
    TEXT_SETTING(RunNTPrefix, "", "Text placed before the program's parameters on Windows NT."),
    TEXT_SETTING(Run32Suffix, "", "Text placed after the program's parameters on Windows 95/98."),
    TEXT_SETTING(RunNTSuffix, "", "Text placed after the program's parameters on Windows NT."),
    TEXT_SETTING(Install32WindowClass, "(ignore)", "Window class of the installer's window on Windows 95/98, waited for after starting it."),
    TEXT_SETTING(InstallNTWindowClass, "(ignore)", "Window class of the installer's window on Windows NT."),
    TEXT_SETTING(Run32WindowClass, "(ignore)", "Window class of the program's window on Windows 95/98, looked for before and waited for after starting it."),
    TEXT_SETTING(RunNTWindowClass, "(ignore)", "Window class of the program's window on Windows NT."),
    TEXT_SETTING(LauncherWindowClass, "Fendral Tavio Launcher Class", "Class name of the launcher's own window, by which a second start finds the first."),
    TEXT_SETTING(Install32WindowTitle, "(ignore)", "Title of the installer's window on Windows 95/98."),
    TEXT_SETTING(InstallNTWindowTitle, "(ignore)", "Title of the installer's window on Windows NT."),
    TEXT_SETTING(Run32WindowTitle, "(ignore)", "Title of the program's window on Windows 95/98."),
    TEXT_SETTING(RunNTWindowTitle, "(ignore)", "Title of the program's window on Windows NT."),
    NUMBER_SETTING(ExtractFolder, 0, "Not 0: clean the registry value into a folder before use (quotes, arguments and file name removed)."),
    NUMBER_SETTING(WindowTimeOut, 90, "Seconds to wait for the started program's window; values outside 1 to 15000 mean no limit."),
    NUMBER_SETTING(VerifyInstallation, 0, "Not 0: when installed, test that the program (or InstalledProgram32/NT with RunRelative) exists in the install folder; a missing file leads to the reinstall alert."),
    NUMBER_SETTING(RunRelative, 0, "Not 0: run the program from the disc even when installed; the install folder serves only for the presence test."),
    TEXT_SETTING(InstalledProgram32, "", "File tested in the install folder on Windows 95/98 when RunRelative and VerifyInstallation are both set."),
    TEXT_SETTING(InstalledProgramNT, "", "File tested in the install folder on Windows NT when RunRelative and VerifyInstallation are both set."),
};

#undef NUMBER_SETTING
#undef TEXT_SETTING

const int SettingCount = sizeof SettingCatalogue / sizeof SettingCatalogue[0];

void LoadDefaultSettings() {
    for (int i = 0; i < SettingCount; ++i) {
        const SettingEntry& entry = SettingCatalogue[i];
        if (entry.Kind == NumberSetting)
            Settings.*entry.Number = entry.DefaultNumber;
        else
            (Settings.*entry.Text).Assign(entry.DefaultText);
    }
}
