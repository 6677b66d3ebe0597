// RunLauncher: the whole life of the launcher process, from settings to the exit code.
#ifndef TAVIO_LAUNCH_RUN_LAUNCHER_H
#define TAVIO_LAUNCH_RUN_LAUNCHER_H

#include "platform/windows_api.h"

int RunLauncher(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showMode);

// This path's own error report: the message, "\n" and the launch path when given.
void ShowErrorReport(const char* key, const char* builtInText, const char* launchPath);

#endif
