// Puts every room's process-wide state back to its start value, for whatever runs many processes' worth
// of the launcher in one: the unit tests, the fuzz targets and the disc author's kit.
#ifndef TAVIO_TOOLS_STATE_LAUNCHER_STATE_H
#define TAVIO_TOOLS_STATE_LAUNCHER_STATE_H

void ResetLauncherState();

#endif
