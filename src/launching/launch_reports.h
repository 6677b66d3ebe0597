// The three launch operations, and the report of a failed start.
#ifndef TAVIO_LAUNCHING_LAUNCH_REPORTS_H
#define TAVIO_LAUNCHING_LAUNCH_REPORTS_H

#include "launching/start_program.h"

// Each returns 0 when the program was started; nonzero once the failure report has
// been shown and closed.
int LaunchInstaller(WorkText& launchPath);
int LaunchInstalledProgram(WorkText& launchPath);
int LaunchDiscProgram(WorkText& launchPath);

// The reason for a LaunchResult, in ReadErrorText's shared buffer.
const char* DescribeLaunchError(LaunchResult result);

#endif
