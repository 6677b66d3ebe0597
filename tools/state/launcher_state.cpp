// The launcher's state as at process start, for tools and tests that run many processes' worth of logic in one.
#include "launcher_state.h"

#include "launch/launch_control.h"
#include "launching/start_program.h"
#include "location/install_location.h"
#include "platform/wide_names.h"
#include "settings/launcher_settings.h"
#include "settings/settings_file.h"
#include "window/launcher_window.h"
#include "window/startup_guard.h"
#include "window/status_lines.h"

void ResetLauncherState() {
    // Value-initialisation gives exactly the constant initialisation the product starts with.
    Settings = LauncherSettings{};
    SettingsFile = SettingsFileState{};
    RegistryQuery = RegistryQueryState{};
    LaunchAffixes = LaunchAffixesState{};
    LaunchCommand = LaunchCommandState{};
    WindowWait = WindowWaitState{};
    StatusDisplay = StatusDisplayState{};
    StartupGuard = StartupGuardState{};
    LaunchControl = LaunchControlState{};
    WideNames = WideNamesState{};
}
