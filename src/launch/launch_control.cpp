// Launch control state and the platform detection.
#include "launch/launch_control.h"

LaunchControlState LaunchControl;

TargetPlatform DetectTargetPlatform() {
    return (GetVersion() & 0x80000000u) ? Windows95 : WindowsNT;
}
