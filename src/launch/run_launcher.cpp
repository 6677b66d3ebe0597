// RunLauncher: start-up, the install/run decision and every exit code, in one pass.
#include "launch/run_launcher.h"

#include "launch/alerts.h"
#include "launch/launch_control.h"
#include "launching/launch_reports.h"
#include "launching/start_program.h"
#include "location/install_location.h"
#include "platform/file_exists.h"
#include "settings/launcher_settings.h"
#include "settings/messages.h"
#include "settings/settings_file.h"
#include "window/launcher_window.h"
#include "window/startup_guard.h"
#include "window/status_lines.h"

namespace {

bool OnWindows95() { return Settings.Platform == Windows95; }

// The platform's member of a "32" / "NT" settings pair.
const SettingText& Pick(const SettingText& for95, const SettingText& forNT) { return OnWindows95() ? for95 : forNT; }

// Ends a path that has nothing (more) to wait for: the exit code is the path's own.
int EndWith(int exitCode) {
    WaitForProgramWindow(NoWait);
    return exitCode;
}

int WaitAfterStart(WaitTarget on95, WaitTarget onNT) { return WaitForProgramWindow(OnWindows95() ? on95 : onNT); }

// A user who revealed the launcher window may close it while an alert is open: Windows
// then ends the alert as if OK was chosen. Nothing may be started after that answer.
bool AcceptedWhileWindowLives(bool accepted) { return accepted && WindowWait.LauncherWindow != nullptr; }

void ShowMessage(MessageId id, const char* launchPath) {
    ShowErrorReport(MessageCatalogue[id].Key, MessageCatalogue[id].BuiltInText, launchPath);
}

bool RunWindowOpen() {
    return FindRunningWindow(Pick(Settings.Run32WindowClass, Settings.RunNTWindowClass).CStr(),
                             Pick(Settings.Run32WindowTitle, Settings.RunNTWindowTitle).CStr());
}

void SelectRunAffixes() {
    if (OnWindows95()) SelectRun32Affixes();
    else SelectRunNTAffixes();
}

int RunFromDisc() {
    WorkText& launchPath = SettingsFile.WorkBuffer;
    if (Settings.RunNeeded == 0) return EndWith(ExitDone);
    launchPath.Assign(SettingsFile.LauncherDirectory.CStr());
    launchPath.Append(Pick(Settings.RunProgram32, Settings.RunProgramNT).CStr());
    SelectRunAffixes();
    if (!FileExists(launchPath.CStr())) {
        ShowMessage(OnWindows95() ? MsgErrorFindNoInst32 : MsgErrorFindNoInstNT, launchPath.CStr());
        return EndWith(ExitDiscProgramMissing);
    }
    if (RunWindowOpen()) return EndWith(ExitProgramWindowOpen);
    if (Settings.RunShowAlert == 1 && !AcceptedWhileWindowLives(ShowRunAlert())) return WaitForProgramWindow(NoWait);
    if (LaunchDiscProgram(launchPath) != 0) return WaitForProgramWindow(NoWait);
    return WaitAfterStart(Run32Window, RunNTWindow);
}

int OfferInstaller() {
    WorkText& launchPath = SettingsFile.WorkBuffer;
    launchPath.Assign(SettingsFile.LauncherDirectory.CStr());
    launchPath.Append(Pick(Settings.InstallProgram32, Settings.InstallProgramNT).CStr());
    if (OnWindows95()) SelectInstall32Affixes();
    else SelectInstallNTAffixes();
    if (!FileExists(launchPath.CStr())) {
        ShowMessage(OnWindows95() ? MsgErrorFindLaunch32 : MsgErrorFindLaunchNT, launchPath.CStr());
        return EndWith(ExitNoWindowOrNoRootOrNoInstaller);
    }
    if (FindRunningWindow(Pick(Settings.Install32WindowClass, Settings.InstallNTWindowClass).CStr(),
                          Pick(Settings.Install32WindowTitle, Settings.InstallNTWindowTitle).CStr()))
        return EndWith(ExitInstallerWindowOpen);
    if (Settings.InstallShowAlert == 1 && !AcceptedWhileWindowLives(ShowInstallAlert()))
        return EndWith(ExitNoClassOrCancelled);
    if (LaunchInstaller(launchPath) != 0) return WaitForProgramWindow(NoWait);
    return WaitAfterStart(Install32Window, InstallNTWindow);
}

// The launch path holds the install location, cleaned when ExtractFolder asks for it.
int RunInstalled() {
    WorkText& launchPath = SettingsFile.WorkBuffer;
    if (Settings.RunNeeded == 0 && Settings.VerifyInstallation == 0) return EndWith(ExitDone);
    const size_t length = launchPath.Length();
    if (length == 0 || launchPath[length - 1] != '\\') launchPath.AppendChar('\\');
    launchPath.Append(Settings.RunRelative != 0 ? Pick(Settings.InstalledProgram32, Settings.InstalledProgramNT).CStr()
                                                : Pick(Settings.RunProgram32, Settings.RunProgramNT).CStr());
    SelectRunAffixes();
    const bool presenceTested =
        (Settings.RunNeeded != 0 && Settings.RunRelative == 0) || Settings.VerifyInstallation != 0;
    if (presenceTested && !FileExists(launchPath.CStr())) {
        if (Settings.ReinstallShowAlert == 0) return EndWith(ExitInstalledMissingQuiet);
        ShowReinstallAlert();
        return EndWith(ExitInstalledMissing);
    }
    if (Settings.RunNeeded == 0) return EndWith(ExitDone);
    if (Settings.RunRelative != 0) return RunFromDisc();
    if (RunWindowOpen()) return EndWith(ExitProgramWindowOpen);
    if (Settings.RunShowAlert == 1 && !AcceptedWhileWindowLives(ShowRunAlert())) return WaitForProgramWindow(NoWait);
    if (LaunchInstalledProgram(launchPath) != 0) return WaitForProgramWindow(NoWait);
    return WaitAfterStart(Run32Window, RunNTWindow);
}

int CheckInstallation() {
    if (!MapRootKey(Settings.RunLocationRoot.CStr())) {
        ShowMessage(MsgErrorRoot, nullptr);
        return EndWith(ExitNoWindowOrNoRootOrNoInstaller);
    }
    // Texts too long for the query's slots stay marked Cut, and the lookup finds nothing.
    RegistryQuery.KeyPath.Assign(Settings.RunLocationKey.CStr());
    if (lstrcmpiA(Settings.RunLocationValue.CStr(), "(Default)") == 0) RegistryQuery.ValueName.Clear();
    else RegistryQuery.ValueName.Assign(Settings.RunLocationValue.CStr());
    if (!QueryInstallLocation(Settings.ExtractFolder != 0 ? LocationFolderOfCommand : LocationFolder))
        return OfferInstaller();
    WorkText& location = SettingsFile.WorkBuffer;
    location.Assign(RegistryQuery.ResultText.CStr());
    if (Settings.ExtractFolder != 0) CleanInstallFolder(location.Data());
    // An empty location (a value an uninstaller blanked, or one the clean-up leaves nothing
    // of) names no folder: taken as a root, it would find a program of that name at the
    // root of whatever drive is current.
    if (location.Empty()) return OfferInstaller();
    return RunInstalled();
}

}  // namespace

