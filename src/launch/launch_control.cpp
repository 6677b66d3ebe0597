// Launch control state and the platform detection.
#include "launch/launch_control.h"

LaunchControlState LaunchControl;

TargetPlatform DetectTargetPlatform() { return IsWindows95Family() ? Windows95 : WindowsNT; }
