// LaunchInstaller, LaunchInstalledProgram, LaunchDiscProgram and the failure report.
#include "launching/launch_reports.h"

#include "platform/windows_api.h"
#include "settings/launcher_settings.h"
#include "settings/messages.h"
#include "settings/settings_file.h"

namespace {

// The reason for each shell result from 0 to 32, by direct index.
const MessageId ReasonByResult[33] = {
    MsgErrorMem,          MsgErrorUnknown,       MsgErrorFileNotFound,   MsgErrorPathNotFound, MsgErrorUnknown,
    MsgErrorAccessDenied, MsgErrorUnknown,       MsgErrorUnknown,        MsgErrorShellMemory,  MsgErrorUnknown,
    MsgErrorUnknown,      MsgErrorBadFormat,     MsgErrorUnknown,        MsgErrorUnknown,      MsgErrorUnknown,
    MsgErrorUnknown,      MsgErrorUnknown,       MsgErrorUnknown,        MsgErrorUnknown,      MsgErrorUnknown,
    MsgErrorUnknown,      MsgErrorUnknown,       MsgErrorUnknown,        MsgErrorUnknown,      MsgErrorUnknown,
    MsgErrorUnknown,      MsgErrorShare,         MsgErrorBadAssociation, MsgErrorDDETimeout,   MsgErrorDDEFail,
    MsgErrorDDEBusy,      MsgErrorNoAssociation, MsgErrorDllNotFound,
};

// Starts launchPath; on failure shows the FailureReport headed by the platform's text.
int LaunchAndReport(WorkText& launchPath, MessageId on95, MessageId onNT) {
    const LaunchResult result = StartProgram(launchPath);
    if (result > 32) return 0;

    // Every ReadMessage returns the one shared buffer: each text is copied before the
    // next read, and the caption is read last. An overlong report is cut at its end.
    FixedText<4096>& message = SettingsFile.MessageBuffer;
    message.Assign(ReadMessage(Settings.Platform == WindowsNT ? onNT : on95));
    message.Append("\n");
    message.Append(launchPath.CStr());
    message.Append("\n\n");
    message.Append(DescribeLaunchError(result));
    MessageBoxA(nullptr, message.CStr(), ReadMessage(MsgLauncherTitle), MB_OK);
    return 1;
}

}  // namespace

int LaunchInstaller(WorkText& launchPath) { return LaunchAndReport(launchPath, MsgErrorLaunch32, MsgErrorLaunchNT); }

int LaunchInstalledProgram(WorkText& launchPath) { return LaunchAndReport(launchPath, MsgErrorRun32, MsgErrorRunNT); }

int LaunchDiscProgram(WorkText& launchPath) {
    return LaunchAndReport(launchPath, MsgErrorLaunchNoInst32, MsgErrorLaunchNoInstNT);
}

const char* DescribeLaunchError(LaunchResult result) {
    return ReadMessage(result <= 32 ? ReasonByResult[result] : MsgErrorUnknown);
}
