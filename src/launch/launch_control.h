// Launch control's process-wide state: the platform, the message buffer, the exit codes.
#ifndef TAVIO_LAUNCH_LAUNCH_CONTROL_H
#define TAVIO_LAUNCH_LAUNCH_CONTROL_H

#include "platform/fixed_text.h"
#include "platform/windows_api.h"

enum TargetPlatform { Windows95 = 2, WindowsNT = 3 };

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
    HINSTANCE Instance;
    TargetPlatform Platform;      // set at start-up step 7; picks every "32" / "NT" member
    FixedText<4096> MessageBuffer;  // alerts and error reports are composed here
};
extern LaunchControlState LaunchControl;

// Windows95 when the high bit of GetVersion is set, else WindowsNT.
TargetPlatform DetectTargetPlatform();

#endif