void ShowErrorReport(const char* key, const char* builtInText, const char* launchPath) {
    FixedText<4096>& text = SettingsFile.MessageBuffer;
    text.Assign(ReadErrorText(key, builtInText));  // copied before the caption reuses the buffer
    if (launchPath != nullptr) {
        text.AppendChar('\n');
        text.Append(launchPath);  // display text: cut at the buffer's end when too long
    }
    MessageBoxA(nullptr, text.CStr(), ReadMessage(MsgLauncherTitle), MB_OK);
}

int RunLauncher(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showMode) {
    if (previousInstance != nullptr) return ExitNotLocated;
    LaunchControl.Instance = instance;
    StatusDisplay.StartShowMode = showMode;
    LoadDefaultSettings();
    if (!ReadAllSettings()) return ExitNotLocated;
    // Two launchers of this path started together would each look for the other's window
    // before either has made one: the guard makes the look and the window one step. Ending
    // before the window exists lets it go as well.
    HoldStartupGuard();
    if (DeferToRunningLauncher()) return ExitDeferred;
    InitStatusLines();
    if (RegisterLauncherClass(instance, Settings.LauncherWindowClass.CStr()) == 0) return ExitNoClassOrCancelled;
    if (!CreateLauncherWindow(instance, showMode, Settings.LauncherWindowClass.CStr()))
        return ExitNoWindowOrNoRootOrNoInstaller;
    ReleaseStartupGuard();
    Settings.Platform = DetectTargetPlatform();
    if (Settings.InstallNeeded == 1) return CheckInstallation();
    return RunFromDisc();
}
