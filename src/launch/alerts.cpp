// The install, run and reinstall alerts: five lines from the settings in one message box.
#include "launch/alerts.h"

#include "settings/launcher_settings.h"
#include "settings/settings_file.h"

void ComposeAlert(FixedText<4096>& text, const char* line1, const char* line2, const char* line3, const char* line4,
                  const char* line5) {
    // The line feeds go in around empty lines too: the layout never depends on content.
    text.Assign(line1);
    const char* rest[] = {line2, line3, line4, line5};
    for (const char* line : rest) {
        text.AppendChar('\n');
        text.Append(line);
    }
}

// OK and Cancel (Cancel the default) when cancelling is allowed; then only IDOK accepts.
static bool AskUser(const FixedText<4096>& text, const SettingText& caption, LONG allowCancel) {
    if (allowCancel == 1) return MessageBoxA(nullptr, text.CStr(), caption.CStr(), MB_OKCANCEL | MB_DEFBUTTON2) == IDOK;
    MessageBoxA(nullptr, text.CStr(), caption.CStr(), MB_OK);
    return true;
}

bool ShowInstallAlert() {
    ComposeAlert(SettingsFile.MessageBuffer, Settings.InstallAlertText1.CStr(), Settings.InstallAlertText2.CStr(),
                 Settings.InstallAlertText3.CStr(), Settings.InstallAlertText4.CStr(),
                 Settings.InstallAlertText5.CStr());
    return AskUser(SettingsFile.MessageBuffer, Settings.InstallAlertTitle, Settings.InstallAllowCancel);
}

bool ShowRunAlert() {
    ComposeAlert(SettingsFile.MessageBuffer, Settings.RunAlertText1.CStr(), Settings.RunAlertText2.CStr(),
                 Settings.RunAlertText3.CStr(), Settings.RunAlertText4.CStr(), Settings.RunAlertText5.CStr());
    return AskUser(SettingsFile.MessageBuffer, Settings.RunAlertTitle, Settings.RunAllowCancel);
}

void ShowReinstallAlert() {
    // The launch path is no longer needed once the installation is known to be lost.
    WorkText& text = SettingsFile.WorkBuffer;
    ComposeAlert(text, Settings.ReinstallAlertText1.CStr(), Settings.ReinstallAlertText2.CStr(),
                 Settings.ReinstallAlertText3.CStr(), Settings.ReinstallAlertText4.CStr(),
                 Settings.ReinstallAlertText5.CStr());
    MessageBoxA(nullptr, text.CStr(), Settings.ReinstallAlertTitle.CStr(), MB_OK);
}
