// Puts every room's process-wide state back to its start value; shared by the unit tests and the fuzz targets.
#ifndef TAVIO_TESTS_LAUNCHER_STATE_H
#define TAVIO_TESTS_LAUNCHER_STATE_H

void ResetLauncherState();

#endif
