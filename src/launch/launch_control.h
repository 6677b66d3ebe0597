// Launch control's process-wide state, the exit codes and the platform detection.
#ifndef TAVIO_LAUNCH_LAUNCH_CONTROL_H
#define TAVIO_LAUNCH_LAUNCH_CONTROL_H

#include "platform/windows_api.h"
#include "settings/launcher_settings.h"

enum ExitCode {
    ExitDone = 0,
    ExitNotLocated = 1,
    ExitDeferred = 2,
    ExitNoClassOrCancelled = 3,
    ExitNoWindowOrNoRootOrNoInstaller = 4,
    ExitInstalledMissingQuiet = 6,
    ExitInstalledMissing = 7,
    ExitDiscProgramMissing = 9,
    ExitInstallerWindowOpen = 21,
    ExitProgramWindowOpen = 23
};

struct LaunchControlState {
    HINSTANCE Instance;  // kept at start-up, as WinMain would receive it
};
extern LaunchControlState LaunchControl;

// Windows95 for the 95/98 family, else WindowsNT.
TargetPlatform DetectTargetPlatform();

#endif
