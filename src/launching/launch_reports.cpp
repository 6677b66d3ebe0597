// LaunchInstaller, LaunchInstalledProgram, LaunchDiscProgram and the failure report.
#include "launching/launch_reports.h"
